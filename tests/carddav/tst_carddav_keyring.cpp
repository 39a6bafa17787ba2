// SPDX-License-Identifier: GPL-3.0-or-later
// The keyring's key, and what the user is told when no Secret Service answers (no desktop runs
// here, so the stored-password path itself is not exercised).
#include "carddav/keyring.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rolvane::carddav;

class TstCarddavKeyring : public QObject {
    Q_OBJECT

private slots:
    void init() { qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/rolvane-bus"); }

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

    void noServiceIsOneClearMessage() {
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
