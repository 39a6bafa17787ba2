// SPDX-License-Identifier: GPL-3.0-or-later
// The About dialog as a user meets it: layout against its table, place on the screen, focus and
// keys, closing, the single instance, and the pictures it is built from.
#include "app/forms.h"
#include "platform/fake_platform.h"
#include "support/layout_check.h"
#include "support/message_recorder.h"
#include "ui/about/frm_about.h"
#include "ui/about/frm_about_layout.h"
#include "ui/common/fonts.h"
#include "ui/common/line_control.h"
#include "ui/common/program_icon.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace rolvane;

class TstFrmAbout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layoutMatchesTheTable();
    void opensAtItsPlaceWithTheFocusOnOk();
    void enterAndEscPressOk_data();
    void enterAndEscPressOk();
    void sysInfoKeepsTheDialogOpen();
    void closesAndShowsAsOneInstance();
    void picturesAreAsDrawn();

private:
    QWidget* open();
    template <class T = QWidget> T* control(const char* name) { return about_->control<T>(name); }

    test::FakeRegistry registry_;
    test::FakeLauncher launcher_;
    std::unique_ptr<ui::frmAbout> about_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstFrmAbout::initTestCase() {
    ui::useProgramFonts();
}

void TstFrmAbout::init() {
    // System Info finds a tool that starts.
    registry_.keys["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"]["PATH"] = {1, "C:\\msinfo32.exe"};
    launcher_ = {};
    launcher_.programs = {"C:\\msinfo32.exe"};
    about_ = std::make_unique<ui::frmAbout>(registry_, launcher_);
    messages_ = std::make_unique<test::MessageRecorder>();
}

void TstFrmAbout::cleanup() {
    about_.reset();
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
}

QWidget* TstFrmAbout::open() {
    about_->Show();
    [&] { QVERIFY(QTest::qWaitForWindowActive(about_->window())); }();
    return about_->window();
}

void TstFrmAbout::layoutMatchesTheTable() {
    QWidget* window = open();
    QCOMPARE(window->objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(window->windowTitle(), QStringLiteral("About Rolvane 2.0"));
    const Qt::WindowFlags flags = window->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(window->size(), QSize(382, 166));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!window->autoFillBackground()); // the system's dialog colour

    test::checkControls(window, ui::about::kPictureAndButtons);
    test::checkControls(window, ui::about::kTitle);
    test::checkLines(window, ui::about::kGreyRule);
    test::checkLines(window, ui::about::kWhiteRule);
    if (QTest::currentTestFailed())
        return;
    auto* ok = control<QPushButton>("cmdOK");
    auto* sysInfo = control<QPushButton>("cmdSysInfo");
    QVERIFY(ok->isDefault() && !sysInfo->isDefault());
    QCOMPARE(sysInfo->text(), QStringLiteral("&System Info..."));
    // The buttons take the dialog's default font, and their captions fit.
    QCOMPARE(window->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(window->font().pointSizeF(), 8.25);
    QCOMPARE(window->font().weight(), QFont::Normal);
    for (QPushButton* button : {ok, sysInfo}) {
        QCOMPARE(button->font(), window->font());
        QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
    }

    auto* title = control<QLabel>("lblTitle");
    QCOMPARE(title->geometry(), QRect(40, 32, 259, 32));
    QCOMPARE(title->text(), QStringLiteral("Rolvane 2.0"));
    QCOMPARE(title->font(), ui::captionFont(13.5));
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(Qt::black));

    auto* picture = control<QLabel>("picIcon"); // at its natural size inside a 2-pixel border
    QCOMPARE(picture->pixmap().size(), QSize(78, 31));
    QCOMPARE(picture->contentsRect().size(), QSize(78, 31));

    // The etched rule: grey 1 px, and one pixel lower white 2 px; created between the controls.
    const QList<QWidget*> rule = ui::controlArray(window, QStringLiteral("Line1"));
    auto* white = qobject_cast<ui::LineControl*>(rule.value(0));
    auto* grey = qobject_cast<ui::LineControl*>(rule.value(1));
    QVERIFY(white && grey);
    QCOMPARE(grey->line(), QLine(6, 75, 377, 75));
    QCOMPARE(std::make_pair(grey->thickness(), grey->colour()),
             std::make_pair(1, QColor(0x80, 0x80, 0x80)));
    QCOMPARE(white->line(), QLine(7, 76, 377, 76));
    QCOMPARE(std::make_pair(white->thickness(), white->colour()),
             std::make_pair(2, QColor(Qt::white)));
    // Both show: the white line's second pixel goes below, not over the grey row. The grab is in
    // device pixels; each logical pixel is read at its centre.
    const QImage shot = window->grab().toImage();
    const auto at = [&shot](int x, int y) {
        const qreal scale = shot.devicePixelRatio();
        return shot.pixelColor(int((x + 0.5) * scale), int((y + 0.5) * scale));
    };
    QCOMPARE(at(100, 75), QColor(0x80, 0x80, 0x80));
    QCOMPARE(at(100, 76), QColor(Qt::white));
    QCOMPARE(at(100, 77), QColor(Qt::white));
    QCOMPARE(at(100, 78), window->palette().color(QPalette::Window));
    QList<QObject*> order;
    for (QObject* child : window->children())
        if (child->isWidgetType())
            order << child;
    QCOMPARE(order, (QList<QObject*>{picture, ok, sysInfo, grey, title, white}));
}

void TstFrmAbout::opensAtItsPlaceWithTheFocusOnOk() {
    QWidget* window = open();
    // The client area's corner at 2340, 1935 twips from the screen's corner.
    QCOMPARE(window->geometry().topLeft(),
             window->screen()->geometry().topLeft() + QPoint(156, 129));
    QCOMPARE(QApplication::focusWidget(), control("cmdOK"));
    for (const char* next : {"picIcon", "cmdSysInfo", "cmdOK"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control(next));
    }
}

void TstFrmAbout::enterAndEscPressOk_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    for (const char* focus : {"cmdOK", "picIcon", "cmdSysInfo"}) {
        if (QByteArray(focus) != "cmdSysInfo")
            QTest::addRow("Enter on %s", focus)
                << QString::fromLatin1(focus) << int(Qt::Key_Return);
        QTest::addRow("Esc on %s", focus) << QString::fromLatin1(focus) << int(Qt::Key_Escape);
    }
}

void TstFrmAbout::enterAndEscPressOk() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QWidget* target = open()->findChild<QWidget*>(focus);
    target->setFocus();
    QSignalSpy okClicks(control<QPushButton>("cmdOK"), &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(okClicks.count(), 1);
    QVERIFY(!about_->isLoaded());
    QVERIFY(launcher_.launches.empty());
}

void TstFrmAbout::sysInfoKeepsTheDialogOpen() {
    QWidget* window = open();
    // Enter on a focused System Info presses it, not OK; Alt+S and a click do the same, and each
    // press launches the tool again.
    auto* sysInfo = control<QPushButton>("cmdSysInfo");
    sysInfo->setFocus();
    QTest::keyClick(sysInfo, Qt::Key_Return);
    QCOMPARE(launcher_.launches.size(), std::size_t(1));
    // An access key presses its button with a short animation, so the click comes later.
    QTest::keyClick(sysInfo, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(launcher_.launches.size(), std::size_t(2));
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    QCOMPARE(launcher_.launches.size(), std::size_t(3));
    QVERIFY(messages_->messages.isEmpty());

    // After the message the dialog is still there and still answers.
    launcher_.programs.clear();
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY(about_->isLoaded() && window->isVisible());
    QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
    QVERIFY(!about_->isLoaded());
}

void TstFrmAbout::closesAndShowsAsOneInstance() {
    const auto dialogs = [] {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += w->objectName() == QStringLiteral("frmAbout") && w->isVisible();
        return count;
    };
    QVERIFY(!app::hasFrmAbout());
    ui::frmAbout& about = app::frmAbout();
    about.Show();
    QWidget* window = about.window();
    app::frmAbout().Show();
    QCOMPARE(&app::frmAbout(), &about);
    QCOMPARE(about.window(), window);
    QCOMPARE(dialogs(), 1);

    // Closing through the frame is OK; the next Show loads the dialog anew from its layout.
    about.control<QWidget>("cmdSysInfo")->setFocus();
    QVERIFY(window->close());
    QVERIFY(!about.isLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(dialogs(), 0);
    app::frmAbout().Show();
    QVERIFY(QTest::qWaitForWindowActive(about.window()));
    QCOMPARE(QApplication::focusWidget(), about.control<QWidget>("cmdOK"));
    QCOMPARE(dialogs(), 1);
}

void TstFrmAbout::picturesAreAsDrawn() {
    // Baseline JFIF 1.02; frame: 8 bits, 31 x 78, YCbCr with luminance sampled 2x2 (4:2:0).
    QFile jpeg(QString::fromLatin1(ui::about::kPicture));
    QVERIFY(jpeg.open(QIODevice::ReadOnly));
    const QByteArray data = jpeg.readAll();
    QVERIFY(data.startsWith(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x02", 13)));
    const qsizetype frame = data.indexOf(QByteArray("\xFF\xC0\x00\x11", 4));
    QVERIFY(frame > 0 && !data.contains(QByteArray("\xFF\xC2", 2)));
    QCOMPARE(data.mid(frame + 4, 15),
             QByteArray("\x08\x00\x1F\x00\x4E\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 15));

    // The icon: 32x32 and 16x16, and the windows' own copy of it has the same pixels.
    QImageReader icon(QStringLiteral(":/icons/rolvane.ico"));
    QCOMPARE(icon.imageCount(), 2);
    const QIcon windows = ui::programIcon();
    for (int size : {32, 16}) {
        const QImage drawn = icon.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(drawn.size(), QSize(size, size));
        QCOMPARE(
            windows.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
            drawn);
        icon.jumpToNextImage();
    }
}

QTEST_MAIN(TstFrmAbout)
#include "tst_frm_about.moc"
