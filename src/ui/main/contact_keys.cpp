// SPDX-License-Identifier: GPL-3.0-or-later
// Window shortcuts that click the bar's buttons, so a key moves exactly as the mouse does,
// pending edits written first.
#include "contact_keys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <array>

namespace rolvane::ui {

namespace {

struct ContactKey {
    QKeyCombination key;
    const char* button;
};

constexpr std::array<ContactKey, 4> kKeys = {{
    {QKeyCombination(Qt::Key_PageUp), "datAddyPrevious"},
    {QKeyCombination(Qt::Key_PageDown), "datAddyNext"},
    {QKeyCombination(Qt::ControlModifier, Qt::Key_PageUp), "datAddyFirst"},
    {QKeyCombination(Qt::ControlModifier, Qt::Key_PageDown), "datAddyLast"},
}};

// A multi-line field claims Page Up and Page Down before the window's shortcuts see them, as it
// claims its other editing keys: the shortcut map asks the focus widget first.
class PageKeysStayInField : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
            if ((key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) &&
                (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void installContactKeys(QWidget* window) {
    for (const ContactKey& entry : kKeys) {
        auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(entry.button));
        if (!button)
            continue;
        auto* shortcut = new QShortcut(QKeySequence(entry.key), window);
        QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    }
    for (QPlainTextEdit* field : window->findChildren<QPlainTextEdit*>()) {
        if (!field->isReadOnly())
            field->installEventFilter(new PageKeysStayInField(field));
    }
}

} // namespace rolvane::ui
