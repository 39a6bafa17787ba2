// SPDX-License-Identifier: GPL-3.0-or-later
// What the sync simulator remembers of the texts each side wrote, and its verdict once quiet
// syncs have settled: both sides agree, nothing is doubled or deleted that no side deleted, the
// last text written to a field on either side is kept, a card keeps what has no field, and no
// contact holds a text written to another.
#pragma once

#include "carddav/texts.h"

#include <QString>
#include <map>
#include <set>
#include <string>

namespace rolvane::test {

class ModelServer;
class TestBook;

struct Written {
    std::string text;
    char side = 'w'; // 'w' the window, 'd' the device
    int when = 0;
};

struct Tracked {
    std::set<char> deletedBy;
    std::map<int, Written> last; // field -> last text written there, by either side
    // A conflict keeps the losing text in a line of Comments, which a later write of Comments
    // (on either side) may replace.
    int commentsWritten = 0;
    void wrote(int field, const std::string& text, char side, int when) {
        last[field] = {text, side, when};
        if (field == carddav::Comments)
            commentsWritten = when;
    }

    // A side that deletes a contact gives up what it wrote there: if the other side's edit
    // brings the contact back, it comes back with that side's texts.
    void deleted(char side) {
        deletedBy.insert(side);
        std::erase_if(last, [side](const auto& entry) { return entry.second.side == side; });
    }
};

// Contacts by name (Last Name); `owners` names the contact each written text went to. Empty
// when every check held, else what failed.
QString convergenceProblem(const TestBook& book, const ModelServer& server,
                           const std::map<std::string, Tracked>& tracked,
                           const std::map<std::string, std::string>& owners);

} // namespace rolvane::test
