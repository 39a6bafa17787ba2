// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a reader over bytes in memory and maps what it reads, for the exchange tests.
#pragma once

#include "exchange/byte_source.h"
#include "exchange/contact_mapping.h"
#include "exchange/csv_reader.h"
#include "exchange/vcard_reader.h"

#include <QBuffer>
#include <QStringList>

namespace rolvane::test {

struct ReadOutcome {
    std::vector<tool::Contact> contacts;
    QStringList warnings; // "line: text"
    QString error;        // empty when the file was read to its end
};

enum class Reader { VCard, Csv };

inline ReadOutcome readBytes(const QByteArray& bytes, Reader reader) {
    ReadOutcome out;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    exchange::ByteSource source(buffer);
    exchange::ReadCallbacks callbacks;
    callbacks.card = [&out](exchange::Card& card) {
        tool::Contact c;
        if (exchange::toContact(card, c))
            out.contacts.push_back(c);
        return true;
    };
    callbacks.warning = [&out](const exchange::Problem& p) {
        out.warnings << QStringLiteral("%1: %2").arg(p.line).arg(QString::fromStdString(p.text));
    };
    const std::optional<exchange::Problem> problem = reader == Reader::VCard
                                                         ? exchange::readVCards(source, callbacks)
                                                         : exchange::readCsv(source, callbacks);
    if (problem)
        out.error =
            QStringLiteral("%1: %2").arg(problem->line).arg(QString::fromStdString(problem->text));
    return out;
}

// A column by its name in the book, "" for NULL.
inline QString column(const tool::Contact& c, const QString& name) {
    const auto values = tool::columnValues(c);
    for (std::size_t i = 0; i < kColumnNames.size(); ++i)
        if (QLatin1String(kColumnNames[i].data(), qsizetype(kColumnNames[i].size())) == name)
            return *values[i] ? QString::fromStdString(**values[i]) : QString();
    return QStringLiteral("<no column %1>").arg(name);
}

} // namespace rolvane::test
