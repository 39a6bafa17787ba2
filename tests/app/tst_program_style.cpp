// SPDX-License-Identifier: GPL-3.0-or-later
// The program's style draws exactly what the desktop style draws: the icons it defers, at every
// size and state, and the button faces and line-edit frames it keeps as pictures.
#include "app/program_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <memory>

using rolvane::app::ProgramStyle;

class TstProgramStyle : public QObject {
    Q_OBJECT
private slots:
    void iconsMatchTheBaseStyle_data();
    void iconsMatchTheBaseStyle();
    void cachedPicturesMatchTheBaseStyle_data();
    void cachedPicturesMatchTheBaseStyle();
};

void TstProgramStyle::iconsMatchTheBaseStyle_data() {
    QTest::addColumn<QStyle::StandardPixmap>("which");
    QTest::newRow("horizontal extension") << QStyle::SP_ToolBarHorizontalExtensionButton;
    QTest::newRow("vertical extension") << QStyle::SP_ToolBarVerticalExtensionButton;
    QTest::newRow("passed through") << QStyle::SP_ArrowRight;
}

void TstProgramStyle::iconsMatchTheBaseStyle() {
    QFETCH(QStyle::StandardPixmap, which);
    ProgramStyle style;
    const QIcon ours = style.standardIcon(which);
    const QIcon theirs = style.baseStyle()->standardIcon(which);
    QVERIFY(!theirs.isNull());
    QVERIFY(!ours.isNull());
    QCOMPARE(ours.availableSizes(), theirs.availableSizes());
    for (int size : {8, 16, 32}) {
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            QCOMPARE(ours.actualSize(QSize(size, size), mode),
                     theirs.actualSize(QSize(size, size), mode));
            QCOMPARE(ours.pixmap(size, mode).toImage(), theirs.pixmap(size, mode).toImage());
            QCOMPARE(ours.pixmap(QSize(size, size), 1.5, mode).toImage(),
                     theirs.pixmap(QSize(size, size), 1.5, mode).toImage());
        }
    }
    // A copy, as a tool button keeps one, paints the same.
    const QIcon copy = ours;
    QCOMPARE(copy.pixmap(16).toImage(), theirs.pixmap(16).toImage());
}

namespace {

QImage drawn(const QStyle& style, QStyle::PrimitiveElement element, QSize size,
             const QPalette& palette, QStyle::State state) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QStyleOptionButton button;
    QStyleOptionFrame frame;
    QStyleOption& option = element == QStyle::PE_FrameLineEdit ? static_cast<QStyleOption&>(frame)
                                                               : static_cast<QStyleOption&>(button);
    option.rect = image.rect();
    option.palette = palette;
    option.state = state;
    QPainter painter(&image);
    style.drawPrimitive(element, &option, &painter);
    return image;
}

} // namespace

void TstProgramStyle::cachedPicturesMatchTheBaseStyle_data() {
    QTest::addColumn<QStyle::PrimitiveElement>("element");
    QTest::newRow("button face") << QStyle::PE_PanelButtonCommand;
    QTest::newRow("line-edit frame") << QStyle::PE_FrameLineEdit;
}

void TstProgramStyle::cachedPicturesMatchTheBaseStyle() {
    QFETCH(QStyle::PrimitiveElement, element);
    ProgramStyle ours(QStyleFactory::create(QStringLiteral("Fusion")));
    const std::unique_ptr<QStyle> theirs(QStyleFactory::create(QStringLiteral("Fusion")));

    // Each twice: the same colours in palettes of their own, as each widget holds.
    const auto grey = [] { return QPalette(QColor(0xF0, 0xF0, 0xF0)); };
    const auto green = [&grey] {
        QPalette palette = grey();
        palette.setColor(QPalette::Button, Qt::green);
        palette.setColor(QPalette::Window, Qt::darkGreen);
        palette.setColor(QPalette::Highlight, Qt::red);
        return palette;
    };
    QVERIFY(grey().cacheKey() != grey().cacheKey() && grey() == grey());

    // In turns, so that each palette, size and state is offered the picture of the one before.
    const QStyle::State states[] = {
        QStyle::State_Enabled | QStyle::State_Raised, QStyle::State_Enabled | QStyle::State_Sunken,
        QStyle::State_Enabled | QStyle::State_HasFocus, QStyle::State_None};
    int n = 0;
    for (const QPalette& palette : {grey(), green(), grey(), green(), grey()}) {
        for (QSize size : {QSize(33, 33), QSize(145, 19)}) {
            for (QStyle::State state : states) {
                const QImage expected = drawn(*theirs, element, size, palette, state);
                QVERIFY2(drawn(ours, element, size, palette, state) == expected,
                         qPrintable(QString::number(n)));
                ++n;
            }
        }
    }
}

QTEST_MAIN(TstProgramStyle)
#include "tst_program_style.moc"
