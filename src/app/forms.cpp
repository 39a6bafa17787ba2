// The global references of the three windows: empty at start, filled on first use, kept to the end.
#include "forms.h"

#include "ui/about/frm_about.h"
#include "ui/main/frm_addy.h"
#include "ui/search/frm_search.h"

#include <QCoreApplication>
#include <memory>

namespace rolvane::app {

namespace {

struct Instances {
    std::unique_ptr<ui::frmAddy> addy;
    std::unique_ptr<ui::frmSearch> search;
    std::unique_ptr<ui::frmAbout> about;
    std::function<void()> endAction;
    QString databasePath;
};

Instances& instances() {
    static Instances all;
    return all;
}

template <class T> T& firstUse(std::unique_ptr<T>& slot) {
    if (!slot)
        slot = std::make_unique<T>();
    return *slot;
}

} // namespace

ui::frmAddy& frmAddy() {
    Instances& all = instances();
    if (!all.addy)
        all.addy = all.databasePath.isEmpty() ? std::make_unique<ui::frmAddy>()
                                              : std::make_unique<ui::frmAddy>(all.databasePath);
    return *all.addy;
}
ui::frmSearch& frmSearch() {
    return firstUse(instances().search);
}
ui::frmAbout& frmAbout() {
    return firstUse(instances().about);
}
bool hasFrmSearch() {
    return instances().search != nullptr;
}
bool hasFrmAbout() {
    return instances().about != nullptr;
}

void setDatabasePath(const QString& path) {
    instances().databasePath = path;
}

void setEndAction(std::function<void()> action) {
    instances().endAction = std::move(action);
}

void End() {
    Instances& all = instances();
    if (all.addy)
        all.addy->discardPending();
    // Hidden now, destroyed when the instances go after the event loop has stopped.
    for (Form* form : {static_cast<Form*>(all.addy.get()), static_cast<Form*>(all.search.get()),
                       static_cast<Form*>(all.about.get())}) {
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
    all.about.reset();
    all.search.reset();
    all.addy.reset();
}

} // namespace rolvane::app
