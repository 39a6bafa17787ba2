// SPDX-License-Identifier: GPL-3.0-or-later
// The global references of the four windows: empty at start, filled on first use, kept to the end.
#include "forms.h"

#include "ui/about/frm_about.h"
#include "ui/common/program.h"
#include "ui/main/frm_addy.h"
#include "ui/search/frm_search.h"
#include "ui/sync/frm_link.h"
#include "ui/sync/frm_sync.h"

#include <QCoreApplication>
#include <memory>

namespace rolvane::app {

namespace {

struct Instances {
    std::unique_ptr<ui::frmAddy> addy;
    std::unique_ptr<ui::frmSearch> search;
    std::unique_ptr<ui::frmAbout> about;
    std::unique_ptr<ui::frmSync> sync;
    std::unique_ptr<ui::frmLink> link;
    std::function<void()> endAction;
    QString databasePath;
};

Instances& instances() {
    static Instances all;
    return all;
}

// The windows reach each other only through here.
class RunningProgram final : public ui::Program {
public:
    ui::Form& frmAddy() override { return app::frmAddy(); }
    ui::Form& frmSearch() override { return app::frmSearch(); }
    ui::Form& frmAbout() override { return app::frmAbout(); }
    ui::SyncWindow& frmSync() override { return app::frmSync(); }
    ui::LinkWindow& frmLink() override { return app::frmLink(); }
    RecordSource& datAddy() override { return app::frmAddy().datAddy(); }
    void End() override { app::End(); }
};

ui::Program& program() {
    static RunningProgram running;
    return running;
}

} // namespace

ui::frmAddy& frmAddy() {
    Instances& all = instances();
    if (!all.addy)
        all.addy = all.databasePath.isEmpty()
                       ? std::make_unique<ui::frmAddy>(program())
                       : std::make_unique<ui::frmAddy>(program(), all.databasePath);
    return *all.addy;
}
ui::frmSearch& frmSearch() {
    Instances& all = instances();
    if (!all.search)
        all.search = std::make_unique<ui::frmSearch>(program());
    return *all.search;
}
ui::frmAbout& frmAbout() {
    Instances& all = instances();
    if (!all.about)
        all.about = std::make_unique<ui::frmAbout>();
    return *all.about;
}
ui::frmSync& frmSync() {
    Instances& all = instances();
    if (!all.sync)
        all.sync = std::make_unique<ui::frmSync>();
    return *all.sync;
}
ui::frmLink& frmLink() {
    Instances& all = instances();
    if (!all.link)
        all.link = std::make_unique<ui::frmLink>();
    return *all.link;
}
bool hasFrmSearch() {
    return instances().search != nullptr;
}
bool hasFrmAbout() {
    return instances().about != nullptr;
}
bool hasFrmSync() {
    return instances().sync != nullptr;
}

void setDatabasePath(const QString& path) {
    instances().databasePath = path;
}

void setEndAction(std::function<void()> action) {
    instances().endAction = std::move(action);
}

void End() {
    Instances& all = instances();
    // The child must not outlive the program; the book keeps what it had done.
    if (all.sync)
        all.sync->stopSync();
    if (all.link)
        all.link->stopLink();
    if (all.addy)
        all.addy->discardPending();
    // Hidden now, destroyed when the instances go after the event loop has stopped.
    for (ui::Form* form :
         {static_cast<ui::Form*>(all.addy.get()), static_cast<ui::Form*>(all.search.get()),
          static_cast<ui::Form*>(all.about.get()), static_cast<ui::Form*>(all.sync.get()),
          static_cast<ui::Form*>(all.link.get())}) {
        if (form && form->window())
            form->window()->hide();
    }
    if (all.endAction)
        all.endAction();
    else
        QCoreApplication::exit(0);
}

void releaseForms() {
    Instances& all = instances();
    all.link.reset();
    all.sync.reset();
    all.about.reset();
    all.search.reset();
    all.addy.reset();
}

} // namespace rolvane::app
