// SPDX-License-Identifier: GPL-3.0-or-later
// Window lifecycle shared by the three windows.
#include "form.h"

#include "form_builder.h"

#include <QCloseEvent>

namespace rolvane::ui {

Form::~Form() {
    delete window_.data();
}

void Form::Show() {
    if (!window_) {
        window_ = load();
        window_->installEventFilter(this);
        window_->show();
        place(window_);
    } else {
        window_->show();
    }
    window_->raise();
    window_->activateWindow();
}

void Form::Hide() {
    if (window_)
        window_->hide();
}

void Form::Unload() {
    if (!window_)
        return;
    unloading();
    QWidget* old = window_;
    window_ = nullptr;
    old->removeEventFilter(this);
    old->hide();
    // Unload is often called from a click of one of the window's own buttons.
    old->deleteLater();
}

void Form::place(QWidget* window) {
    centreOnScreen(window);
}

bool Form::queryClose() {
    Unload();
    return true;
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close) {
        if (!queryClose())
            event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace rolvane::ui
