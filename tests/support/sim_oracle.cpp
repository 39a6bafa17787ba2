// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_oracle.h"

#include "exchange/card_texts.h"
#include "model_server.h"
#include "test_book.h"

#include "data/contact_table.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <iterator>
#include <vector>

namespace rolvane::test {

using namespace rolvane::carddav;
using namespace rolvane::exchange;

namespace {

bool deletedBySomeone(const std::map<std::string, Tracked>& tracked, const std::string& name) {
    const auto found = tracked.find(name);
    return found != tracked.end() && !found->second.deletedBy.empty();
}

// Every text is written once, to one contact: found in another, it was written over the wrong
// row or card.
QString foreignText(const std::string& name, const Texts& texts,
                    const std::map<std::string, std::string>& owners) {
    static const QRegularExpression written(QStringLiteral("\\b[wd][0-9]+\\b"));
    for (std::size_t f = 0; f < kMergedFields; ++f) {
        const QString text = QString::fromStdString(texts[f]);
        for (const QRegularExpressionMatch& m : written.globalMatch(text)) {
            const auto owner = owners.find(m.captured().toStdString());
            if (owner != owners.end() && owner->second != name)
                return QStringLiteral("%1 holds \"%2\" in field %3, written to %4")
                    .arg(QString::fromStdString(name), m.captured())
                    .arg(f)
                    .arg(QString::fromStdString(owner->second));
        }
    }
    return {};
}

std::vector<Texts> bookTexts(const TestBook& book) {
    std::vector<Texts> out;
    const int n = book.count();
    for (int i = 0; i < n; ++i) {
        Texts t;
        for (std::size_t f = 0; f < kMergedFields; ++f)
            t[f] =
                book.value(QStringLiteral("select ifnull([%1], '') from Rolvane order by rowid "
                                          "limit 1 offset %2")
                               .arg(QString::fromUtf8(rolvane::kColumnNames[f].data(),
                                                      qsizetype(rolvane::kColumnNames[f].size())))
                               .arg(i))
                    .toStdString();
        out.push_back(t);
    }
    return out;
}

// The ten merged fields, line ends aside.
std::string key(const Texts& texts) {
    std::string out;
    for (std::size_t f = 0; f < kMergedFields; ++f)
        out += normalised(texts[f]) + '\x1f';
    return out;
}

} // namespace

QString convergenceProblem(const TestBook& book, const ModelServer& server,
                           const std::map<std::string, Tracked>& tracked,
                           const std::map<std::string, std::string>& owners) {
    std::multiset<std::string> here, there;
    std::map<std::string, int> named;
    std::map<std::string, Texts> byName;
    for (const Texts& t : bookTexts(book)) {
        here.insert(key(t));
        ++named[t[Last]];
        byName[t[Last]] = t;
    }
    for (const auto& [href, card] : server.cards()) {
        const std::optional<CardTexts> read = readCardTexts(card);
        if (!read)
            return QStringLiteral("the server holds an unreadable card at %1").arg(href);
        there.insert(key(read->texts));
        const auto keep = card.find("X-SIM-KEEP:");
        const std::string name = read->texts[Last];
        if (keep != std::string::npos && card.compare(keep + 11, name.size(), name) != 0)
            return QStringLiteral("the card %1 of %2 holds another contact's texts")
                .arg(href, QString::fromStdString(name));
        if (!name.empty() && name[0] == 'D' && !deletedBySomeone(tracked, name) &&
            keep == std::string::npos)
            return QStringLiteral("the card of %1 lost what has no field:\n%2")
                .arg(QString::fromStdString(name), QString::fromStdString(card));
    }
    if (here != there) {
        std::vector<std::string> onlyHere, onlyThere;
        std::set_difference(here.begin(), here.end(), there.begin(), there.end(),
                            std::back_inserter(onlyHere));
        std::set_difference(there.begin(), there.end(), here.begin(), here.end(),
                            std::back_inserter(onlyThere));
        const auto shown = [](const std::vector<std::string>& keys) {
            QStringList out;
            for (const std::string& k : keys)
                out << QString::fromStdString(k).replace(QLatin1Char('\x1f'), QLatin1Char('|'));
            return out.join(QLatin1String("; "));
        };
        return QStringLiteral("the book and the server disagree: here only %1; there only %2")
            .arg(shown(onlyHere), shown(onlyThere));
    }
    for (const auto& [name, texts] : byName)
        if (QString why = foreignText(name, texts, owners); !why.isEmpty())
            return why;
    for (const auto& [name, count] : named)
        if (count > 1)
            return QStringLiteral("%1 is there %2 times")
                .arg(QString::fromStdString(name))
                .arg(count);
    for (const auto& [name, t] : tracked) {
        const auto found = byName.find(name);
        if (found == byName.end()) {
            if (t.deletedBy.empty())
                return QStringLiteral("%1 was deleted, but by no one")
                    .arg(QString::fromStdString(name));
            continue;
        }
        for (const auto& [field, written] : t.last) {
            const Texts& now = found->second;
            if (now[std::size_t(field)] != written.text &&
                now[Comments].find(written.text) == std::string::npos &&
                !(field != Comments && t.commentsWritten > written.when))
                return QStringLiteral("%1 lost \"%2\" (field %3 holds \"%4\")")
                    .arg(QString::fromStdString(name), QString::fromStdString(written.text))
                    .arg(field)
                    .arg(QString::fromStdString(now[std::size_t(field)]));
        }
    }
    return {};
}

} // namespace rolvane::test
