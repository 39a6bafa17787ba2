// SPDX-License-Identifier: GPL-3.0-or-later
// Both sides changed a contact since the last sync: each field, and in Comments the note and each
// labelled line's property, takes the side that changed it; one changed on both sides to
// different texts takes the server's, and this computer's text is kept in a conflict line of the
// note, above the labelled lines.
#pragma once

#include "texts.h"

namespace rolvane::carddav {

struct Merged {
    Texts texts;
    int conflicts = 0;
    bool sendBack = false; // the merge holds something the server does not have yet
};

// `base` as last synced, `local` as the book holds it now, `server` as the server's card reads.
Merged mergeTexts(const Texts& base, const Texts& local, const Texts& server);

// The label a field's kept text goes under in Comments.
std::string conflictLine(Field field, std::string_view localText);

} // namespace rolvane::carddav
