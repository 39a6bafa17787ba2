// SPDX-License-Identifier: GPL-3.0-or-later
// The filter sits on every widget, because a field that accepts drops takes them before its
// window could: the filter answers first.
#include "contact_file_drops.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace rolvane::ui {

ContactFileDrops::ContactFileDrops(QWidget* window, Import import)
    : QObject(window), import_(std::move(import)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(this);
}

QStringList ContactFileDrops::contactFiles(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    // Access files are taken too, so the import can say where they go instead.
    static const QStringList kSuffixes = {QStringLiteral("vcf"), QStringLiteral("vcard"),
                                          QStringLiteral("csv"), QStringLiteral("mdb"),
                                          QStringLiteral("accdb")};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() ||
            !kSuffixes.contains(QFileInfo(url.path()).suffix(), Qt::CaseInsensitive))
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

bool ContactFileDrops::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = contactFiles(drop->mimeData());
    if (paths.isEmpty())
        return QObject::eventFilter(watched, event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // The import asks and shows progress: not inside the drop, which the dragging program
    // waits for.
    if (type == QEvent::Drop)
        QTimer::singleShot(0, this, [this, paths] { import_(paths); });
    return true;
}

} // namespace rolvane::ui
