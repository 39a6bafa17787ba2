// SPDX-License-Identifier: GPL-3.0-or-later
// A real CardDAV server for a test: Radicale (htpasswd, user "test") or Xandikos (no
// authentication) on a free loopback port, in a throw-away folder, stopped by its process.
#pragma once

#include "carddav/http_client.h"
#include "carddav/multistatus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace rolvane::test {

class DavServer {
public:
    enum class Kind { Radicale, Xandikos };

    // Why this kind cannot run here (its package is absent), or empty.
    static QString missing(Kind kind) {
        if (kind == Kind::Xandikos)
            return QStandardPaths::findExecutable(QStringLiteral("xandikos")).isEmpty()
                       ? QStringLiteral("xandikos is not installed")
                       : QString();
        return QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                 {QStringLiteral("-c"), QStringLiteral("import radicale")}) == 0
                   ? QString()
                   : QStringLiteral("python3-radicale is not installed");
    }

    explicit DavServer(Kind kind) : kind_(kind) {}
    ~DavServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Starts the server and waits (at most 15 s) until it takes connections.
    bool start() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return false;
        port_ = probe.serverPort();
        probe.close();
        const QString d = dir_.path();
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        if (kind_ == Kind::Radicale) {
            writeFile(d + "/users", "test:secret\n");
            writeFile(d + "/config", QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n"
                                                    "max_content_length = 100000000\n"
                                                    "[auth]\ntype = htpasswd\nhtpasswd_filename = "
                                                    "%2/users\nhtpasswd_encryption = plain\n"
                                                    "[rights]\ntype = owner_only\n[storage]\n"
                                                    "filesystem_folder = %2/collections\n"
                                                    "[web]\ntype = none\n[logging]\nlevel = "
                                                    "warning\n")
                                         .arg(port_)
                                         .arg(d)
                                         .toUtf8());
            process_.start(QStringLiteral("/usr/bin/python3"),
                           {"-m", "radicale", "--config", d + "/config"});
        } else {
            process_.start(QStringLiteral("xandikos"), {"-d", d + "/store", "--defaults", "-l",
                                                        "127.0.0.1", "-p", QString::number(port_)});
        }
        for (int i = 0; i < 150; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port_);
            if (socket.waitForConnected(100))
                return true;
            if (process_.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(100);
        }
        return false;
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port_)); }
    QString user() const { return kind_ == Kind::Radicale ? QStringLiteral("test") : QString(); }
    // The options of `sync add` that give the user and password.
    QStringList credentials() const {
        if (kind_ != Kind::Radicale)
            return {};
        return {"--user", "test", "--password-command", "echo secret"};
    }

    // Plain requests to the server, as another device would make them.
    carddav::HttpResponse send(const QByteArray& method, const QUrl& url,
                               const QByteArray& body = {},
                               QList<QPair<QByteArray, QByteArray>> headers = {}) {
        carddav::HttpClient client(url, user(), QStringLiteral("secret"));
        return client.send({method, url, body, std::move(headers)});
    }
    // The hrefs of the cards in an address book.
    QStringList cards(const QUrl& book) {
        const auto answer =
            send("PROPFIND", book,
                 "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>",
                 {{"Depth", "1"}});
        QStringList hrefs;
        if (const auto ms = carddav::parseMultistatus(answer.body))
            for (const auto& r : ms->responses)
                if (r.href.endsWith(QLatin1String(".vcf")))
                    hrefs << book.resolved(QUrl(r.href)).toString();
        return hrefs;
    }

private:
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    Kind kind_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace rolvane::test
