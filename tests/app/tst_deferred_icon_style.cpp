// The start-up style: the icons it defers look exactly as the desktop style draws them, at every
// size and state, and every other icon is the desktop style's own.
#include "app/deferred_icon_style.h"

#include <QApplication>
#include <QTest>

using rolvane::app::DeferredIconStyle;

class TstDeferredIconStyle : public QObject {
    Q_OBJECT
private slots:
    void iconsMatchTheBaseStyle_data();
    void iconsMatchTheBaseStyle();
};

void TstDeferredIconStyle::iconsMatchTheBaseStyle_data() {
    QTest::addColumn<QStyle::StandardPixmap>("which");
    QTest::newRow("horizontal extension") << QStyle::SP_ToolBarHorizontalExtensionButton;
    QTest::newRow("vertical extension") << QStyle::SP_ToolBarVerticalExtensionButton;
    QTest::newRow("passed through") << QStyle::SP_ArrowRight;
}

void TstDeferredIconStyle::iconsMatchTheBaseStyle() {
    QFETCH(QStyle::StandardPixmap, which);
    DeferredIconStyle style;
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

QTEST_MAIN(TstDeferredIconStyle)
#include "tst_deferred_icon_style.moc"
