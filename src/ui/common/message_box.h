// SPDX-License-Identifier: GPL-3.0-or-later
// Every message the program shows goes through here: a box captioned with the application title,
// a single OK button, modal to the application. Tests install a presenter that records instead.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace rolvane::ui {

inline constexpr char kApplicationTitle[] = "Rolvane";

using MessagePresenter = std::function<void(const QString& text)>;

void showMessage(const QString& text);
// What one user action has to tell, in one box; nothing when the list is empty.
void showMessages(const QStringList& texts);
// True while a message is up: repeating buttons start nothing then, so boxes never pile up.
bool isMessageShowing();
// An empty presenter restores the real message box.
void setMessagePresenter(MessagePresenter presenter);

} // namespace rolvane::ui
