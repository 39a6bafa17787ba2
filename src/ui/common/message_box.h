// Every message the program shows goes through here: a box captioned with the application title,
// a single OK button, modal to the application. Tests install a presenter that records instead.
#pragma once

#include <QString>
#include <functional>

namespace rolvane::ui {

inline constexpr char kApplicationTitle[] = "Rolvane";

using MessagePresenter = std::function<void(const QString& text)>;

void showMessage(const QString& text);
// An empty presenter restores the real message box.
void setMessagePresenter(MessagePresenter presenter);

} // namespace rolvane::ui
