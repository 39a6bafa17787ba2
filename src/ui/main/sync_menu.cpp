// SPDX-License-Identifier: GPL-3.0-or-later
// Alt+Y opens the menu: no other caption of the main window uses Y as its access key.
#include "sync_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace rolvane::ui {

namespace {

QAction* entry(const QMenuBar* bar, const char* name) {
    return bar->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

void addSyncMenu(QMenuBar* bar) {
    QMenu* menu = bar->addMenu(QStringLiteral("S&ync"));
    menu->setObjectName(QStringLiteral("mnuSync"));
    menu->menuAction()->setObjectName(QStringLiteral("mnuSync"));
    const auto add = [menu](const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    add("mnuSyncLink", QStringLiteral("&Link to a Server..."));
    add("mnuSyncNow", QStringLiteral("Sync &Now"))->setShortcut(QKeySequence(Qt::Key_F5));
    add("mnuSyncStatus", QStringLiteral("&Status..."));
    add("mnuSyncUnlink", QStringLiteral("&Unlink..."));
}

void enableSyncMenu(const QMenuBar* bar, SyncLinkState::Kind link) {
    const bool linked = link != SyncLinkState::Kind::NotLinked;
    entry(bar, "mnuSyncLink")->setEnabled(link != SyncLinkState::Kind::Linked);
    for (const char* name : {"mnuSyncNow", "mnuSyncStatus", "mnuSyncUnlink"})
        entry(bar, name)->setEnabled(linked);
}

QString unlinkQuestion(const SyncLinkState& link) {
    return QStringLiteral("Unlink this address book from \"%1\" (%2)?\n\nThe contacts stay "
                          "here and on the server; the sync stops, and what it kept, with the "
                          "password, is forgotten.")
        .arg(link.name, link.url);
}

QString syncStatusText(const SyncLinkState& link) {
    switch (link.kind) {
    case SyncLinkState::Kind::NotLinked:
        return QStringLiteral("This address book is not linked to a server.");
    case SyncLinkState::Kind::Unreadable:
        return QStringLiteral("Could not read the address book's link to a server: %1")
            .arg(link.why);
    case SyncLinkState::Kind::Linked:
        break;
    }
    QString text = QStringLiteral("This address book is linked to \"%1\" (%2)%3.")
                       .arg(link.name, link.url,
                            link.user.isEmpty() ? QString() : QStringLiteral(" as ") + link.user);
    text += link.lastSync.isEmpty()
                ? QStringLiteral("\n\nIt has not been synced yet.")
                : QStringLiteral("\n\nLast sync %1: %2").arg(link.lastSync, link.lastResult);
    if (!link.conflicted.isEmpty())
        text += QStringLiteral("\n\nChanged on both sides, with this computer's text kept as a "
                               "line of the note: %1.")
                    .arg(link.conflicted.join(QStringLiteral(", ")));
    return text;
}

} // namespace rolvane::ui
