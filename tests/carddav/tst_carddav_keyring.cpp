// SPDX-License-Identifier: GPL-3.0-or-later
// The keyring's key, and what the user is told when no Secret Service answers. CTest runs the
// stored-password case a second time inside its own session bus with a headless GNOME Keyring
// (ROLVANE_REAL_KEYRING set), where it is not skipped.
#include "carddav/keyring.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rolvane::carddav;

class TstCarddavKeyring : public QObject {
    Q_OBJECT

    static bool realKeyring() { return !qEnvironmentVariableIsEmpty("ROLVANE_REAL_KEYRING"); }

private slots:
    void init() {
        if (!realKeyring())
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/rolvane-bus");
    }

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

    void storedPasswordComesBack() {
        if (!realKeyring())
            QSKIP("needs a keyring: run by CTest under dbus-run-session");
        QCOMPARE(keyringReachable(), QString());
        const QUrl a(QStringLiteral("https://dav.example.org/ann/"));
        const QUrl sameOrigin(QStringLiteral("https://DAV.example.org:443/other/"));
        const QUrl otherPort(QStringLiteral("https://dav.example.org:8443/"));
        QCOMPARE(storeKeyringPassword(a, QStringLiteral("ann"), QStringLiteral("first")),
                 QString());
        QCOMPARE(storeKeyringPassword(a, QStringLiteral("bob"), QStringLiteral("bobs")), QString());
        QCOMPARE(
            storeKeyringPassword(sameOrigin, QStringLiteral("ann"), QStringLiteral("ä second")),
            QString());
        QString why;
        QCOMPARE(keyringPassword(a, QStringLiteral("ann"), why), QStringLiteral("ä second"));
        QCOMPARE(keyringPassword(a, QStringLiteral("bob"), why), QStringLiteral("bobs"));
        QVERIFY(!keyringPassword(otherPort, QStringLiteral("ann"), why));
        QVERIFY(why.contains(QLatin1String("ann")));
        QVERIFY(!why.contains(QLatin1String("second")));
    }

    void noServiceIsOneClearMessage() {
        if (realKeyring())
            QSKIP("a keyring runs");
        const QUrl server(QStringLiteral("https://dav.example.org/"));
        QString why;
        QVERIFY(!keyringPassword(server, QStringLiteral("ann"), why));
        QVERIFY(why.contains(QLatin1String("--password-command")));
        QVERIFY(!why.contains(QLatin1Char('\n')));
        QCOMPARE(storeKeyringPassword(server, QStringLiteral("ann"), QStringLiteral("s3cret!")),
                 why);
        QCOMPARE(keyringReachable(), why);
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

QTEST_GUILESS_MAIN(TstCarddavKeyring)
#include "tst_carddav_keyring.moc"
