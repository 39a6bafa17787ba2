// SPDX-License-Identifier: GPL-3.0-or-later
// The search dialog driven as a user would, over a real address book: its layout, keys, the found
// and not-found paths, texts that hold quotes or wildcards, its lifecycle and engine failures.
#include "app/forms.h"
#include "data/contact_table.h"
#include "data/query_texts.h"
#include "data/text_view.h"
#include "support/layout_check.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/form_builder.h"
#include "ui/common/line_control.h"
#include "ui/main/frm_addy.h"
#include "ui/search/frm_search.h"
#include "ui/search/frm_search_layout.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace rolvane;
using test::TestBook;

namespace {

QWidget* dialog() {
    return app::frmSearch().window();
}
QLineEdit* field(int index) {
    return qobject_cast<QLineEdit*>(ui::controlArray(dialog(), "txtfields").value(index));
}
QPushButton* button(const char* name) {
    return app::frmSearch().control<QPushButton>(name);
}
QLineEdit* mainField(const char* name) {
    return app::frmAddy().control<QLineEdit>(name);
}

void openFromMainWindow() {
    QTest::mouseClick(app::frmAddy().control<QPushButton>("cmdSearch"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(dialog()));
}

// Long texts are pasted, as a user would; typing them key by key takes seconds.
void enter(QLineEdit* edit, const QString& text) {
    if (text.size() < 100)
        return QTest::keyClicks(edit, text);
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

void search(const QString& first, const QString& last) {
    openFromMainWindow();
    QTest::mouseClick(button("cmdClear"), Qt::LeftButton);
    enter(field(0), first);
    enter(field(1), last);
    QTest::mouseClick(button("cmdSearch"), Qt::LeftButton);
}

// Every last name of the main window's current result, in its order.
QStringList shownLastNames() {
    RecordSource& dat = app::frmAddy().datAddy();
    QStringList names;
    if (dat.Recordset().isEOF())
        return names;
    dat.Recordset().MoveLast();
    const size_t count = dat.keysRead();
    dat.Recordset().MoveFirst();
    for (size_t i = 0; i < count; ++i, dat.Recordset().MoveNext())
        names << mainField("Text2")->text();
    return names;
}

} // namespace

class TstFrmSearch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutFollowsTable();
    void keysFocusAndAccessKeys();
    void foundShowsOnlyMatchesByLastNameIgnoringCase();
    void notFoundSaysSoAndShowsAllContacts();
    void typedTextIsComparedAsWholeText_data();
    void typedTextIsComparedAsWholeText();
    void lifecycleKeepsTextsUntilCancel();
    void searchFieldsNeverWriteAContact();
    void engineFailureIsReportedAndTheProgramGoesOn();

private:
    // Every stored row, in rowid order, as one text.
    QString rows() const {
        QStringList columns{"quote(rowid)"};
        for (std::string_view column : kColumnNames)
            columns << QStringLiteral("quote([%1])").arg(fromView(column));
        return book_->value(QStringLiteral("select group_concat(r, char(10)) from (select %1 as r "
                                           "from Rolvane order by rowid)")
                                .arg(columns.join(QStringLiteral("||','||"))));
    }

    std::unique_ptr<TestBook> book_;
    std::unique_ptr<test::MessageRecorder> recorder_;
};

void TstFrmSearch::init() {
    book_ = std::make_unique<TestBook>();
    book_->insert({{"First Name", "John"}, {"Last Name", "Smith"}});
    book_->insert({{"First Name", "jOhN"}, {"Last Name", "Baker"}});
    book_->insert({{"First Name", "Jane"}, {"Last Name", "smith"}});
    book_->insert({{"First Name", "JOHN"}, {"Last Name", "Adams"}});
    book_->insert({{"First Name", "Johnny"}, {"Last Name", "Smithers"}});
    recorder_ = std::make_unique<test::MessageRecorder>();
    app::setEndAction([] {});
    app::setDatabasePath(book_->path());
    app::frmAddy().Show();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
}

void TstFrmSearch::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    recorder_.reset();
    book_.reset();
}

void TstFrmSearch::layoutFollowsTable() {
    openFromMainWindow();
    QWidget* window = dialog();
    QCOMPARE(window->objectName(), QStringLiteral("frmSearch"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Who are you looking for??"));
    QCOMPARE(window->size(), QSize(452, 206));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(0, 255, 0));
    QCOMPARE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
             Qt::WindowFlags());
    QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(window->frameGeometry().center(), window->screen()->availableGeometry().center());

    test::checkControls(window, ui::search::kControls);
    test::checkLines(window, ui::search::kLines);
    if (QTest::currentTestFailed())
        return;
    // Spot checks straight from the drawing, independent of the table.
    QCOMPARE(window->findChild<QLabel*>("Label1")->palette().color(QPalette::Window),
             QColor(0, 255, 0));
    QCOMPARE(field(1)->palette().color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(field(1)->font().pointSizeF(), 12.0);
    QCOMPARE(button("cmdCancel")->font(), QApplication::font(button("cmdCancel")));
    QCOMPARE(ui::controlArray(window, "txtfields").size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(field(i)->text(), QString());
        QCOMPARE(field(i)->property("DataSource").toString(), QStringLiteral("frmAddy.datAddy"));
    }
    auto* line = window->findChild<ui::LineControl*>("Line1");
    QCOMPARE(line->line(), QLine(0, 136, 456, 136));
    QCOMPARE(line->thickness(), 5);
}

void TstFrmSearch::keysFocusAndAccessKeys() {
    openFromMainWindow();
    // Focus starts in the First Name field and Tab follows the tab indices.
    QCOMPARE(QApplication::focusWidget(), field(0));
    for (QWidget* next :
         {static_cast<QWidget*>(field(1)), static_cast<QWidget*>(button("cmdSearch")),
          static_cast<QWidget*>(button("cmdCancel")), static_cast<QWidget*>(button("cmdClear"))}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    // Enter in a field does not search and Esc does not cancel.
    const QString before = app::frmAddy().datAddy().recordSource();
    QTest::keyClicks(field(1), "Nobody");
    QTest::keyClick(field(1), Qt::Key_Return);
    QTest::keyClick(field(1), Qt::Key_Enter);
    QTest::keyClick(field(0), Qt::Key_Escape);
    QTest::keyClick(button("cmdClear"), Qt::Key_Escape);
    QVERIFY(app::frmSearch().isVisible());
    QCOMPARE(app::frmAddy().datAddy().recordSource(), before);
    QCOMPARE(recorder_->messages, QStringList());

    // An access key clicks its button a moment after the press.
    QTest::keyClick(dialog(), Qt::Key_L, Qt::AltModifier);
    QTRY_COMPARE(field(1)->text(), QString());
    QTest::keyClicks(field(1), "Adams");
    QTest::keyClick(dialog(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!app::frmSearch().isVisible());
    QCOMPARE(mainField("Text2")->text(), QStringLiteral("Adams"));

    openFromMainWindow();
    QTest::keyClick(dialog(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!app::frmSearch().isLoaded());
}

void TstFrmSearch::foundShowsOnlyMatchesByLastNameIgnoringCase() {
    search("john", "");
    QVERIFY(!app::frmSearch().isVisible());
    QVERIFY(app::frmAddy().isVisible());
    QCOMPARE(app::frmAddy().datAddy().recordSource(),
             QStringLiteral("select * from Rolvane where  [First Name] = 'john' order by [Last "
                            "Name];"));
    // The first match is shown, then the rest in last-name order; "Johnny" is not "john".
    QCOMPARE(mainField("Text1")->text(), QStringLiteral("JOHN"));
    QCOMPARE(shownLastNames(), QStringList({"Adams", "Baker", "Smith"}));

    search("JOHN", "SMITH");
    QCOMPARE(shownLastNames(), QStringList({"Smith"}));
    QCOMPARE(mainField("Text1")->text(), QStringLiteral("John"));

    // Both fields empty: every contact, in the engine's own order.
    search("", "");
    QCOMPARE(app::frmAddy().datAddy().recordSource(), QStringLiteral("select * from Rolvane;"));
    QCOMPARE(shownLastNames().size(), 5);
    QCOMPARE(recorder_->messages, QStringList());
}

void TstFrmSearch::notFoundSaysSoAndShowsAllContacts() {
    // The main window shows another query before the search; afterwards it shows all contacts.
    app::frmAddy().cmdS_Click();
    search("", "Smit");
    QCOMPARE(recorder_->messages, QStringList({"Sorry, not found!"}));
    QVERIFY(app::frmSearch().isLoaded());
    QVERIFY(!app::frmSearch().isVisible());
    QCOMPARE(app::frmAddy().datAddy().recordSource(), fromView(query::kInitial));
    QCOMPARE(mainField("Text2")->text(), QStringLiteral("Adams"));
    QCOMPARE(shownLastNames().size(), 5);

    // With no contacts at all, even the empty search finds nothing.
    book_->exec("delete from Rolvane");
    search("", "");
    QCOMPARE(recorder_->messages.size(), 2);
    QCOMPARE(recorder_->messages.last(), QStringLiteral("Sorry, not found!"));
}

// Texts that would change or widen the query if they were not kept whole inside the literal.
QStringList badTexts() {
    return {"O'Brien", "' or ''='", "x'; drop table Rolvane; --",
            "*",       "%",         "_",
            "[A]",     "   ",       QStringLiteral("O'Brien ").repeated(1250)};
}

void TstFrmSearch::typedTextIsComparedAsWholeText_data() {
    QTest::addColumn<QString>("typed");
    for (const QString& typed : badTexts())
        QTest::newRow(qPrintable(typed.left(30))) << typed;
}

void TstFrmSearch::typedTextIsComparedAsWholeText() {
    QFETCH(QString, typed);
    // Each bad text is stored once, beside the texts it would match if it were not whole.
    const QStringList names =
        badTexts() +
        QStringList{"OBrien", "O''Brien", "x", "A", "a", " ", "", badTexts().last().chopped(1)};
    for (const QString& name : names)
        book_->insert({{"First Name", name}, {"Last Name", name}});
    const QString before = rows();

    search(typed, typed);
    QCOMPARE(recorder_->messages, QStringList());
    QCOMPARE(mainField("Text1")->text(), typed);
    QCOMPARE(shownLastNames(), QStringList({typed}));
    QCOMPARE(rows(), before);
}

void TstFrmSearch::lifecycleKeepsTextsUntilCancel() {
    // The fields start empty, whichever contact the main window shows.
    openFromMainWindow();
    QCOMPARE(mainField("Text2")->text(), QStringLiteral("Adams"));
    QCOMPARE(field(0)->text(), QString());
    QCOMPARE(field(1)->text(), QString());
    QWidget* first = dialog();

    QTest::keyClicks(field(1), "Baker");
    QTest::mouseClick(button("cmdSearch"), Qt::LeftButton);
    openFromMainWindow();
    QCOMPARE(dialog(), first);
    QCOMPARE(field(1)->text(), QStringLiteral("Baker"));
    // Moving in the main window leaves the dialog's texts alone.
    app::frmAddy().datAddy().Recordset().MoveLast();
    QCOMPARE(field(1)->text(), QStringLiteral("Baker"));

    const QString query = app::frmAddy().datAddy().recordSource();
    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
    QVERIFY(!app::frmSearch().isLoaded());
    QCOMPARE(app::frmAddy().datAddy().recordSource(), query);

    openFromMainWindow();
    QCOMPARE(field(1)->text(), QString());
    QTest::keyClicks(field(0), "Jane");
    dialog()->close(); // through the frame: as Cancel
    QVERIFY(!app::frmSearch().isLoaded());
    QCOMPARE(app::frmAddy().datAddy().recordSource(), query);
    openFromMainWindow();
    QCOMPARE(field(0)->text(), QString());
}

void TstFrmSearch::searchFieldsNeverWriteAContact() {
    const QString before = rows();
    openFromMainWindow();
    QTest::keyClicks(field(0), "Overwritten");
    QTest::keyClicks(field(1), "Overwritten");
    QVERIFY(!app::frmAddy().datAddy().hasPendingEdits());
    QTest::mouseClick(button("cmdClear"), Qt::LeftButton);
    QCOMPARE(field(0)->text(), QString());
    QCOMPARE(field(1)->text(), QString());
    QTest::keyClicks(field(1), "X");
    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
    search("John", "");
    app::frmAddy().datAddy().Recordset().MoveNext();
    search("", "Nobody");
    search("Jane", "smith");
    app::frmAddy().datAddy().Refresh();
    QCOMPARE(rows(), before);
}

void TstFrmSearch::engineFailureIsReportedAndTheProgramGoesOn() {
    const QString before = rows();
    book_->exec("alter table Rolvane rename to Elsewhere");
    search("", "Smith");
    // The record source's own report, and the command stops: no "Sorry, not found!".
    QVERIFY(!recorder_->messages.isEmpty());
    QVERIFY(recorder_->messages.first().contains("Rolvane"));
    QCOMPARE(recorder_->messages, recorder_->messages.mid(0, 1));
    QCOMPARE(field(1)->text(), QStringLiteral("Smith"));

    book_->exec("alter table Elsewhere rename to Rolvane");
    search("", "Smith");
    QVERIFY(!app::frmSearch().isVisible());
    QCOMPARE(shownLastNames().join(',').toLower(), QStringLiteral("smith,smith"));
    QCOMPARE(rows(), before);
}

QTEST_MAIN(TstFrmSearch)
#include "tst_frm_search.moc"
