// The About dialog as a user meets it: layout against its table, place on the screen, focus and
// keys, closing, the single instance, and the pictures it is built from.
#include "app/forms.h"
#include "platform/fake_platform.h"
#include "support/message_recorder.h"
#include "ui/about/frm_about.h"
#include "ui/about/frm_about_layout.h"
#include "ui/common/fonts.h"
#include "ui/common/line_control.h"
#include "ui/common/twips.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace rolvane;

static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

const std::string kTool = "C:\\WINDOWS\\system32\\msinfo32.exe";

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

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
    void frameCloseUnloadsAndShowRebuilds();
    void aboutCommandKeepsOneDialog();
    void picturesAreAsDrawn();

private:
    QWidget* open();
    template <class T = QWidget> T* control(const char* name) { return about_->control<T>(name); }

    std::unique_ptr<test::FakeRegistry> registry_;
    std::unique_ptr<test::FakeLauncher> launcher_;
    std::unique_ptr<ui::frmAbout> about_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstFrmAbout::initTestCase() {
    initResources();
    ui::registerFontSubstitutes();
}

void TstFrmAbout::init() {
    registry_ = std::make_unique<test::FakeRegistry>();
    launcher_ = std::make_unique<test::FakeLauncher>();
    about_ = std::make_unique<ui::frmAbout>(*registry_, *launcher_);
    messages_ = std::make_unique<test::MessageRecorder>();
}

void TstFrmAbout::cleanup() {
    about_.reset();
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    launcher_.reset();
    registry_.reset();
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
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(window->size(), QSize(382, 166));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    // The system's dialog colour: nothing of its own.
    QVERIFY(!window->autoFillBackground());
    QCOMPARE(window->palette().color(QPalette::Window),
             QApplication::palette(window).color(QPalette::Window));

    const auto check = [&](const ui::ControlSpec& spec) {
        auto* w = window->findChild<QWidget*>(fromView(spec.name));
        QVERIFY2(w, spec.name.data());
        QCOMPARE(w->geometry(), ui::toPixels(spec.left, spec.top, spec.width, spec.height));
        QCOMPARE(w->property("TabIndex").toInt(), spec.tabIndex);
    };
    for (const auto& spec : ui::about::kPictureAndButtons)
        check(spec);
    check(ui::about::kTitle[0]);

    auto* ok = control<QPushButton>("cmdOK");
    auto* sysInfo = control<QPushButton>("cmdSysInfo");
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(sysInfo->text(), QStringLiteral("&System Info..."));
    QVERIFY(!sysInfo->isDefault());
    // The buttons take the dialog's default font, and their captions fit.
    QCOMPARE(window->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(window->font().pointSizeF(), 8.25);
    QCOMPARE(window->font().weight(), QFont::Normal);
    for (QPushButton* button : {ok, sysInfo}) {
        QCOMPARE(button->font(), window->font());
        QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
    }

    auto* title = control<QLabel>("lblTitle");
    QCOMPARE(title->text(), QStringLiteral("Rolvane 2.0"));
    QCOMPARE(title->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(title->font().pointSizeF(), 13.5);
    QCOMPARE(title->font().weight(), QFont::Bold);
    QVERIFY(!title->font().italic() && !title->font().underline() && !title->font().strikeOut());
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    QCOMPARE(title->focusPolicy(), Qt::NoFocus);

    // The picture at its natural size inside a 2-pixel border.
    auto* picture = control<QLabel>("picIcon");
    QCOMPARE(picture->pixmap().size(), QSize(78, 31));
    QCOMPARE(picture->frameWidth(), 2);
    QCOMPARE(picture->contentsRect().size(), QSize(78, 31));

    // The etched rule: grey inside-solid 1 px, and one pixel lower white 2 px.
    const QList<QWidget*> rule = ui::controlArray(window, QStringLiteral("Line1"));
    QCOMPARE(rule.size(), 2);
    auto* white = qobject_cast<ui::LineControl*>(rule[0]);
    auto* grey = qobject_cast<ui::LineControl*>(rule[1]);
    QVERIFY(white && grey);
    QCOMPARE(grey->line(), QLine(6, 75, 377, 75));
    QCOMPARE(grey->thickness(), 1);
    QCOMPARE(grey->colour(), QColor(0x80, 0x80, 0x80));
    QCOMPARE(white->line(), QLine(7, 76, 377, 76));
    QCOMPARE(white->thickness(), 2);
    QCOMPARE(white->colour(), QColor(0xFF, 0xFF, 0xFF));

    // Created in the table's order, lines and controls interleaved.
    QStringList order;
    for (QObject* child : window->children()) {
        if (child->isWidgetType()) {
            const QVariant index = child->property("index");
            order << child->objectName() + (index.isValid() ? index.toString() : QString());
        }
    }
    QCOMPARE(order,
             (QStringList{"picIcon", "cmdOK", "cmdSysInfo", "Line11", "lblTitle", "Line10"}));
}

void TstFrmAbout::opensAtItsPlaceWithTheFocusOnOk() {
    QWidget* window = open();
    // The client area's corner at 2340, 1935 twips from the screen's corner.
    const QPoint screen = window->screen()->geometry().topLeft();
    QCOMPARE(window->geometry().topLeft(), screen + QPoint(156, 129));

    QCOMPARE(QApplication::focusWidget(), control("cmdOK"));
    const char* const chain[] = {"picIcon", "cmdSysInfo", "cmdOK"};
    for (const char* next : chain) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
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
    open();
    launcher_->programs.insert(kTool);
    registry_->setString("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                         QByteArray::fromStdString(kTool));
    QWidget* target = about_->window()->findChild<QWidget*>(focus);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    QSignalSpy okClicks(control<QPushButton>("cmdOK"), &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(okClicks.count(), 1);
    QVERIFY(!about_->isLoaded());
    QVERIFY(launcher_->launches.empty());
    QVERIFY(messages_->messages.isEmpty());
}

void TstFrmAbout::sysInfoKeepsTheDialogOpen() {
    QWidget* window = open();
    registry_->setString("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                         QByteArray::fromStdString(kTool));
    launcher_->programs.insert(kTool);

    // Enter on a focused System Info presses it, not OK; Alt+S and a click do the same.
    auto* sysInfo = control<QPushButton>("cmdSysInfo");
    sysInfo->setFocus();
    QTest::keyClick(sysInfo, Qt::Key_Return);
    QCOMPARE(launcher_->launches.size(), std::size_t(1));
    // An access key presses its button with a short animation, so the click comes later.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(launcher_->launches.size(), std::size_t(2));
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    QCOMPARE(launcher_->launches.size(), std::size_t(3));
    QCOMPARE(launcher_->launches.back(), std::make_pair(kTool, 1));
    QVERIFY(about_->isLoaded() && window->isVisible());
    QVERIFY(messages_->messages.isEmpty());

    // After the message the dialog is still there and still answers.
    launcher_->programs.clear();
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    QCOMPARE(messages_->messages,
             QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    QVERIFY(about_->isLoaded() && window->isVisible());
    QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
    QVERIFY(!about_->isLoaded());
}

void TstFrmAbout::frameCloseUnloadsAndShowRebuilds() {
    QWidget* window = open();
    control("cmdSysInfo")->setFocus();
    QVERIFY(window->close());
    QVERIFY(!about_->isLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Loaded anew from the layout: the focus is back on OK.
    open();
    QCOMPARE(QApplication::focusWidget(), control("cmdOK"));
    QTest::mouseClick(control<QPushButton>("cmdOK"), Qt::LeftButton);
    QVERIFY(!about_->isLoaded());
}

void TstFrmAbout::aboutCommandKeepsOneDialog() {
    const auto dialogs = [] {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += w->objectName() == QStringLiteral("frmAbout") && w->isVisible();
        return count;
    };
    QVERIFY(!app::hasFrmAbout());
    ui::frmAbout& first = app::frmAbout();
    QVERIFY(app::hasFrmAbout());
    first.Show();
    QWidget* window = first.window();
    app::frmAbout().Show();
    QCOMPARE(&app::frmAbout(), &first);
    QCOMPARE(first.window(), window);
    QCOMPARE(dialogs(), 1);

    first.cmdOK_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(dialogs(), 0);
    app::frmAbout().Show();
    QCOMPARE(&app::frmAbout(), &first);
    QVERIFY(first.isLoaded());
    QCOMPARE(dialogs(), 1);
}

void TstFrmAbout::picturesAreAsDrawn() {
    // The About picture: baseline JFIF 1.02, 8-bit YCbCr, luminance sampled 2x2 (4:2:0), 78x31.
    QFile jpeg(QString::fromLatin1(ui::about::kPicture));
    QVERIFY(jpeg.open(QIODevice::ReadOnly));
    const QByteArray data = jpeg.readAll();
    QVERIFY(data.startsWith(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x02", 13)));
    const qsizetype frame = data.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(frame > 0);
    QVERIFY(!data.contains(QByteArray("\xFF\xC2", 2)));
    const QByteArray sof = data.mid(frame + 4, 15);
    QCOMPARE(sof, QByteArray("\x08\x00\x1F\x00\x4E\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 15));

    // The icon: an open book at 32x32 and 16x16, 16 colours each.
    QImageReader icon(QStringLiteral(":/icons/rolvane.ico"));
    QCOMPARE(icon.imageCount(), 2);
    QList<QSize> sizes;
    for (int i = 0; i < icon.imageCount(); ++i) {
        QVERIFY(icon.jumpToImage(i));
        const QImage image = icon.read();
        QVERIFY(!image.isNull());
        sizes << image.size();
    }
    QCOMPARE(sizes, (QList<QSize>{{32, 32}, {16, 16}}));
    QFile ico(QStringLiteral(":/icons/rolvane.ico"));
    QVERIFY(ico.open(QIODevice::ReadOnly));
    const QByteArray entries = ico.readAll().mid(6, 32);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(quint8(entries[i * 16 + 2]), quint8(16)); // colours
        QCOMPARE(quint8(entries[i * 16 + 6]), quint8(4));  // bits a pixel
    }
}

QTEST_MAIN(TstFrmAbout)
#include "tst_frm_about.moc"
