// SPDX-License-Identifier: GPL-3.0-or-later
// How a window tells the user what its last use of the record source had to tell.
#pragma once

namespace rolvane {
class RecordSource;
}

namespace rolvane::ui {

// Shows what the record source's last operation had to tell, in one box, and returns `ok`.
// When a save was refused because another program changed or deleted the contact, the box
// offers the ways on instead: save the typed fields over it, copy what was typed, or drop it.
bool reportSource(RecordSource& source, bool ok);

} // namespace rolvane::ui
