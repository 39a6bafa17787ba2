// SPDX-License-Identifier: GPL-3.0-or-later
// Where a link's password is kept (by book, origin and user), and what the user is told when none
// is. CTest runs this a second time inside its own session bus with a headless GNOME Keyring
// (ROLVANE_REAL_KEYRING set), where the keyring's cases and the password prompt are not skipped.
// GLib's headers come before Qt's, whose "signals" keyword they use as a name.
#ifdef ROLVANE_HAVE_LIBSECRET
#include <libsecret/secret.h>
#endif

#include "carddav/keyring.h"
#include "carddav/password_command.h"
#include "carddav/sync_store.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace rolvane::carddav;

namespace {

const QString kAnn = QStringLiteral("ann");
const QUrl kDav(QStringLiteral("https://dav.example.org/ann/"));

// Writes `book` (so that it has a canonical path) under `dir`; its path.
QString touch(const QTemporaryDir& dir, const QString& book) {
    QFile file(dir.filePath(book));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the test's book");
    return file.fileName();
}

} // namespace

class TstCarddavKeyring : public QObject {
    Q_OBJECT

    static bool realKeyring() { return !qEnvironmentVariableIsEmpty("ROLVANE_REAL_KEYRING"); }

    QTemporaryDir dir_;

private slots:
    void init() {
        if (!realKeyring())
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/rolvane-bus");
        QVERIFY(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
    }
    void cleanup() { QDir(dir_.filePath(QStringLiteral("config"))).removeRecursively(); }

    void origin_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("key");
        QTest::newRow("https default port") << "https://DAV.Example.org/books/"
                                            << "https://dav.example.org:443";
        QTest::newRow("https port written") << "https://dav.example.org:443/x"
                                            << "https://dav.example.org:443";
        QTest::newRow("http default port") << "http://127.0.0.1/"
                                           << "http://127.0.0.1:80";
        QTest::newRow("own port") << "http://127.0.0.1:5232/ann/"
                                  << "http://127.0.0.1:5232";
        QTest::newRow("scheme case") << "HTTPS://dav.example.org/"
                                     << "https://dav.example.org:443";
    }
    void origin() {
        QFETCH(QString, url);
        QFETCH(QString, key);
        QCOMPARE(keyringOrigin(QUrl(url)), key);
    }

    // Two books linked to one account with their own commands, and an entry of the earlier form
    // (origin and user only) that served any book linked to old.example.org as ann.
    void commandIsKeptPerBook_data() {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password"); // empty: none, and `why` contains `told`
        QTest::addColumn<QString>("told");
        struct Row {
            const char *name, *book, *url, *user, *password, *told;
        };
        const char* dav = "https://dav.example.org/ann/";
        const char* old = "https://old.example.org/ann/";
        const char* kept = "kept for ann at https://dav.example.org:443";
        const Row rows[] = {
            {"first book", "a.mdb", dav, "ann", "pw-one", ""},
            {"second book, same account", "b.mdb", dav, "ann", "pw-two", ""},
            {"other spellings of both", "sub/../a.mdb", "https://DAV.example.org:443/x/", "ann",
             "pw-one", ""},
            {"address changed in the book", "a.mdb", "https://evil.example.net/ann/", "ann", "",
             "kept for ann at https://dav.example.org:443: it is not sent anywhere else"},
            {"port changed in the book", "b.mdb", "https://dav.example.org:8443/", "ann", "", kept},
            {"user changed in the book", "a.mdb", dav, "bob", "", kept},
            {"earlier form carried over", "c.mdb", old, "ann", "pw-old", ""},
            {"earlier form, other user", "c.mdb", old, "bob", "", ""},
            {"earlier form, other origin", "c.mdb", dav, "ann", "", ""},
            {"no user, no password", "a.mdb", dav, "", "", ""},
        };
        for (const Row& r : rows)
            QTest::newRow(r.name) << QString::fromUtf8(r.book) << QString::fromUtf8(r.url)
                                  << QString::fromUtf8(r.user) << QString::fromUtf8(r.password)
                                  << QString::fromUtf8(r.told);
    }
    void commandIsKeptPerBook() {
        QFETCH(QString, book);
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, told);
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("sub")));
        const QString a = touch(dir_, QStringLiteral("a.mdb"));
        const QString b = touch(dir_, QStringLiteral("b.mdb"));
        touch(dir_, QStringLiteral("c.mdb"));
        QCOMPARE(storePasswordCommand(passwordKey(a, kDav, kAnn), QStringLiteral("echo pw-one")),
                 QString());
        QCOMPARE(storePasswordCommand(passwordKey(b, kDav, kAnn), QStringLiteral("echo pw-two")),
                 QString());
        QFile file(passwordCommandsFile());
        QVERIFY(file.open(QIODevice::Append));
        file.write("https%3A%2F%2Fold.example.org ann\techo pw-old\n");
        file.close();

        QString why;
        const std::optional<QString> got = keptPassword(dir_.filePath(book), QUrl(url), user, why);
        QCOMPARE(got.value_or(QString()), password);
        QCOMPARE(got.has_value(), !password.isEmpty() || user.isEmpty());
        QCOMPARE(why.isEmpty(), got.has_value());
        QVERIFY2(why.contains(told), qPrintable(why));
        QVERIFY(!why.contains(QLatin1String("pw-")));
    }

    // The book that first uses an entry of the earlier form gets its own copy; the shared entry
    // stays for the other books, and forgetting one book's entry leaves the others.
    void earlierFormIsCopiedAndKept() {
        const QString c = touch(dir_, QStringLiteral("c.mdb"));
        const QString d = touch(dir_, QStringLiteral("d.mdb"));
        QCOMPARE(storePasswordCommand(passwordKey(d, kDav, kAnn), QStringLiteral("echo d")),
                 QString());
        QFile file(passwordCommandsFile());
        QVERIFY(file.open(QIODevice::Append));
        file.write("https%3A%2F%2Fdav.example.org ann\techo shared\n");
        file.close();
        QString why;
        QCOMPARE(keptPassword(c, kDav, kAnn, why), QStringLiteral("shared"));
        QCOMPARE(passwordCommand(passwordKey(c, kDav, kAnn)), QStringLiteral("echo shared"));
        QCOMPARE(sharedPasswordCommand(kDav, kAnn), QStringLiteral("echo shared"));
        QCOMPARE(keptPassword(d, kDav, kAnn, why), QStringLiteral("d"));
        QCOMPARE(forgetPassword(passwordKey(c, kDav, kAnn)), QString());
        QVERIFY(!passwordCommand(passwordKey(c, kDav, kAnn)));
        QCOMPARE(passwordCommand(passwordKey(d, kDav, kAnn)), QStringLiteral("echo d"));
    }

    void storedPasswordComesBack();
    void timerFailureShowsOnTheDesktop();
    void interruptedPromptRestoresEcho_data();
    void interruptedPromptRestoresEcho();

    void noServiceIsOneClearMessage() {
        if (realKeyring())
            QSKIP("a keyring runs");
        const PasswordKey key = passwordKey(touch(dir_, QStringLiteral("a.mdb")), kDav, kAnn);
        QString why;
        QVERIFY(!keyringPassword(key, why));
        QVERIFY(why.contains(QLatin1String("--password-command")));
        QVERIFY(!why.contains(QLatin1Char('\n')));
        QCOMPARE(storeKeyringPassword(key, QStringLiteral("s3cret!")), why);
        QCOMPARE(keyringReachable(), why);
        QVERIFY(keyringAccounts(key.book).isEmpty());
    }

    // Without a keyring, `sync add` with no command stops before asking, and links nothing.
    void addWithoutKeyringFails() {
        if (realKeyring())
            QSKIP("a keyring runs");
        QTemporaryDir home;
        const QString book = home.filePath(QStringLiteral("addy.mdb"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        auto run = [&](const QStringList& args) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(ROLVANE_DB), args);
            p.write("s3cret!\n");
            p.closeWriteChannel();
            p.waitForFinished(30000);
            return std::pair{p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
        };
        QCOMPARE(run({QStringLiteral("create"), QStringLiteral("--file"), book}).first, 0);
        const auto [code, err] = run(
            {QStringLiteral("sync"), QStringLiteral("add"), QStringLiteral("http://127.0.0.1:9/"),
             QStringLiteral("--user"), QStringLiteral("ann"), QStringLiteral("--file"), book});
        QCOMPARE(code, 1);
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QVERIFY2(err.contains(QLatin1String("--password-command")), qPrintable(err));
        QVERIFY(!err.contains(QLatin1String("s3cret!")));
        const auto status =
            run({QStringLiteral("sync"), QStringLiteral("status"), QStringLiteral("--file"), book});
        QCOMPARE(status.first, 1); // not linked
    }
};

void TstCarddavKeyring::storedPasswordComesBack() {
    if (!realKeyring())
        QSKIP("needs a keyring: run by CTest under dbus-run-session");
    QCOMPARE(keyringReachable(), QString());
    const QString a = touch(dir_, QStringLiteral("ka.mdb"));
    const QString b = touch(dir_, QStringLiteral("kb.mdb"));
    const QString c = touch(dir_, QStringLiteral("kc.mdb"));
    const QUrl sameOrigin(QStringLiteral("https://DAV.example.org:443/other/"));
    QCOMPARE(storeKeyringPassword(passwordKey(a, kDav, kAnn), QStringLiteral("first")), QString());
    QCOMPARE(storeKeyringPassword(passwordKey(b, kDav, kAnn), QStringLiteral("bs")), QString());
    QCOMPARE(storeKeyringPassword(passwordKey(a, sameOrigin, kAnn), QStringLiteral("ä second")),
             QString());
    QString why;
    QCOMPARE(keptPassword(a, kDav, kAnn, why), QStringLiteral("ä second"));
    QCOMPARE(keptPassword(b, kDav, kAnn, why), QStringLiteral("bs"));
    QVERIFY(!keptPassword(a, QUrl(QStringLiteral("https://dav.example.org:8443/")), kAnn, why));
    QVERIFY2(why.contains(QLatin1String("kept for ann at https://dav.example.org:443")),
             qPrintable(why));
    QVERIFY(!why.contains(QLatin1String("second")));
    QVERIFY(!keptPassword(c, kDav, kAnn, why));
    QVERIFY2(why.contains(QLatin1String("no password for ann")), qPrintable(why));
    QCOMPARE(keyringAccounts(a), QStringList{QStringLiteral("ann at https://dav.example.org:443")});

#ifdef ROLVANE_HAVE_LIBSECRET
    // An entry of the earlier form, as it was written: the origin and the user alone.
    static const SecretSchema shared = {
        "org.rolvane.CardDAV",
        SECRET_SCHEMA_NONE,
        {{"origin", SECRET_SCHEMA_ATTRIBUTE_STRING}, {"user", SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    GError* error = nullptr;
    secret_password_store_sync(&shared, SECRET_COLLECTION_DEFAULT, "old", "shared", nullptr, &error,
                               "origin", "https://legacy.example.org:443", "user", "ann", nullptr);
    QVERIFY(!error);
    const QUrl legacy(QStringLiteral("https://legacy.example.org/ann/"));
    QCOMPARE(keptPassword(c, legacy, kAnn, why), QStringLiteral("shared"));
    QCOMPARE(keyringPassword(passwordKey(c, legacy, kAnn), why), QStringLiteral("shared"));
    QCOMPARE(sharedKeyringPassword(legacy, kAnn, why), QStringLiteral("shared"));
    QVERIFY(!keyringPassword(passwordKey(a, legacy, kAnn), why));
    forgetKeyringPassword(passwordKey(c, legacy, kAnn));
    QVERIFY(!keyringPassword(passwordKey(c, legacy, kAnn), why));
    QCOMPARE(sharedKeyringPassword(legacy, kAnn, why), QStringLiteral("shared"));

    // A sync the user did not start leaves a locked keyring locked, and says so.
    setKeyringMayUnlock(false);
    QCOMPARE(keyringPassword(passwordKey(b, kDav, kAnn), why), QStringLiteral("bs"));
    error = nullptr;
    // Locking an item locks the keyring that holds it.
    GHashTable* any = g_hash_table_new(g_str_hash, g_str_equal);
    GList* all =
        secret_service_search_sync(nullptr, nullptr, any, SECRET_SEARCH_ALL, nullptr, &error);
    g_hash_table_unref(any);
    QVERIFY(all && !error);
    QVERIFY(secret_service_lock_sync(nullptr, all, nullptr, nullptr, &error) > 0);
    g_list_free_full(all, g_object_unref);
    QVERIFY(!error);
    QVERIFY(!keptPassword(b, kDav, kAnn, why));
    QCOMPARE(why, keyringLockedWords());
    setKeyringMayUnlock(true);
#endif
}

void TstCarddavKeyring::interruptedPromptRestoresEcho_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl-C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

// A signal that ends the tool at the password prompt, where echo is off, must leave the terminal
// echoing. script(1) gives the tool a terminal; stty then shows what it was left as.
void TstCarddavKeyring::interruptedPromptRestoresEcho() {
    QFETCH(int, signal);
    if (!realKeyring())
        QSKIP("the password is asked only when a keyring runs");
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        QSKIP("script(1), which gives the tool a terminal, is not installed");
    const QString book = dir_.filePath(QStringLiteral("prompt%1.mdb").arg(signal));
    QCOMPARE(QProcess::execute(QStringLiteral(ROLVANE_DB),
                               {QStringLiteral("create"), QStringLiteral("--file"), book}),
             0);
    // The inner shell prints its process id, which the tool takes over; the outer one survives
    // Ctrl-C to run stty.
    const QString line = QStringLiteral("trap : INT; sh -c 'echo pid=$$; exec \"$0\" \"$@\"' '%1' "
                                        "sync add http://127.0.0.1:9/ --user ann --file '%2'; "
                                        "stty -a")
                             .arg(QStringLiteral(ROLVANE_DB), book);
    QProcess p;
    p.start(QStringLiteral("script"), {QStringLiteral("-qc"), line, QStringLiteral("/dev/null")});
    QString shown;
    const QDeadlineTimer deadline(60'000);
    while (!shown.contains(QLatin1String("Password for ann at")) && !deadline.hasExpired()) {
        p.waitForReadyRead(500);
        shown += QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    const QRegularExpressionMatch pid =
        QRegularExpression(QStringLiteral("pid=(\\d+)")).match(shown);
    QVERIFY2(shown.contains(QLatin1String("Password for ann at")) && pid.hasMatch(),
             qPrintable(shown));
    // Standard input stays open: its end would reach the tool as an empty password.
    if (signal == SIGINT)
        p.write("\x03");
    else
        QCOMPARE(::kill(pid.captured(1).toInt(), signal), 0);
    QVERIFY(p.waitForFinished(60'000));
    shown += QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString after = shown.mid(shown.indexOf(QLatin1String("Password for")));
    QVERIFY2(after.contains(QRegularExpression(QStringLiteral("(^|\\s)echo(\\s|$)"))),
             qPrintable(after));
}

// The timer's sync of a book whose password is gone calls the desktop's notification service;
// a monitor on the throw-away bus sees the call (no service answers it there).
void TstCarddavKeyring::timerFailureShowsOnTheDesktop() {
    if (!realKeyring())
        QSKIP("needs a session bus: run by CTest under dbus-run-session");
    const QString book = dir_.filePath(QStringLiteral("timer.mdb"));
    QProcess tool;
    tool.start(QStringLiteral(ROLVANE_DB),
               {QStringLiteral("create"), QStringLiteral("--file"), book});
    QVERIFY(tool.waitForFinished(30000) && tool.exitCode() == 0);
    {
        SyncStore store;
        QVERIFY(store.open(book).ok());
        Link link;
        link.url = kDav.toString();
        link.user = kAnn;
        QVERIFY(store.addLink(link).ok());
    }
    QProcess monitor;
    monitor.start(
        QStringLiteral("dbus-monitor"),
        {QStringLiteral("--session"), QStringLiteral("interface='org.freedesktop.Notifications'")});
    QVERIFY(monitor.waitForReadyRead(10000)); // monitoring from here on
    QByteArray seen = monitor.readAll();
    for (const bool notify : {false, true}) {
        QStringList args = {QStringLiteral("sync"), QStringLiteral("--file"), book};
        if (notify)
            args << QStringLiteral("--notify");
        tool.start(QStringLiteral(ROLVANE_DB), args);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 3); // no password kept
        while (notify && !seen.contains("could not sync") && monitor.waitForReadyRead(10000))
            seen += monitor.readAll();
        seen += monitor.readAll();
        QCOMPARE(seen.count("member=Notify"), notify ? 1 : 0);
    }
    QVERIFY2(seen.contains("Rolvane could not sync the address book"), seen.constData());
    monitor.kill();
    monitor.waitForFinished();
}

QTEST_GUILESS_MAIN(TstCarddavKeyring)
#include "tst_carddav_keyring.moc"
