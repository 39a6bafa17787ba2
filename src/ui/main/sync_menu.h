// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Sync menu: its entries, which of them the book's link allows, and the words
// of the entries.
#pragma once

#include "data/sync_link_state.h"

#include <QString>

class QMenuBar;

namespace rolvane::ui {

// Adds "S&ync" with its four entries (objectNames mnuSync, mnuSyncLink, mnuSyncNow with F5,
// mnuSyncStatus, mnuSyncUnlink); the caller connects them.
void addSyncMenu(QMenuBar* bar);
// Link while the book is not linked, the others once it is; all of them when the link could not
// be read, so that Status can tell why.
void enableSyncMenu(const QMenuBar* bar, SyncLinkState::Kind link);

// Asked before a link is forgotten.
QString unlinkQuestion(const SyncLinkState& link);
QString syncStatusText(const SyncLinkState& link);

} // namespace rolvane::ui
