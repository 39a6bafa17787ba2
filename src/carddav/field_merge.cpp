// SPDX-License-Identifier: GPL-3.0-or-later
// Comments is merged part by part: the free note as one text, and each labelled line's property
// (by label and qualifier) on its own, so a note edited here and a company changed there are two
// changes. Last Update is no field: the merge takes the server's stamp when the server changed
// anything.
#include "field_merge.h"

#include "data/sync_link_state.h"

#include "exchange/comment_lines.h"

#include <algorithm>
#include <map>

namespace rolvane::carddav {

namespace {

using exchange::CardExtra;

constexpr const char* kLabels[] = {"First name", "Last name", "Phone 1", "Phone 2", "Phone 3",
                                   "E-mail",     "Business",  "Fax",     "Address", "Note"};

std::string keptLine(std::string_view label, std::string_view localText) {
    std::string text = normalised(localText);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            text.replace(i, 1, " / ");
    return std::string(label) + kConflictWords + text;
}

// The label a line is shown under, as "Title" or "E-mail (work)".
std::string labelOf(const CardExtra& line) {
    CardExtra bare = line;
    bare.value.clear();
    std::string shown = exchange::labelledLine(bare);
    while (!shown.empty() && (shown.back() == ' ' || shown.back() == ':'))
        shown.pop_back();
    return shown;
}

// One side's labelled lines by property: the values under each label, and the labels in order.
struct ByLabel {
    std::map<std::string, std::vector<CardExtra>> lines;
    std::vector<std::string> order;
    explicit ByLabel(const std::vector<CardExtra>& all) {
        for (const CardExtra& line : all) {
            const std::string key = labelOf(line);
            auto [at, added] = lines.try_emplace(key);
            if (added)
                order.push_back(key);
            at->second.push_back(line);
        }
    }
    std::vector<CardExtra> at(const std::string& key) const {
        const auto found = lines.find(key);
        return found == lines.end() ? std::vector<CardExtra>() : found->second;
    }
};

std::vector<std::string> valuesOf(const std::vector<CardExtra>& lines) {
    std::vector<std::string> out;
    for (const CardExtra& line : lines)
        out.push_back(normalised(line.value));
    std::sort(out.begin(), out.end()); // servers reorder a card's properties
    return out;
}

// Lines of `from` whose values `minus` does not hold, each value counted once.
std::vector<CardExtra> without(std::vector<CardExtra> from, const std::vector<CardExtra>& minus) {
    for (const CardExtra& gone : minus) {
        const auto at = std::find_if(from.begin(), from.end(), [&](const CardExtra& l) {
            return normalised(l.value) == normalised(gone.value);
        });
        if (at != from.end())
            from.erase(at);
    }
    return from;
}

class CommentsMerge {
public:
    CommentsMerge(std::string_view base, std::string_view local, std::string_view server)
        : base_(exchange::splitComments(base)), local_(exchange::splitComments(local)),
          server_(exchange::splitComments(server)) {}

    // The merged note (conflict lines still to add) and lines.
    void run(Merged& m, std::string& kept) {
        const std::string b = normalised(base_.fullNote()), l = normalised(local_.fullNote()),
                          s = normalised(server_.fullNote());
        note_ = server_.fullNote();
        if (l != b && s == b) {
            note_ = local_.fullNote();
            m.sendBack = true;
        } else if (l != b && l != s) {
            ++m.conflicts;
            if (!l.empty())
                kept += '\n' + keptLine(kLabels[Comments], l);
        }
        const ByLabel base(base_.lines), local(local_.lines), server(server_.lines);
        std::vector<std::string> keys = server.order;
        for (const std::string& key : local.order)
            if (!server.lines.contains(key))
                keys.push_back(key);
        for (const std::string& key : keys)
            mergeLabel(key, base.at(key), local.at(key), server.at(key), m, kept);
    }
    std::string text(std::string_view kept) const {
        std::string note = note_;
        if (!kept.empty())
            note += note.empty() ? kept.substr(1) : kept;
        return exchange::joinComments(note, lines_);
    }

private:
    void mergeLabel(const std::string& key, const std::vector<CardExtra>& b,
                    const std::vector<CardExtra>& l, const std::vector<CardExtra>& s, Merged& m,
                    std::string& kept) {
        const auto vb = valuesOf(b), vl = valuesOf(l), vs = valuesOf(s);
        std::vector<CardExtra> out = s;
        if (vl == vb || vl == vs) {
            // The server's, which holds every change there is
        } else if (vs == vb) {
            out = l;
            m.sendBack = true;
        } else if (b.size() <= 1 && l.size() <= 1 && s.size() <= 1) {
            // One value changed to two different texts: the server's stays, ours is kept.
            ++m.conflicts;
            for (const CardExtra& line : l)
                kept += '\n' + keptLine(key, line.value);
        } else {
            // A list (several numbers): what was removed and added here, done to the server's.
            out = without(s, without(b, l));
            for (const CardExtra& added : without(l, b))
                out.push_back(added);
            m.sendBack = true;
        }
        lines_.insert(lines_.end(), out.begin(), out.end());
    }

    exchange::SplitComments base_, local_, server_;
    std::string note_;
    std::vector<CardExtra> lines_;
};

} // namespace

std::string conflictLine(Field field, std::string_view localText) {
    return keptLine(kLabels[field], localText);
}

Merged mergeTexts(const Texts& base, const Texts& local, const Texts& server) {
    Merged m;
    m.texts = server;
    std::string kept;
    bool serverChanged = false;
    for (std::size_t f = 0; f < kMergedFields; ++f) {
        const bool localChanged = !sameField(base, local, f);
        serverChanged = serverChanged || !sameField(base, server, f);
        if (!localChanged || sameField(local, server, f) || f == Comments)
            continue;
        if (sameField(base, server, f)) {
            m.texts[f] = local[f];
            m.sendBack = true;
            continue;
        }
        ++m.conflicts;
        if (!normalised(local[f]).empty())
            kept += '\n' + conflictLine(Field(f), local[f]);
    }
    const bool commentsHere = !sameField(base, local, Comments);
    const bool commentsThere = !sameField(base, server, Comments);
    if (commentsHere && !commentsThere && !sameField(local, server, Comments)) {
        m.texts[Comments] = local[Comments];
        m.sendBack = true;
    }
    const bool bothChanged = commentsHere && commentsThere && !sameField(local, server, Comments);
    if (bothChanged || !kept.empty()) {
        // Conflict lines are note text: they go above the labelled lines.
        const std::string merged = m.texts[Comments];
        CommentsMerge comments =
            bothChanged ? CommentsMerge(base[Comments], local[Comments], server[Comments])
                        : CommentsMerge(merged, merged, merged);
        comments.run(m, kept);
        m.texts[Comments] = comments.text(kept);
        m.sendBack = m.sendBack || !kept.empty();
    }
    m.texts[LastUpdate] = serverChanged ? server[LastUpdate] : local[LastUpdate];
    return m;
}

} // namespace rolvane::carddav
