// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the message box while it lives: messages are recorded instead of shown.
#pragma once

#include "ui/common/message_box.h"

#include <QStringList>

namespace rolvane::test {

class MessageRecorder {
public:
    MessageRecorder() {
        ui::setMessagePresenter([this](const QString& text) { messages << text; });
    }
    ~MessageRecorder() { ui::setMessagePresenter({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList messages;
};

} // namespace rolvane::test
