// SPDX-License-Identifier: GPL-3.0-or-later
// Contacts files dropped anywhere on the main window, its fields included, are taken in as an
// import: the drop never reaches a field as pasted text.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;

namespace rolvane::ui {

class ContactFileDrops : public QObject {
    Q_OBJECT
public:
    using Import = std::function<void(const QStringList& paths)>;

    // Watches `window` and every widget in it; `import` runs once the drop has returned.
    ContactFileDrops(QWidget* window, Import import);

    // The local contacts files (.vcf, .csv, and Access files) a drag carries; empty when it carries
    // anything else.
    static QStringList contactFiles(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Import import_;
};

} // namespace rolvane::ui
