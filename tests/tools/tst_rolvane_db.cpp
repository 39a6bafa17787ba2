// SPDX-License-Identifier: GPL-3.0-or-later
// The set-up tool as a user runs it: the built program in a temporary folder, its exit code, its
// output, and the file it leaves, read back through plain SQLite.
#include "data/name_collation.h"
#include "support/test_book.h"
#include "support/test_source.h"
#include "support/tool_run.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using rolvane::test::fileBytes;
using rolvane::test::runTool;
using rolvane::test::TestBook;
using Run = rolvane::test::ToolRun;

namespace {

// Every row, every column, in rowid order: equal books give equal digests.
QByteArray contentDigest(const TestBook& book) {
    return QCryptographicHash::hash(
               book.value(QStringLiteral(
                              "select group_concat(quote([First Name]) || quote([Last Name]) || "
                              "quote(Ph1) || quote(Ph2) || quote(Ph3) || quote(Email) || "
                              "quote(Bus) || quote(Fax) || quote(Addy) || quote(Comments) || "
                              "quote([Last Update]), char(10)) "
                              "from (select * from Rolvane order by rowid)"))
                   .toUtf8(),
               QCryptographicHash::Sha256)
        .toHex();
}

} // namespace

class TstRolvaneDb : public QObject {
    Q_OBJECT
private slots:
    void createMakesTableColumnsAndIndex();
    void sampleHoldsTheUnusualNames();
    void existingFileIsRefusedUnchanged_data();
    void existingFileIsRefusedUnchanged();
    void missingFoldersAreCreated();
    void generateGivesNVariedRows();
    void generateIsDeterministic();
    void datesTakeTheProgramsForm_data();
    void datesTakeTheProgramsForm();
    void readableWithoutTheCollation_data();
    void readableWithoutTheCollation();
    void checkSaysOkOrWhatIsWrong_data();
    void checkSaysOkOrWhatIsWrong();
    void helpAndBadArguments_data();
    void helpAndBadArguments();
    void versionIsTheProjects_data();
    void versionIsTheProjects();
};

void TstRolvaneDb::createMakesTableColumnsAndIndex() {
    TestBook book(false);
    const Run run = runTool({QStringLiteral("create"), QStringLiteral("--file"), book.path()});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains(book.path()));

    QCOMPARE(book.count(), 0);
    QCOMPARE(
        book.value(QStringLiteral("select group_concat(name, '|') from "
                                  "(select name from pragma_table_info('Rolvane') order by cid)")),
        QStringLiteral("First Name|Last Name|Ph1|Ph2|Ph3|Email|Bus|Fax|Addy|Comments|"
                       "Last Update"));
    QCOMPARE(book.value(QStringLiteral("select count(*) from pragma_table_info('Rolvane') "
                                       "where upper(type) = 'TEXT'")),
             QStringLiteral("11"));
    // NOCASE on every column: each compares equal to its upper-case self.
    book.exec(QStringLiteral("insert into Rolvane values ('ann', 'lee', 'a', 'b', 'c', 'd', 'e', "
                             "'f', 'g', 'h', 'i')"));
    QCOMPARE(book.count(QStringLiteral("[First Name] = 'ANN' and [Last Name] = 'LEE' and "
                                       "Ph1 = 'A' and Ph2 = 'B' and Ph3 = 'C' and Email = 'D' and "
                                       "Bus = 'E' and Fax = 'F' and Addy = 'G' and "
                                       "Comments = 'H' and [Last Update] = 'I'")),
             1);
    QCOMPARE(
        book.value(QStringLiteral("select group_concat(ii.name) from pragma_index_list('Rolvane') "
                                  "il, pragma_index_info(il.name) ii")),
        QStringLiteral("Last Name"));
    QCOMPARE(book.value(QStringLiteral("pragma journal_mode")), QStringLiteral("wal"));
    // The index is in the book's collation, whose version the book records.
    QCOMPARE(book.value(QStringLiteral("select coll from pragma_index_xinfo('Rolvane by Last "
                                       "Name') where name = 'Last Name'")),
             QStringLiteral("rolvane_text"));
    QCOMPARE(book.value(QStringLiteral("pragma user_version")), QStringLiteral("2"));
    // Every contact has an identity that is never reused, kept by triggers.
    QCOMPARE(
        book.value(QStringLiteral("select count(*) from sqlite_schema where type = 'trigger'")),
        QStringLiteral("4"));
    QCOMPARE(book.value(QStringLiteral("select Version from [Rolvane Collation]")),
             QString::fromStdString(rolvane::collation::collatorVersion()));
    // Nothing but the book is left in the folder.
    QCOMPARE(QDir(book.folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("addy.mdb")});
}

void TstRolvaneDb::sampleHoldsTheUnusualNames() {
    TestBook book(false);
    const Run run = runTool({QStringLiteral("create"), QStringLiteral("--sample"),
                             QStringLiteral("--file"), book.path()});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(runTool({QStringLiteral("--help")})
                .out.contains(QStringLiteral(" %1 made-up").arg(book.count())));
    // Ø is listed under O, as the sample's comment says.
    rolvane::test::Source s(book.path());
    s.rs.setRecordSource(rolvane::fromView(rolvane::query::kLetters[14]));
    QVERIFY(s.rs.Refresh() && s.walk().contains(QStringLiteral("Ødegård")));
    QCOMPARE(book.count(QStringLiteral("[Last Name] = 'Ødegård' and Comments like '%under O%'")),
             1);
    // GLOB is case-sensitive where the columns' NOCASE is not.
    QVERIFY(book.count(QStringLiteral("[Last Name] glob '[a-z]*'")) >= 1);
    QVERIFY(book.count(QStringLiteral("[Last Name] = '' and [First Name] <> ''")) >= 1);
    QVERIFY(book.count(QStringLiteral("[Last Name] glob '[0-9]*'")) >= 1);
    QVERIFY(book.count(QStringLiteral("[Last Name] like '%''%'")) >= 1);
    // More bytes than characters: some text beyond ASCII, in a name and elsewhere.
    QVERIFY(book.count(QStringLiteral("length([Last Name]) < length(cast([Last Name] as blob))")) >=
            1);
    QVERIFY(book.count(QStringLiteral("length(Addy) < length(cast(Addy as blob))")) >= 1);
    QVERIFY(book.count(QStringLiteral("instr(Addy, char(10)) > 0")) >= 5);
    QVERIFY(book.count(QStringLiteral("Comments <> ''")) >= 5);
    QVERIFY(book.count(QStringLiteral("Email like '%_@_%.%'")) >= 5);
    QVERIFY(book.count(QStringLiteral("Ph1 glob '*[0-9][0-9][0-9][0-9]'")) >= 5);
    // Two contacts share a last name, so the order among equals shows.
    QVERIFY(book.value(QStringLiteral("select max(n) from (select count(*) n from Rolvane "
                                      "where [Last Name] <> '' group by [Last Name])"))
                .toInt() >= 2);
    // No real mailbox can be reached.
    QCOMPARE(book.count(QStringLiteral("Email is not null and Email not like '%example.%'")), 0);
}

void TstRolvaneDb::existingFileIsRefusedUnchanged_data() {
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<bool>("asBook");
    QTest::newRow("create over a book") << QStringList{QStringLiteral("create")} << true;
    QTest::newRow("sample over a book")
        << QStringList{QStringLiteral("create"), QStringLiteral("--sample")} << true;
    QTest::newRow("generate over a book")
        << QStringList{QStringLiteral("generate"), QStringLiteral("20")} << true;
    QTest::newRow("create over another file") << QStringList{QStringLiteral("create")} << false;
    QTest::newRow("generate over another file")
        << QStringList{QStringLiteral("generate"), QStringLiteral("20")} << false;
}

void TstRolvaneDb::existingFileIsRefusedUnchanged() {
    QFETCH(QStringList, command);
    QFETCH(bool, asBook);
    TestBook book(asBook);
    if (asBook) {
        book.insert({{"First Name", QStringLiteral("Kept")}, {"Last Name", QStringLiteral("Row")}});
    } else {
        QFile other(book.path());
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("not an address book\n");
    }
    const QByteArray before = fileBytes(book.path());
    const QStringList entriesBefore = QDir(book.folder()).entryList(QDir::Files);

    const Run run = runTool(command + QStringList{QStringLiteral("--file"), book.path()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(book.path()), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(fileBytes(book.path()), before);
    // Not even a journal beside it: the file was never opened.
    QCOMPARE(QDir(book.folder()).entryList(QDir::Files), entriesBefore);
}

void TstRolvaneDb::missingFoldersAreCreated() {
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const Run run =
        runTool({QStringLiteral("create"), QStringLiteral("--sample")}, {}, home.path());
    QCOMPARE(run.exitCode, 0);
    const QString fixed =
        home.filePath(QStringLiteral(".local/share/Rolvane/Address Book/addy.mdb"));
    QVERIFY2(QFile::exists(fixed), qPrintable(run.out + run.err));
    QVERIFY(run.out.contains(fixed));

    // A second run finds it and leaves it.
    const Run again = runTool({QStringLiteral("create")}, {}, home.path());
    QCOMPARE(again.exitCode, 1);

    const QString nested = home.filePath(QStringLiteral("a/b c/d/book.mdb"));
    QCOMPARE(
        runTool({QStringLiteral("generate"), QStringLiteral("3"), QStringLiteral("--file"), nested})
            .exitCode,
        0);
    QVERIFY(QFile::exists(nested));
}

void TstRolvaneDb::generateGivesNVariedRows() {
    for (int n : {0, 1, 2000}) {
        TestBook book(false);
        const Run run = runTool({QStringLiteral("generate"), QString::number(n),
                                 QStringLiteral("--file"), book.path()});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(book.count(), n);
        QCOMPARE(book.value(QStringLiteral("pragma journal_mode")), QStringLiteral("wal"));
        if (n < 2000)
            continue;
        QVERIFY(book.count(QStringLiteral("[Last Name] = ''")) >= 5);
        QVERIFY(book.count(QStringLiteral("[Last Name] glob '[a-z]*'")) >= 10);
        QVERIFY(book.count(QStringLiteral("[Last Name] glob '[0-9]*'")) >= 5);
        QVERIFY(book.count(QStringLiteral("[Last Name] like '%''%'")) >= 5);
        QVERIFY(
            book.value(QStringLiteral("select count(distinct [Last Name]) from Rolvane")).toInt() >
            500);
        QVERIFY(
            book.value(QStringLiteral("select count(distinct [First Name]) from Rolvane")).toInt() >
            50);
        // Every letter of the index has contacts.
        QCOMPARE(
            book.value(QStringLiteral("select count(distinct upper(substr([Last Name], 1, 1))) "
                                      "from Rolvane where [Last Name] glob '[A-Za-z]*'")),
            QStringLiteral("26"));
        QVERIFY(book.count(QStringLiteral(
                    "Ph1 glob '([0-9][0-9][0-9]) 555-[0-9][0-9][0-9][0-9]'")) > 1900);
    }
}

void TstRolvaneDb::generateIsDeterministic() {
    TestBook first(false), second(false), smaller(false);
    QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("300"), QStringLiteral("--file"),
                      first.path()})
                 .exitCode,
             0);
    QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("300"), QStringLiteral("--file"),
                      second.path()})
                 .exitCode,
             0);
    QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("299"), QStringLiteral("--file"),
                      smaller.path()})
                 .exitCode,
             0);
    QCOMPARE(contentDigest(first), contentDigest(second));
    QVERIFY(contentDigest(first) != contentDigest(smaller));
}

// The "Last Update" texts the tool writes read as the program's own Update would write them.
void TstRolvaneDb::datesTakeTheProgramsForm_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("sampleStamp");
    QTest::addColumn<QString>("stampGlob");
    QTest::newRow("C") << "C.UTF-8"
                       << "14 Mar 2024"
                       << "[1-9]* [A-Z][a-z][a-z] 20[12][0-9]";
    QTest::newRow("en_US") << "en_US.UTF-8"
                           << "3/14/2024"
                           << "[1-9]*/[1-9]*/20[12][0-9]";
    QTest::newRow("de_DE") << "de_DE.UTF-8"
                           << "14.03.2024"
                           << "[0-3][0-9].[01][0-9].20[12][0-9]";
}

void TstRolvaneDb::datesTakeTheProgramsForm() {
    QFETCH(QString, locale);
    QFETCH(QString, sampleStamp);
    QFETCH(QString, stampGlob);
    TestBook sample(false), generated(false);
    QCOMPARE(runTool({QStringLiteral("create"), QStringLiteral("--sample"),
                      QStringLiteral("--file"), sample.path()},
                     {}, {}, {QStringLiteral("LC_ALL=") + locale})
                 .exitCode,
             0);
    QCOMPARE(sample.value(QStringLiteral("select [Last Update] from Rolvane "
                                         "where [First Name] = 'Maren'")),
             sampleStamp);
    QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("200"), QStringLiteral("--file"),
                      generated.path()},
                     {}, {}, {QStringLiteral("LC_ALL=") + locale})
                 .exitCode,
             0);
    const int stamped = generated.count(QStringLiteral("[Last Update] is not null"));
    QVERIFY(stamped > 50);
    QCOMPARE(generated.count(QStringLiteral("[Last Update] glob '%1'").arg(stampGlob)), stamped);
    QCOMPARE(sample.count(QStringLiteral("[Last Update] glob '%1'").arg(stampGlob)),
             sample.count(QStringLiteral("[Last Update] is not null")));
}

// What any SQLite tool can do with a book, without the program's collation.
void TstRolvaneDb::readableWithoutTheCollation_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("works");
    QTest::newRow("select") << "select * from Rolvane" << true;
    QTest::newRow("count") << "select count(*) from Rolvane" << true;
    QTest::newRow("where") << "select count(*) from Rolvane where [Last Name] = 'SMITH'" << true;
    QTest::newRow("order by") << "select [Last Name] from Rolvane order by [Last Name]" << true;
    QTest::newRow("like") << "select count(*) from Rolvane where [Last Name] like 'b%'" << true;
    QTest::newRow("change a phone") << "update Rolvane set Ph1 = '1' where rowid = 1" << true;
    // Whatever would change the index of names fails rather than leave it out of order.
    QTest::newRow("insert") << "insert into Rolvane ([Last Name]) values ('New')" << false;
    QTest::newRow("rename") << "update Rolvane set [Last Name] = 'Zed' where rowid = 1" << false;
    QTest::newRow("delete") << "delete from Rolvane where rowid = 2" << false;
}

void TstRolvaneDb::readableWithoutTheCollation() {
    QFETCH(QString, sql);
    QFETCH(bool, works);
    TestBook book(false);
    QCOMPARE(runTool({QStringLiteral("create"), QStringLiteral("--sample"),
                      QStringLiteral("--file"), book.path()})
                 .exitCode,
             0);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(book.path().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
             SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr);
    while (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_finalize(stmt);
    const QString error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    QCOMPARE(rc == SQLITE_OK, works);
    if (!works)
        QVERIFY2(error.contains(QLatin1String("no such collation sequence: rolvane_text")),
                 qPrintable(error));
    const Run check = runTool({QStringLiteral("check"), QStringLiteral("--file"), book.path()});
    QCOMPARE(check.out, QStringLiteral("ok\n"));
}

void TstRolvaneDb::checkSaysOkOrWhatIsWrong_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("said");
    QTest::newRow("sound") << QString() << "ok";
    QTest::newRow("index out of order") << "index"
                                        << "Rolvane by Last Name";
    QTest::newRow("not a book") << "text"
                                << "not a database";
    QTest::newRow("missing") << "missing"
                             << "not found";
    QTest::newRow("a folder") << "folder"
                              << "is a folder";
}

void TstRolvaneDb::checkSaysOkOrWhatIsWrong() {
    QFETCH(QString, damage);
    QFETCH(QString, said);
    TestBook book(false);
    if (damage == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(book.path()));
    else if (damage != QLatin1String("missing"))
        QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("50"),
                          QStringLiteral("--file"), book.path()})
                     .exitCode,
                 0);
    if (damage == QLatin1String("index")) {
        // Rows written by a tool whose collation sorts the other way round.
        sqlite3* db = nullptr;
        sqlite3_open(book.path().toUtf8().constData(), &db);
        sqlite3_create_collation(db, "rolvane_text", SQLITE_UTF8, nullptr,
                                 [](void*, int la, const void* a, int lb, const void* b) {
                                     return -rolvane::collation::compare(
                                         {static_cast<const char*>(a), size_t(la)},
                                         {static_cast<const char*>(b), size_t(lb)});
                                 });
        sqlite3_exec(db, "insert into Rolvane ([Last Name]) values ('Aa'), ('Mm'), ('Zz')", nullptr,
                     nullptr, nullptr);
        sqlite3_close(db);
    } else if (damage == QLatin1String("text")) {
        QFile::remove(book.path());
        QFile file(book.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const QByteArray before = fileBytes(book.path());
    const Run run = runTool({QStringLiteral("check"), QStringLiteral("--file"), book.path()});
    QCOMPARE(run.exitCode, damage.isEmpty() ? 0 : 1);
    QVERIFY2((damage.isEmpty() ? run.out : run.err).contains(said), qPrintable(run.out + run.err));
    QCOMPARE(fileBytes(book.path()), before); // it only reads
}

void TstRolvaneDb::helpAndBadArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0;
    QTest::newRow("create --help")
        << QStringList{QStringLiteral("create"), QStringLiteral("--help")} << 0;
    QTest::newRow("nothing") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{QStringLiteral("destroy")} << 2;
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("create"), QStringLiteral("--force")} << 2;
    QTest::newRow("--file without path")
        << QStringList{QStringLiteral("create"), QStringLiteral("--file")} << 2;
    QTest::newRow("--file twice") << QStringList{QStringLiteral("create"), QStringLiteral("--file"),
                                                 QStringLiteral("a"), QStringLiteral("--file"),
                                                 QStringLiteral("b")}
                                  << 2;
    QTest::newRow("generate without N") << QStringList{QStringLiteral("generate")} << 2;
    QTest::newRow("generate words")
        << QStringList{QStringLiteral("generate"), QStringLiteral("many")} << 2;
    QTest::newRow("generate negative")
        << QStringList{QStringLiteral("generate"), QStringLiteral("-5")} << 2;
    QTest::newRow("generate exponent")
        << QStringList{QStringLiteral("generate"), QStringLiteral("1e6")} << 2;
    QTest::newRow("generate too many")
        << QStringList{QStringLiteral("generate"), QStringLiteral("100000000000")} << 2;
    QTest::newRow("generate two counts")
        << QStringList{QStringLiteral("generate"), QStringLiteral("5"), QStringLiteral("6")} << 2;
    QTest::newRow("generate --sample")
        << QStringList{QStringLiteral("generate"), QStringLiteral("5"), QStringLiteral("--sample")}
        << 2;
}

void TstRolvaneDb::helpAndBadArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QTemporaryDir home; // a mistaken argument must not reach the fixed book either
    QVERIFY(home.isValid());
    const Run run = runTool(arguments, {}, home.path());
    QCOMPARE(run.exitCode, exitCode);
    const QString& usageStream = exitCode == 0 ? run.out : run.err;
    QVERIFY2(usageStream.contains(QStringLiteral("rolvane-db create")) &&
                 usageStream.contains(QStringLiteral("rolvane-db generate")),
             qPrintable(usageStream));
    QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList());
}

void TstRolvaneDb::versionIsTheProjects_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")};
    QTest::newRow("create --version")
        << QStringList{QStringLiteral("create"), QStringLiteral("--version")};
}

void TstRolvaneDb::versionIsTheProjects() {
    QFETCH(QStringList, arguments);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const Run run = runTool(arguments, {}, home.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("rolvane-db " PROJECT_VERSION "\n"));
    QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList());
}

QTEST_GUILESS_MAIN(TstRolvaneDb)
#include "tst_rolvane_db.moc"
