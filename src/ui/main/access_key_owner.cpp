// SPDX-License-Identifier: GPL-3.0-or-later
// Claims the key through ShortcutOverride (which the shortcut map asks first), then acts on the
// key press that follows.
#include "access_key_owner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

namespace rolvane::ui {

AccessKeyOwner::AccessKeyOwner(QWidget* window, Qt::Key key, QAbstractButton* owner)
    : QObject(window), window_(window), key_(key), owner_(owner) {
    qApp->installEventFilter(this);
}

bool AccessKeyOwner::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!window_ || !owner_ || !widget || widget->window() != window_ || key->key() != key_ ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
        return QObject::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress && owner_->isEnabled() && owner_->isVisible())
        owner_->animateClick();
    return true;
}

} // namespace rolvane::ui
