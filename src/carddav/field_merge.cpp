// SPDX-License-Identifier: GPL-3.0-or-later
// Last Update is no field: the merge takes the server's stamp when the server changed anything.
#include "field_merge.h"

namespace rolvane::carddav {

namespace {

constexpr const char* kLabels[] = {"First name", "Last name", "Phone 1", "Phone 2", "Phone 3",
                                   "E-mail",     "Business",  "Fax",     "Address", "Comments"};

} // namespace

std::string conflictLine(Field field, std::string_view localText) {
    std::string text = normalised(localText);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            text.replace(i, 1, " / ");
    return std::string(kLabels[field]) + " on this computer before the server's change: " + text;
}

Merged mergeTexts(const Texts& base, const Texts& local, const Texts& server) {
    Merged m;
    m.texts = server;
    std::string kept;
    bool serverChanged = false;
    for (std::size_t f = 0; f < kMergedFields; ++f) {
        const bool localChanged = !sameField(base, local, f);
        serverChanged = serverChanged || !sameField(base, server, f);
        if (!localChanged || sameField(local, server, f))
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
    if (!kept.empty()) {
        std::string& comments = m.texts[Comments];
        comments += comments.empty() ? kept.substr(1) : kept;
        m.sendBack = true;
    }
    m.texts[LastUpdate] = serverChanged ? server[LastUpdate] : local[LastUpdate];
    return m;
}

} // namespace rolvane::carddav
