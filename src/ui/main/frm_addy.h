// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: eleven fields bound to the record source datAddy, its navigation bar, the
// record commands, the letter index, the About menu entry and the Sync menu.
#pragma once

#include "data/record_source.h"
#include "ui/common/form.h"

#include <cstddef>

namespace rolvane::ui {

class Program;

class frmAddy : public Form {
    Q_OBJECT
public:
    // The record source lives with the instance, for the whole run, over the fixed address book
    // or another file (tests). The other windows and End are reached through `program`.
    explicit frmAddy(Program& program);
    frmAddy(Program& program, const QString& databasePath);
    ~frmAddy() override;

    RecordSource& datAddy() { return datAddy_; }
    void discardPending() { datAddy_.discardPending(); }

    // Record commands.
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdEnd_Click();
    void cmdSearch_Click();
    void About_Click();
    void mnuSyncLink_Click();
    void mnuSyncNow_Click();
    void mnuSyncStatus_Click();
    void mnuSyncUnlink_Click();

    // Takes the contacts of each file into the book (a drop, or files named at start-up), then
    // shows the first contact added.
    void importFiles(const QStringList& paths);

    // Letter index: each button has its own handler, the same but for its letter.
    void cmdA_Click() { showLetter(0); }
    void cmdB_Click() { showLetter(1); }
    void cmdC_Click() { showLetter(2); }
    void cmdD_Click() { showLetter(3); }
    void cmdE_Click() { showLetter(4); }
    void cmdF_Click() { showLetter(5); }
    void cmdG_Click() { showLetter(6); }
    void cmdH_Click() { showLetter(7); }
    void cmdI_Click() { showLetter(8); }
    void cmdJ_Click() { showLetter(9); }
    void cmdK_Click() { showLetter(10); }
    void cmdL_Click() { showLetter(11); }
    void cmdM_Click() { showLetter(12); }
    void cmdN_Click() { showLetter(13); }
    void cmdO_Click() { showLetter(14); }
    void cmdP_Click() { showLetter(15); }
    void cmdQ_Click() { showLetter(16); }
    void cmdR_Click() { showLetter(17); }
    void cmdS_Click() { showLetter(18); }
    void cmdT_Click() { showLetter(19); }
    void cmdU_Click() { showLetter(20); }
    void cmdV_Click() { showLetter(21); }
    void cmdW_Click() { showLetter(22); }
    void cmdX_Click() { showLetter(23); }
    void cmdY_Click() { showLetter(24); }
    void cmdZ_Click() { showLetter(25); }

signals:
    // The window ran its query again after another program changed the book.
    void bookReread();

protected:
    QWidget* load() override;
    void unloading() override;
    bool queryClose() override;
    // The Sync menu follows the book's link whenever the user comes back to the window (the link
    // is made and removed with the set-up tool).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Narrows the contacts to the last names that begin with letter n (A = 0).
    void showLetter(std::size_t letter);
    // Esc: after a failed save, drops what was typed and shows the row as stored.
    void restoreStored();
    // Shows what the record source's last operation had to tell, once; returns `ok`.
    bool report(bool ok);
    void updateSyncMenu();
    // After another program wrote the book (a sync, an import, another window): the query runs
    // again and the contact shown is read again, unless the user has typed into the form.
    void bookChanged();
    // The dialog linked the book: the menu follows, and the first sync starts.
    void bookLinked();
    bool isUsualBook() const;

    Program& program_;
    RecordSource datAddy_;
    bool importing_ = false;
};

} // namespace rolvane::ui
