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
// Shows `text` with one button per choice ("&" marks the access key) and returns the index of
// the one pressed.
using ChoicePresenter = std::function<int(const QString& text, const QStringList& choices)>;

void showMessage(const QString& text);
// What one user action has to tell, in one box; nothing when the list is empty.
void showMessages(const QStringList& texts);
// True while a message is up: repeating buttons start nothing then, so boxes never pile up.
bool isMessageShowing();
// The box closed without a choice (Esc, its frame) counts as the last choice.
int askChoice(const QString& text, const QStringList& choices);
// An empty presenter restores the real message box.
void setMessagePresenter(MessagePresenter presenter);
void setChoicePresenter(ChoicePresenter presenter);

// A question with Yes and No, Yes the default unless `yesByDefault` is false (a question of
// trust, which Enter must not answer yes); true for Yes. Tests answer through their presenter.
using QuestionPresenter = std::function<bool(const QString& text)>;
bool askYesNo(const QString& text, bool yesByDefault = true);
void setQuestionPresenter(QuestionPresenter presenter);

} // namespace rolvane::ui
