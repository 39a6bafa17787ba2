// SPDX-License-Identifier: GPL-3.0-or-later
// Namespace-aware and prefix-blind, as servers choose their own prefixes (Radicale a default
// namespace, Xandikos ns0:), and the sync-token is taken wherever in the multistatus it comes.
#include "multistatus.h"

#include <QXmlStreamReader>

namespace rolvane::carddav {

namespace {

const QString kDav = QStringLiteral("DAV:");

bool isDav(const QXmlStreamReader& xml, QStringView name) {
    return xml.namespaceUri() == kDav && xml.name() == name;
}

DavProperty readProperty(QXmlStreamReader& xml) {
    DavProperty p;
    p.ns = xml.namespaceUri().toString();
    p.name = xml.name().toString();
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth == 1)
                p.children << xml.name().toString();
            // supported-address-data names its versions in attributes only.
            if (const QStringView v = xml.attributes().value(QLatin1String("version"));
                !v.isEmpty())
                p.text += QLatin1Char(' ') + v.toString();
            if (isDav(xml, u"href")) {
                p.hrefs << xml.readElementText().trimmed();
                continue;
            }
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            p.text += xml.text();
            break;
        default:
            break;
        }
    }
    // Address data keeps its inner spaces; only the ends go.
    p.text = p.text.trimmed();
    return p;
}

void readPropstat(QXmlStreamReader& xml, DavResponse& response) {
    std::vector<DavProperty> props;
    int status = 200;
    while (xml.readNextStartElement()) {
        if (isDav(xml, u"prop")) {
            while (xml.readNextStartElement())
                props.push_back(readProperty(xml));
        } else if (isDav(xml, u"status")) {
            status = statusCode(xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    for (DavProperty& p : props) {
        p.status = status;
        response.properties.push_back(std::move(p));
    }
}

DavResponse readResponse(QXmlStreamReader& xml) {
    DavResponse r;
    while (xml.readNextStartElement()) {
        if (isDav(xml, u"href") && r.href.isEmpty())
            r.href = xml.readElementText().trimmed();
        else if (isDav(xml, u"status"))
            r.status = statusCode(xml.readElementText());
        else if (isDav(xml, u"propstat"))
            readPropstat(xml, r);
        else
            xml.skipCurrentElement();
    }
    return r;
}

} // namespace

const DavProperty* DavResponse::property(QStringView name) const {
    for (const DavProperty& p : properties)
        if (p.name == name && p.status >= 200 && p.status < 300)
            return &p;
    return nullptr;
}

int statusCode(QStringView statusLine) {
    const QStringView line = statusLine.trimmed();
    const qsizetype space = line.indexOf(u' ');
    if (space < 0)
        return 0;
    bool ok = false;
    const int code = line.mid(space + 1, 3).toInt(&ok);
    return ok ? code : 0;
}

std::optional<Multistatus> parseMultistatus(const QByteArray& bytes, QString* error) {
    QXmlStreamReader xml(bytes);
    Multistatus result;
    bool sawRoot = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            xml.raiseError(QStringLiteral("the answer declares a document type"));
            break;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!sawRoot) {
            if (!isDav(xml, u"multistatus")) {
                xml.raiseError(QStringLiteral("the answer is not a multistatus"));
                break;
            }
            sawRoot = true;
            continue;
        }
        if (isDav(xml, u"response"))
            result.responses.push_back(readResponse(xml));
        else if (isDav(xml, u"sync-token"))
            result.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    if (!xml.hasError() && !sawRoot)
        xml.raiseError(QStringLiteral("the answer is empty"));
    if (xml.hasError()) {
        if (error)
            *error = xml.errorString();
        return std::nullopt;
    }
    return result;
}

QString davErrorName(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    bool inError = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return {};
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (inError)
            return xml.name().toString();
        if (!isDav(xml, u"error"))
            return {};
        inError = true;
    }
    return {};
}

} // namespace rolvane::carddav
