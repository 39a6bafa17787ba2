// SPDX-License-Identifier: GPL-3.0-or-later
// The "Link to a Server" dialog: finds the address books behind an address, offers them, and
// links the book with the one chosen, all through `rolvane-db sync add --machine` as a child. Each
// run of the tool is on its own: the answers to its questions (a certificate to trust, a host to
// follow) go along on the next run's command line.
#pragma once

#include "link_child.h"
#include "ui/common/link_window.h"

#include <QStringList>
#include <vector>

namespace rolvane::ui {

class frmLink : public LinkWindow {
    Q_OBJECT
public:
    frmLink();

    void linkBook(const QString& bookPath, bool usual) override;
    void stopLink() override { child_.stopNow(); }
    bool isRunning() const { return child_.isRunning(); }

    // The program run as `PROGRAM sync add ...`; by default defaultSyncProgram().
    void setLinkProgram(const QString& path) { program_ = path; }

    void cmdFind_Click();
    void cmdLink_Click();
    void cmdCancel_Click();

protected:
    QWidget* load() override;
    void unloading() override;
    // Closing through the frame is Cancel.
    bool queryClose() override;

private:
    enum class Step { Find, Link };
    struct Found {
        QString url, name;
        int cards = 0;
    };

    void run(Step step);
    QStringList arguments(Step step) const;
    void lineRead(const LinkLine& line);
    // Asks what the run asked (then runs again), or shows what it found or why it failed.
    void ended(const SyncEnd& end);
    void linkDone();
    // What was found no longer holds: the address or the user changed.
    void forgetFound();
    // The chosen address book, or null for a new one.
    const Found* chosen() const;
    // The list of address books, from books_ (empty until something was found).
    void fillList(QWidget* window);
    // Puts the state below into the window's controls, when it is loaded.
    void showState();
    void showState(QWidget* window);

    LinkChild child_;
    QString program_;
    QString bookPath_;
    bool usual_ = false;
    // Answers given for the address typed; they go along on every run for it.
    QString certificate_;
    QStringList hosts_;
    // The run under way, and what it has said so far.
    Step step_ = Step::Find;
    bool found_ = false;
    std::vector<Found> books_;
    int contactsHere_ = 0;
    QString seenCertificate_, seenHost_, outcome_, words_;
    QString status_;
    int mergeContacts_ = -1, mergeCards_ = 0; // from a contacts line; -1: none came
};

} // namespace rolvane::ui
