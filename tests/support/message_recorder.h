// Stands in for the message box while it lives: messages are recorded instead of shown.
#pragma once

#include "ui/common/message_box.h"

#include <QStringList>

namespace rolvane::test {

class MessageRecorder {
public:
    MessageRecorder() {
        ui::setMessagePresenter([this](const QString& text) { messages << text; });
        ui::setQuestionPresenter([this](const QString& text) {
            questions << text;
            return answer;
        });
    }
    ~MessageRecorder() {
        ui::setMessagePresenter({});
        ui::setQuestionPresenter({});
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList messages;
    QStringList questions;
    bool answer = true; // what every question is answered
};

} // namespace rolvane::test
