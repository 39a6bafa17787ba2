// SPDX-License-Identifier: GPL-3.0-or-later
// The main window for a screen reader and a keyboard alone: the names that assistive technology
// reads for fields and buttons, and the keys that move between contacts from any control.
#include "app/forms.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/fonts.h"
#include "ui/main/frm_addy.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace rolvane;

class TstFrmAddyAccess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::useProgramFonts(); }
    void init();
    void cleanup();
    void screenReaderNames_data();
    void screenReaderNames();
    void pageKeysMoveFromAnyControl_data();
    void pageKeysMoveFromAnyControl();
    void multiLineFieldsKeepTheirPageKeys_data();
    void multiLineFieldsKeepTheirPageKeys();
    void aKeyWritesTypedTextBeforeMoving();
    void eachLetterButtonRunsItsLettersQuery();

private:
    QWidget* open();
    template <class T = QWidget> T* control(const char* name) {
        return app::frmAddy().control<T>(name);
    }
    QString lastName() { return control<QLineEdit>("Text2")->text(); }

    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstFrmAddyAccess::init() {
    book_ = std::make_unique<test::TestBook>();
    book_->insertLastNames({QStringLiteral("Adams"), QStringLiteral("Brown"),
                            QStringLiteral("Clark"), QStringLiteral("Davis")});
    messages_ = std::make_unique<test::MessageRecorder>();
    app::setDatabasePath(book_->path());
    app::setEndAction([] {});
}

void TstFrmAddyAccess::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.join(u'\n')));
    messages_.reset();
    book_.reset();
}

QWidget* TstFrmAddyAccess::open() {
    app::frmAddy().Show();
    QWidget* window = app::frmAddy().window();
    [&] { QVERIFY(QTest::qWaitForWindowActive(window)); }();
    return window;
}

void TstFrmAddyAccess::screenReaderNames_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");
    const auto row = [](const char* control, const char* name, QAccessible::Role role) {
        QTest::newRow(control) << QString::fromLatin1(control) << QString::fromLatin1(name) << role;
    };
    const QAccessible::Role edit = QAccessible::EditableText;
    row("Text1", "First Name", edit);
    row("Text2", "Last Name", edit);
    row("Text3", "Phone Numbers 1", edit);
    row("Text4", "Phone Numbers 2", edit);
    row("Text5", "Phone Numbers 3", edit);
    row("Text6", "E-mail", edit);
    row("Text7", "Business Phone Number", edit);
    row("Text8", "Fax", edit);
    row("Text9", "Address", edit);
    row("Text10", "Comments", edit);
    row("Text11", "Record Last Updated", edit);
    row("cmdA", "Last names starting with A", QAccessible::Button);
    row("cmdM", "Last names starting with M", QAccessible::Button);
    row("cmdZ", "Last names starting with Z", QAccessible::Button);
    row("datAddyFirst", "First contact", QAccessible::Button);
    row("datAddyPrevious", "Previous contact", QAccessible::Button);
    row("datAddyNext", "Next contact", QAccessible::Button);
    row("datAddyLast", "Last contact", QAccessible::Button);
    // Named controls keep their own words.
    row("cmdAdd", "Add", QAccessible::Button);
}

void TstFrmAddyAccess::screenReaderNames() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);
    QWidget* window = open();
    QWidget* widget = window->findChild<QWidget*>(control);
    QVERIFY(widget);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(face);
    QCOMPARE(face->text(QAccessible::Name), name);
    QCOMPARE(face->role(), role);
}

void TstFrmAddyAccess::pageKeysMoveFromAnyControl_data() {
    QTest::addColumn<QString>("focus");
    for (const char* focus : {"Text1", "Text2", "Text7", "Text11", "cmdUpdate", "cmdK"})
        QTest::newRow(focus) << QString::fromLatin1(focus);
}

void TstFrmAddyAccess::pageKeysMoveFromAnyControl() {
    QFETCH(QString, focus);
    QWidget* window = open();
    QWidget* widget = window->findChild<QWidget*>(focus);
    widget->setFocus();
    QTRY_VERIFY(widget->hasFocus());
    QCOMPARE(lastName(), QStringLiteral("Adams"));

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* shows;
    };
    const Step steps[] = {{Qt::Key_PageDown, Qt::NoModifier, "Brown"},
                          {Qt::Key_PageDown, Qt::NoModifier, "Clark"},
                          {Qt::Key_PageUp, Qt::NoModifier, "Brown"},
                          {Qt::Key_PageDown, Qt::ControlModifier, "Davis"},
                          {Qt::Key_PageUp, Qt::ControlModifier, "Adams"}};
    for (const Step& step : steps) {
        QTest::keyClick(widget, step.key, step.modifiers);
        QCOMPARE(lastName(), QString::fromLatin1(step.shows));
        QVERIFY(widget->hasFocus()); // the bar's buttons never take it
    }
}

void TstFrmAddyAccess::multiLineFieldsKeepTheirPageKeys_data() {
    QTest::addColumn<QString>("field");
    QTest::newRow("Address") << QStringLiteral("Text9");
    QTest::newRow("Comments") << QStringLiteral("Text10");
}

void TstFrmAddyAccess::multiLineFieldsKeepTheirPageKeys() {
    QFETCH(QString, field);
    QWidget* window = open();
    auto* edit = window->findChild<QPlainTextEdit*>(field);
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    for (int line = 1; line <= 12; ++line) {
        QTest::keyClicks(edit, QStringLiteral("line %1").arg(line));
        QTest::keyClick(edit, Qt::Key_Return);
    }
    edit->moveCursor(QTextCursor::Start);
    const int before = edit->textCursor().blockNumber();

    // Page Down pages through the field's own text; the contact stays.
    QTest::keyClick(edit, Qt::Key_PageDown);
    QCOMPARE(lastName(), QStringLiteral("Adams"));
    QVERIFY(edit->textCursor().blockNumber() > before);
    QTest::keyClick(edit, Qt::Key_PageUp);
    QCOMPARE(lastName(), QStringLiteral("Adams"));
    QCOMPARE(edit->textCursor().blockNumber(), before);

    // Ctrl+Page Down is no key of the field's: it reaches the last contact, writing the typed
    // text to Adams first.
    QTest::keyClick(edit, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(lastName(), QStringLiteral("Davis"));
    const QString column =
        field == QLatin1String("Text9") ? QStringLiteral("Addy") : QStringLiteral("Comments");
    QVERIFY(
        book_
            ->value(
                QStringLiteral("select [%1] from Rolvane where [Last Name] = 'Adams'").arg(column))
            .startsWith(QStringLiteral("line 1\nline 2\n")));
}

void TstFrmAddyAccess::aKeyWritesTypedTextBeforeMoving() {
    QWidget* window = open();
    auto* first = window->findChild<QLineEdit*>(QStringLiteral("Text1"));
    first->setFocus();
    QTRY_VERIFY(first->hasFocus());
    QTest::keyClicks(first, QStringLiteral("Ann"));
    QTest::keyClick(first, Qt::Key_PageDown);
    QCOMPARE(lastName(), QStringLiteral("Brown"));
    QCOMPARE(book_->value(QStringLiteral("select [First Name] from Rolvane where [Last Name] = "
                                         "'Adams'")),
             QStringLiteral("Ann"));
}

void TstFrmAddyAccess::eachLetterButtonRunsItsLettersQuery() {
    open();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const QByteArray name = QByteArray("cmd") + letter;
        QTest::mouseClick(control<QPushButton>(name.constData()), Qt::LeftButton);
        QCOMPARE(app::frmAddy().datAddy().recordSource(),
                 QStringLiteral("select * from Rolvane where [Last Name] like '%1*' order by "
                                "[Last Name];")
                     .arg(QLatin1Char(letter)));
    }
    QCOMPARE(lastName(), QString()); // Z: nobody
}

QTEST_MAIN(TstFrmAddyAccess)
#include "tst_frm_addy_access.moc"
