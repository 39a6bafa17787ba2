// SPDX-License-Identifier: GPL-3.0-or-later
// A small HTTP server of the test's own on loopback, for what no real server here does: each
// request is answered by the test's script, in the test's own thread (the client under test waits
// in an event loop, which serves this server too).
#pragma once

#include "carddav/http_client.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace rolvane::test {

// Hands out plain sockets, or TLS ones once given a certificate.
class ListeningServer : public QTcpServer {
public:
    QSslCertificate certificate;
    QSslKey key;

protected:
    void incomingConnection(qintptr descriptor) override {
        if (certificate.isNull()) {
            QTcpServer::incomingConnection(descriptor);
            return;
        }
        auto* socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->startServerEncryption();
        addPendingConnection(socket);
    }
};

struct SeenRequest {
    QByteArray method, path, body;
    QByteArray head; // the request line and headers as received
};

class ScriptedServer : public QObject {
public:
    // Answers one request on `socket`; may write now, later, or in pieces.
    using Script = std::function<void(const SeenRequest&, QTcpSocket&)>;

    explicit ScriptedServer(Script script) : script_(std::move(script)) {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(*socket); });
            }
        });
    }
    // Answers over TLS from now on, with a certificate no one signed.
    void useTls(const QSslCertificate& certificate, const QSslKey& key) {
        server_.certificate = certificate;
        server_.key = key;
    }
    QUrl url(const QString& path = QStringLiteral("/")) const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(server_.certificate.isNull() ? "http" : "https")
                        .arg(server_.serverPort())
                        .arg(path));
    }
    quint16 port() const { return server_.serverPort(); }
    const QList<SeenRequest>& seen() const { return seen_; }

    static QByteArray answer(int status, const QByteArray& body, const QByteArray& headers = {}) {
        return "HTTP/1.1 " + QByteArray::number(status) +
               " X\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n" + headers + "\r\n" + body;
    }

private:
    void read(QTcpSocket& socket) {
        QByteArray& buffer = buffers_[&socket];
        buffer += socket.readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        SeenRequest r;
        r.head = buffer.left(end);
        const QList<QByteArray> first = r.head.left(r.head.indexOf("\r\n")).split(' ');
        r.method = first.value(0);
        r.path = first.value(1);
        qsizetype length = 0;
        for (const QByteArray& line : r.head.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (buffer.size() < end + 4 + length)
            return;
        r.body = buffer.mid(end + 4, length);
        buffers_.remove(&socket);
        seen_ << r;
        script_(r, socket);
    }

    Script script_;
    ListeningServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QList<SeenRequest> seen_;
};

// An address book called Friends at /book/, as its PROPFIND answers, and its listing when empty.
inline const QByteArray kAddressBook =
    "<multistatus xmlns=\"DAV:\"><response><href>/book/</href><propstat><prop><resourcetype>"
    "<collection/><addressbook xmlns=\"urn:ietf:params:xml:ns:carddav\"/></resourcetype>"
    "<displayname>Friends</displayname></prop><status>HTTP/1.1 200 OK</status></propstat>"
    "</response></multistatus>";
inline const QByteArray kEmptyListing = "<multistatus xmlns=\"DAV:\"><sync-token>t1</sync-token>"
                                        "</multistatus>";

// A request for ETags, and limits that keep a test against a loopback server from waiting long.
inline const QByteArray kPropfindETags =
    "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>";

// A certificate for 127.0.0.1 that no one signed; false when openssl is not installed.
inline bool selfSignedCertificate(const QTemporaryDir& dir, QSslCertificate& certificate,
                                  QSslKey& key) {
    const QString certPath = dir.filePath("cert.pem"), keyPath = dir.filePath("key.pem");
    if (QProcess::execute("openssl",
                          {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                           "/CN=127.0.0.1", "-keyout", keyPath, "-out", certPath}) != 0)
        return false;
    QFile certFile(certPath), keyFile(keyPath);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return false;
    certificate = QSslCertificate(&certFile, QSsl::Pem);
    key = QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem);
    return !certificate.isNull();
}

// The fingerprint as openssl shows it, which is what the user compares.
inline QString opensslFingerprint(const QTemporaryDir& dir) {
    QProcess openssl;
    openssl.start("openssl",
                  {"x509", "-noout", "-fingerprint", "-sha256", "-in", dir.filePath("cert.pem")});
    openssl.waitForFinished();
    return QString::fromLatin1(openssl.readAllStandardOutput()).section('=', 1).trimmed();
}

inline carddav::HttpLimits quickLimits() {
    carddav::HttpLimits limits;
    limits.maxBytes = 1 << 20;
    limits.silenceMs = 300;
    limits.deadlineMs = 5000;
    return limits;
}

} // namespace rolvane::test
