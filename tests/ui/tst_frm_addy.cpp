// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a user meets it: its layout against the tables, the focus sequence, the
// record commands, the letter index and the keys, over a real address book.
#include "app/forms.h"
#include "data/date_stamp.h"
#include "data/query_texts.h"
#include "support/layout_check.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/about/frm_about.h"
#include "ui/common/fonts.h"
#include "ui/common/line_control.h"
#include "ui/main/frm_addy.h"
#include "ui/main/frm_addy_layout.h"
#include "ui/search/frm_search.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <sqlite3.h>

using namespace rolvane;

class TstFrmAddy : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::useProgramFonts(); }
    void init();
    void cleanup();
    void layoutMatchesTheTables();
    void focusStartsInText1AndTabFollowsTheTable();
    void opensOnTheFirstContactAndTheBarMoves();
    void addTypeUpdateStoresOneRowStampedToday();
    void updateTwiceOnOneDayWritesTheSameStamp();
    void letterQueryStaysInForceAcrossUpdateAndDelete();
    void deleteOfTheOnlyRowEmptiesTheFields();
    void commandsOnAnEmptyResultReportAndChangeNothing();
    void accessKeysActAsClicks();
    void enterAndEscInFieldsTriggerNothing();
    void stampFieldIsLocked();
    void closingThroughTheFrameWritesEditsAndEnds();
    void dialogsAreSingleInstances();
    void missingBookOpensEmptyWithAMessage();
    void closingKeepsTheWindowWhenEditsCannotBeWritten();

private:
    ui::frmAddy& open();
    template <class T = QWidget> T* control(const char* name) {
        return app::frmAddy().control<T>(name);
    }
    QString fieldText(int n);
    void typeInto(const char* name, const QString& text);
    void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }

    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
    int ends_ = 0;
};

void TstFrmAddy::init() {
    book_ = std::make_unique<test::TestBook>();
    messages_ = std::make_unique<test::MessageRecorder>();
    ends_ = 0;
    app::setDatabasePath(book_->path());
    app::setEndAction([this] { ++ends_; });
}

void TstFrmAddy::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    book_.reset();
}

ui::frmAddy& TstFrmAddy::open() {
    ui::frmAddy& form = app::frmAddy();
    form.Show();
    [&] { QVERIFY(QTest::qWaitForWindowActive(form.window())); }();
    return form;
}

QString TstFrmAddy::fieldText(int n) {
    const QByteArray name = "Text" + QByteArray::number(n);
    if (auto* line = control<QLineEdit>(name.constData()))
        return line->text();
    return control<QPlainTextEdit>(name.constData())->toPlainText();
}

void TstFrmAddy::typeInto(const char* name, const QString& text) {
    QWidget* w = control(name);
    w->setFocus();
    QTest::keyClicks(w, text);
}

void TstFrmAddy::layoutMatchesTheTables() {
    open();
    QWidget* window = app::frmAddy().window();
    QCOMPARE(window->windowTitle(), QStringLiteral("Rolvane 2.0"));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint) && !(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QWidget* client = window->findChild<QWidget*>("frmAddyClient");
    QCOMPARE(client->size(), QSize(722, 409));
    QCOMPARE(client->palette().color(QPalette::Window), QColor(0, 255, 0));
    QCOMPARE(static_cast<QMainWindow*>(window)->menuBar()->actions().size(), 2);
    QCOMPARE(static_cast<QMainWindow*>(window)->menuBar()->actions()[0]->text(),
             QStringLiteral("&About"));

    // Every row of the tables, as built.
    test::checkControls(client, ui::addy::kControls);
    test::checkLines(client, ui::addy::kLines);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(client->findChildren<QPushButton*>().size(), 5 + 26);
    QCOMPARE(client->findChildren<QLabel*>().size(), 10);

    // Spot checks straight from the drawings, independent of the tables above.
    QCOMPARE(control("cmdA")->geometry(), QRect(552, 80, 33, 33));
    QCOMPARE(control("cmdZ")->geometry(), QRect(584, 272, 33, 33));
    QCOMPARE(control("cmdD")->geometry().left(), 648);
    QCOMPARE(control("Text3")->geometry().left(), 167);
    QCOMPARE(control("Text9")->geometry(), QRect(167, 208, 265, 49));
    QCOMPARE(control<QPushButton>("cmdEnd")->geometry(), QRect(432, 328, 57, 33));
    QCOMPARE(control("datAddy")->geometry(), QRect(8, 368, 489, 25));
    QCOMPARE(control<QLabel>("Label6")->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(control<QLabel>("Label6")->wordWrap());
    QCOMPARE(control<QLabel>("Label7")->text(), QStringLiteral("Record Last Updated: "));
    QVERIFY(control<QLabel>("Label4")->alignment() & Qt::AlignRight);
    QCOMPARE(control<QLineEdit>("Text7")->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(control<QPushButton>("cmdQ")->font().pointSizeF(), 13.5);
    QCOMPARE(control<QPlainTextEdit>("Text10")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(control<QPlainTextEdit>("Text10")->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    const QList<QWidget*> label3 = ui::controlArray(client, "Label3");
    QCOMPARE(label3.size(), 4);
    QCOMPARE(static_cast<QLabel*>(label3[1])->text(), QStringLiteral("Address"));
    auto* line2 = client->findChild<ui::LineControl*>("Line2");
    QCOMPARE(line2->line(), QLine(504, 0, 504, 408));
    QCOMPARE(line2->thickness(), 4);
    // Every caption fits its box.
    for (QLabel* label : client->findChildren<QLabel*>()) {
        if (!label->wordWrap())
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->text()));
    }
}

void TstFrmAddy::focusStartsInText1AndTabFollowsTheTable() {
    open();
    QStringList expected;
    for (int i = 1; i <= 10; ++i)
        expected << QStringLiteral("Text%1").arg(i);
    expected << "cmdAdd"
             << "cmdUpdate"
             << "cmdDelete"
             << "cmdEnd"
             << "cmdSearch";
    for (char c = 'A'; c <= 'Z'; ++c)
        expected << QStringLiteral("cmd%1").arg(QLatin1Char(c));
    expected << "Text11"
             << "Text1";
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, expected);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text11"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdZ"));
}

void TstFrmAddy::opensOnTheFirstContactAndTheBarMoves() {
    book_->insert({{"First Name", "Zed"}, {"Last Name", "Young"}});
    book_->insert({{"First Name", "Ann"}, {"Last Name", "adams"}});
    book_->insert({{"First Name", "Bob"}, {"Last Name", "Baker"}, {"Addy", "1 Lane\nTown"}});
    open();
    QCOMPARE(fieldText(2), QStringLiteral("adams"));
    QTest::keyClicks(QApplication::focusWidget(), "X");
    QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("XAnn")); // typing lands in Text1
    QTest::mouseClick(control<QWidget>("datAddyNext"), Qt::LeftButton);
    QCOMPARE(fieldText(2), QStringLiteral("Baker"));
    QCOMPARE(fieldText(9), QStringLiteral("1 Lane\nTown"));
    QCOMPARE(book_->value("select [First Name] from Rolvane where [Last Name] = 'adams'"),
             QStringLiteral("XAnn")); // the edit went with the move
    QTest::mouseClick(control<QWidget>("datAddyLast"), Qt::LeftButton);
    QCOMPARE(fieldText(2), QStringLiteral("Young"));
    QTest::mouseClick(control<QWidget>("datAddyNext"), Qt::LeftButton);
    QCOMPARE(fieldText(2), QStringLiteral("Young"));
    QTest::mouseClick(control<QWidget>("datAddyFirst"), Qt::LeftButton);
    QTest::mouseClick(control<QWidget>("datAddyPrevious"), Qt::LeftButton);
    QCOMPARE(fieldText(2), QStringLiteral("adams"));
    QVERIFY(messages_->messages.isEmpty());
}

void TstFrmAddy::addTypeUpdateStoresOneRowStampedToday() {
    book_->insertLastNames({"Baker"});
    open();
    click("cmdAdd");
    QCOMPARE(fieldText(2), QString());
    typeInto("Text1", "Ann");
    typeInto("Text2", "Young");
    typeInto("Text9", "1 Lane");
    QTest::keyClick(control("Text9"), Qt::Key_Return);
    QTest::keyClicks(control("Text9"), "Town");
    click("cmdUpdate");
    // The tests run in the C locale (LC_ALL), whose short date is "7 Dec 2026".
    const QString today = QLocale::c().toString(QDate::currentDate(), QStringLiteral("d MMM yyyy"));
    QCOMPARE(book_->count(), 2);
    QCOMPARE(book_->value("select [Last Update] from Rolvane where [Last Name] = 'Young'"), today);
    QCOMPARE(book_->value("select Addy from Rolvane where [Last Name] = 'Young'"),
             QStringLiteral("1 Lane\nTown"));
    QCOMPARE(fieldText(2), QStringLiteral("Baker")); // the first row of the result
}

void TstFrmAddy::updateTwiceOnOneDayWritesTheSameStamp() {
    book_->insert({{"Last Name", "Baker"}, {"Last Update", "old"}});
    open();
    click("cmdUpdate");
    const QString first = book_->value("select [Last Update] from Rolvane");
    QVERIFY(first != QStringLiteral("old") && !first.isEmpty());
    QCOMPARE(fieldText(11), first);
    click("cmdUpdate");
    QCOMPARE(book_->value("select [Last Update] from Rolvane"), first);
    QCOMPARE(book_->count(), 1);
}

void TstFrmAddy::letterQueryStaysInForceAcrossUpdateAndDelete() {
    book_->insertLastNames({"Adams", "Baker", "Bond", "brown", "", "1st"});
    open();
    click("cmdB");
    QCOMPARE(fieldText(2), QStringLiteral("Baker"));
    // Renamed to another letter, the row leaves the result after Update.
    control<QLineEdit>("Text2")->selectAll();
    typeInto("Text2", "Cole");
    click("cmdUpdate");
    QCOMPARE(fieldText(2), QStringLiteral("Bond"));
    click("cmdDelete");
    QCOMPARE(fieldText(2), QStringLiteral("brown"));
    QCOMPARE(book_->count(), 5);
    click("cmdB");
    click("cmdB"); // twice: back to the first row each time
    QCOMPARE(fieldText(2), QStringLiteral("brown"));
    click("cmdQ");
    QCOMPARE(fieldText(2), QString());
    click("cmdC");
    QCOMPARE(fieldText(2), QStringLiteral("Cole"));
    for (const char* letter : {"cmdA", "cmdB", "cmdC"}) {
        click(letter);
        QVERIFY(!fieldText(2).isEmpty());
    }
    QVERIFY(messages_->messages.isEmpty());
}

void TstFrmAddy::deleteOfTheOnlyRowEmptiesTheFields() {
    book_->insert({{"First Name", "Solo"}, {"Last Name", "Only"}});
    open();
    click("cmdDelete");
    QCOMPARE(book_->count(), 0);
    for (int i = 1; i <= 11; ++i)
        QCOMPARE(fieldText(i), QString());
}

void TstFrmAddy::commandsOnAnEmptyResultReportAndChangeNothing() {
    book_->insertLastNames({"Adams"});
    open();
    click("cmdQ");
    click("cmdDelete");
    click("cmdUpdate");
    QCOMPARE(messages_->messages.size(), 2);
    QCOMPARE(book_->count(), 1);
    // Delete while a new row is pending deletes no stored row.
    click("cmdA");
    click("cmdAdd");
    typeInto("Text2", "Pending");
    click("cmdDelete");
    QCOMPARE(book_->count(), 1);
    QCOMPARE(fieldText(2), QStringLiteral("Adams"));
    // Add twice, or Add then a letter, stores no empty row.
    click("cmdAdd");
    click("cmdAdd");
    click("cmdB");
    QCOMPARE(book_->count(), 1);
}

void TstFrmAddy::accessKeysActAsClicks() {
    book_->insertLastNames({"Adams", "Baker"});
    open();
    QWidget* focus = QApplication::focusWidget();
    for (int press = 0; press < 2; ++press) { // every press, not every other one
        QTest::keyClick(focus, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(app::frmAddy().datAddy().isAdding());
        QTest::mouseClick(control<QWidget>("datAddyFirst"), Qt::LeftButton);
        QVERIFY(!app::frmAddy().datAddy().isAdding());
    }
    QVERIFY(!app::hasFrmAbout());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(book_->count(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
    QTRY_VERIFY(!book_->value("select [Last Update] from Rolvane").isEmpty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(app::hasFrmSearch() && app::frmSearch().isVisible());
    app::frmSearch().Unload();
    app::frmAddy().window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(ends_, 1);
    // The letters have no access key.
    QVERIFY(!control<QPushButton>("cmdB")->text().contains('&'));
}

void TstFrmAddy::enterAndEscInFieldsTriggerNothing() {
    book_->insertLastNames({"Adams"});
    open();
    QTest::keyClick(control("Text2"), Qt::Key_Return);
    QTest::keyClick(control("Text2"), Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(!app::frmAddy().datAddy().isAdding());
    QCOMPARE(ends_, 0);
    QVERIFY(!app::hasFrmSearch());
    QCOMPARE(book_->count(), 1);
    typeInto("Text10", "one");
    QTest::keyClick(control("Text10"), Qt::Key_Return);
    QTest::keyClicks(control("Text10"), "two");
    QCOMPARE(fieldText(10), QStringLiteral("one\ntwo"));
}

void TstFrmAddy::stampFieldIsLocked() {
    book_->insert({{"Last Name", "Adams"}, {"Last Update", "1/2/03"}});
    open();
    auto* stamp = control<QLineEdit>("Text11");
    QVERIFY(stamp->focusPolicy() & Qt::TabFocus);
    stamp->setFocus();
    QTest::keyClicks(stamp, "typed");
    QTest::keyClick(stamp, Qt::Key_Backspace);
    QCOMPARE(stamp->text(), QStringLiteral("1/2/03"));
}

void TstFrmAddy::closingThroughTheFrameWritesEditsAndEnds() {
    book_->insertLastNames({"Adams"});
    open();
    app::frmAbout().Show();
    typeInto("Text1", "Kept");
    app::frmAddy().window()->close();
    QCOMPARE(ends_, 1);
    QCOMPARE(book_->value("select [First Name] from Rolvane"), QStringLiteral("Kept"));
    QVERIFY(!app::frmAbout().isVisible());
}

void TstFrmAddy::dialogsAreSingleInstances() {
    open();
    click("cmdSearch");
    auto* search = &app::frmSearch();
    QWidget* first = search->window();
    click("cmdSearch");
    QCOMPARE(&app::frmSearch(), search);
    QCOMPARE(search->window(), first);
    search->Unload();
    click("cmdSearch");
    QVERIFY(search->window() != first); // loaded anew
    app::frmAddy().About_Click();
    QWidget* about = app::frmAbout().window();
    app::frmAddy().About_Click();
    QCOMPARE(app::frmAbout().window(), about);
    // End with both dialogs loaded ends everything at once, writing nothing.
    typeInto("Text1", "Dropped");
    click("cmdEnd");
    QCOMPARE(ends_, 1);
    QVERIFY(!app::frmAddy().isVisible() && !search->isVisible() && !app::frmAbout().isVisible());
    QCOMPARE(book_->count(), 0);
}

void TstFrmAddy::missingBookOpensEmptyWithAMessage() {
    const QString missing = book_->folder() + QStringLiteral("/nowhere/addy.mdb");
    app::releaseForms();
    app::setDatabasePath(missing);
    open();
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY(messages_->messages[0].contains(missing));
    QCOMPARE(fieldText(2), QString());
    click("cmdB"); // the program goes on
    QVERIFY(app::frmAddy().isVisible());
    QVERIFY(!QFile::exists(missing));
}

void TstFrmAddy::closingKeepsTheWindowWhenEditsCannotBeWritten() {
    book_->insertLastNames({"Adams"});
    open();
    sqlite3* other = nullptr;
    sqlite3_open(book_->path().toUtf8().constData(), &other);
    QCOMPARE(sqlite3_exec(other, "begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    typeInto("Text1", "Typed");
    app::frmAddy().window()->close();
    QCOMPARE(ends_, 0);
    QVERIFY(app::frmAddy().isVisible());
    QCOMPARE(fieldText(1), QStringLiteral("Typed"));
    QCOMPARE(messages_->messages.size(), 1);
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    app::frmAddy().window()->close();
    QCOMPARE(ends_, 1);
    QCOMPARE(book_->value("select [First Name] from Rolvane"), QStringLiteral("Typed"));
}

QTEST_MAIN(TstFrmAddy)
#include "tst_frm_addy.moc"
