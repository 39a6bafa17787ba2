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
        ui::setChoicePresenter([this](const QString& text, const QStringList& offered) {
            messages << text;
            choices << offered;
            return answers.isEmpty() ? int(offered.size()) - 1 : answers.takeFirst();
        });
        ui::setQuestionPresenter([this](const QString& text) {
            questions << text;
            return answer;
        });
    }
    ~MessageRecorder() {
        ui::setMessagePresenter({});
        ui::setChoicePresenter({});
        ui::setQuestionPresenter({});
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList messages;
    // The buttons of each choice offered, and the answers to give, in turn (by default the last
    // button, as Esc would).
    QList<QStringList> choices;
    QList<int> answers;
    // The yes-or-no questions asked, and what every one of them is answered.
    QStringList questions;
    bool answer = true;
};

} // namespace rolvane::test
