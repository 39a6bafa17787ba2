// SPDX-License-Identifier: GPL-3.0-or-later
// The main window when saving goes wrong or the desktop is dark: one message per action, a way
// out of every failed save and of every conflict with another program, typing into a blank form,
// and the colours the layouts were drawn in.
#include "app/forms.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/about/frm_about.h"
#include "ui/common/fonts.h"
#include "ui/common/message_box.h"
#include "ui/main/frm_addy.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace rolvane;

class TstFrmAddyDataSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::useProgramFonts(); }
    void init();
    void cleanup();
    void heldArrowOverAFailingMoveShowsOneMessage();
    void escAfterAFailedSavePutsTheStoredValuesBack();
    void conflictOffersTheWaysOn_data();
    void conflictOffersTheWaysOn();
    void typingIntoABlankFormThenAddStoresTheContact();
    void addedContactIsReachedByBrowsing_data();
    void addedContactIsReachedByBrowsing();
    void pastedLineBreakBecomesABlank();
    void darkThemeLeavesText7AndLabel6Readable();
    void messageBoxIsWideEnoughForItsTitle();

private:
    void open();
    template <class T = QWidget> T* control(const char* name) {
        return app::frmAddy().control<T>(name);
    }
    QString text(const char* name) { return control<QLineEdit>(name)->text(); }
    // Replaces the field's text, as typing over a selection does.
    void typeInto(const char* name, const QString& typed) {
        control(name)->setFocus();
        QTest::keyClick(control(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(control(name), typed);
    }
    void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    // Another program changes the contact behind the window's back.
    void changeElsewhere(const QString& lastName) {
        book_->exec(QStringLiteral("update Rolvane set Ph1 = 'elsewhere' where [Last Name] = '%1'")
                        .arg(lastName));
    }

    // Every write to the contacts fails from now on, as on a disk that refuses them.
    void refuseWrites() {
        book_->exec("create trigger refuse before update on Rolvane "
                    "begin select raise(abort, 'refused'); end");
    }

    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstFrmAddyDataSafety::init() {
    book_ = std::make_unique<test::TestBook>();
    messages_ = std::make_unique<test::MessageRecorder>();
    app::setDatabasePath(book_->path());
    app::setEndAction([] {});
}

void TstFrmAddyDataSafety::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    book_.reset();
}

void TstFrmAddyDataSafety::open() {
    app::frmAddy().Show();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
}

void TstFrmAddyDataSafety::heldArrowOverAFailingMoveShowsOneMessage() {
    book_->insert({{"First Name", "Ann"}, {"Last Name", "Adams"}});
    book_->insertLastNames({"Baker", "Clark"});
    open();
    typeInto("Text1", "Mine");
    refuseWrites();
    auto* next = control<QToolButton>("datAddyNext");
    QTest::mousePress(next, Qt::LeftButton);
    QTest::qWait(1500); // several repeat intervals
    QTest::mouseRelease(next, Qt::LeftButton);
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY2(messages_->messages[0].contains("before moving to the next one"),
             qPrintable(messages_->messages[0]));
    QCOMPARE(text("Text1"), QStringLiteral("Mine"));
    QCOMPARE(book_->value("select [First Name] from Rolvane where [Last Name] = 'Adams'"),
             QStringLiteral("Ann"));
}

void TstFrmAddyDataSafety::escAfterAFailedSavePutsTheStoredValuesBack() {
    book_->insert({{"First Name", "Ann"}, {"Last Name", "Adams"}});
    book_->insertLastNames({"Baker"});
    open();
    typeInto("Text1", "Mine");
    refuseWrites();
    click("cmdUpdate");
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY(messages_->messages[0].contains("could not be saved"));
    QVERIFY(messages_->messages[0].contains("Esc"));
    QCOMPARE(text("Text1"), QStringLiteral("Mine"));
    // Closing through the frame keeps the window and says how to drop the text.
    app::frmAddy().window()->close();
    QVERIFY(app::frmAddy().isVisible());
    QCOMPARE(messages_->messages.size(), 2);
    QVERIFY(messages_->messages[1].contains("Esc"));
    QTest::keyClick(control("Text1"), Qt::Key_Escape);
    QCOMPARE(text("Text1"), QStringLiteral("Ann"));
    // Every action works again.
    book_->exec("drop trigger refuse");
    click("cmdB");
    QCOMPARE(text("Text2"), QStringLiteral("Baker"));
    QCOMPARE(messages_->messages.size(), 2);
    QCOMPARE(book_->count("[First Name] = 'Mine'"), 0);
}

void TstFrmAddyDataSafety::conflictOffersTheWaysOn_data() {
    QTest::addColumn<bool>("deletedElsewhere");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("storedFirst"); // of the contact shown afterwards
    QTest::addColumn<QString>("storedPh1");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("save over a change") << false << 0 << "Mine"
                                        << "elsewhere"
                                        << "";
    QTest::newRow("save over a deletion") << true << 0 << "Mine"
                                          << "555 0100"
                                          << "";
    QTest::newRow("copy") << false << 1 << "Ann"
                          << "elsewhere"
                          << "First Name: Mine\nLast Name: Adams\nPh1: 555 0100\nPh2: \n";
    QTest::newRow("drop") << false << 2 << "Ann"
                          << "elsewhere"
                          << "";
}

void TstFrmAddyDataSafety::conflictOffersTheWaysOn() {
    QFETCH(bool, deletedElsewhere);
    QFETCH(int, choice);
    QFETCH(QString, storedFirst);
    QFETCH(QString, storedPh1);
    QFETCH(QString, clipboard);
    book_->insert({{"First Name", "Ann"}, {"Last Name", "Adams"}, {"Ph1", "555 0100"}});
    book_->insertLastNames({"Baker"});
    open();
    QApplication::clipboard()->clear();
    typeInto("Text1", "Mine");
    if (deletedElsewhere)
        book_->exec("delete from Rolvane where [Last Name] = 'Adams'");
    else
        changeElsewhere("Adams");
    messages_->answers << choice;
    click("cmdUpdate");
    QCOMPARE(messages_->choices.size(), 1);
    QCOMPARE(messages_->choices[0],
             (QStringList{"&Save My Changes", "&Copy to Clipboard", "&Drop Changes"}));
    QVERIFY(messages_->messages[0].contains("another program changed or deleted"));
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(text("Text1"), storedFirst);
    QCOMPARE(text("Text3"), storedPh1);
    QCOMPARE(book_->count("[Last Name] = 'Adams'"), deletedElsewhere && choice != 0 ? 0 : 1);
    if (!deletedElsewhere || choice == 0)
        QCOMPARE(book_->value("select [First Name] || '/' || Ph1 from Rolvane where "
                              "[Last Name] = 'Adams'"),
                 storedFirst + "/" + storedPh1);
    const QString copied = QApplication::clipboard()->text();
    QVERIFY2(clipboard.isEmpty() ? copied.isEmpty() : copied.startsWith(clipboard),
             qPrintable(copied));
    // Nothing is left pending: the next move goes on without a word.
    click("cmdB");
    QCOMPARE(messages_->messages.size(), 1);
}

void TstFrmAddyDataSafety::typingIntoABlankFormThenAddStoresTheContact() {
    open();
    QCOMPARE(text("Text1"), QString());
    typeInto("Text1", "Anna");
    click("cmdAdd");
    QCOMPARE(book_->count("[First Name] = 'Anna'"), 1);
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.join(u'\n')));
    // Update on an untouched blank form stores nothing.
    click("cmdZ");
    click("cmdUpdate");
    QCOMPARE(book_->count(), 1);
}

void TstFrmAddyDataSafety::addedContactIsReachedByBrowsing_data() {
    QTest::addColumn<bool>("pageKeys");
    QTest::newRow("the bar's arrows") << false;
    QTest::newRow("Page keys in a field") << true;
}

void TstFrmAddyDataSafety::addedContactIsReachedByBrowsing() {
    QFETCH(bool, pageKeys);
    book_->insertLastNames({"Adams", "Baker"});
    open();
    click("cmdAdd");
    typeInto("Text2", "Aaron");
    const auto move = [&](const char* arrow, QKeyCombination key) {
        if (pageKeys)
            QTest::keyClick(control("Text2"), key.key(), key.keyboardModifiers());
        else
            QTest::mouseClick(control<QToolButton>(arrow), Qt::LeftButton);
        return text("Text2");
    };
    QCOMPARE(move("datAddyNext", Qt::Key_PageDown), QStringLiteral("Baker"));
    QCOMPARE(move("datAddyLast", Qt::ControlModifier | Qt::Key_PageDown), QStringLiteral("Aaron"));
    QCOMPARE(move("datAddyPrevious", Qt::Key_PageUp), QStringLiteral("Baker"));
    QCOMPARE(move("datAddyFirst", Qt::ControlModifier | Qt::Key_PageUp), QStringLiteral("Adams"));
    QCOMPARE(book_->count("[Last Name] = 'Aaron'"), 1);
    QVERIFY(messages_->messages.isEmpty());
}

void TstFrmAddyDataSafety::pastedLineBreakBecomesABlank() {
    book_->insertLastNames({"Adams", "Baker"});
    open();
    QApplication::clipboard()->setText(QStringLiteral("12 Main St\r\nFlat 2\nBack"));
    control("Text6")->setFocus();
    QTest::keyClick(control("Text6"), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text("Text6"), QStringLiteral("12 Main St Flat 2 Back"));
    click("cmdUpdate");
    QCOMPARE(book_->value("select Email from Rolvane where [Last Name] = 'Adams'"),
             QStringLiteral("12 Main St Flat 2 Back"));
}

void TstFrmAddyDataSafety::darkThemeLeavesText7AndLabel6Readable() {
    const QPalette light = QApplication::palette();
    QPalette dark(Qt::white, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
    book_->insert({{"Last Name", "Adams"}, {"Bus", "555 0199 555 0199"}});
    open();
    // Inside the frames, dark pixels are text and light ones the white back colour.
    const auto pixels = [](QWidget* w, bool darkOnes) {
        const QImage image = w->grab().toImage();
        const QRect inner = image.rect().adjusted(3, 3, -3, -3);
        int count = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const int grey = qGray(image.pixel(x, y));
                count += (darkOnes ? grey < 96 : grey > 200) ? 1 : 0;
            }
        }
        return count;
    };
    const auto darkPixels = [&](QWidget* w) { return pixels(w, true); };
    const auto lightPixels = [&](QWidget* w) { return pixels(w, false); };
    QWidget* text7 = control("Text7");
    QWidget* label6 = control("Label6");
    QVERIFY2(darkPixels(text7) > 40, qPrintable(QString::number(darkPixels(text7))));
    QVERIFY2(lightPixels(text7) > text7->width() * text7->height() / 4,
             qPrintable(QString::number(lightPixels(text7))));
    QVERIFY2(darkPixels(label6) > 200, qPrintable(QString::number(darkPixels(label6))));
    // The captions stand in dark text on the window's green.
    QVERIFY(darkPixels(control("Label4")) > 40);
    // The About dialog's black title stands on a light face.
    app::frmAbout().Show();
    QVERIFY(QTest::qWaitForWindowExposed(app::frmAbout().window()));
    QWidget* title = app::frmAbout().control<QWidget>("lblTitle");
    QVERIFY(darkPixels(title) > 40);
    QVERIFY(lightPixels(title) > title->width() * title->height() / 4);
}

void TstFrmAddyDataSafety::messageBoxIsWideEnoughForItsTitle() {
    ui::setMessagePresenter({});
    int width = 0;
    int titleWidth = 0;
    QTimer::singleShot(300, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            width = box->width();
            titleWidth = box->fontMetrics().horizontalAdvance(box->windowTitle());
            box->accept();
        }
    });
    ui::showMessage(QStringLiteral("Sorry, not found!"));
    // Room for the title and the frame's buttons beside it.
    QVERIFY2(width >= titleWidth + 150,
             qPrintable(QStringLiteral("%1 for a title of %2").arg(width).arg(titleWidth)));
}

QTEST_MAIN(TstFrmAddyDataSafety)
#include "tst_frm_addy_data_safety.moc"
