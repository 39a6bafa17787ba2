// The main window: eleven fields bound to the record source datAddy, its navigation bar, the
// record commands, the letter index and the About menu entry.
#pragma once

#include "app/form.h"
#include "data/record_source.h"

#include <cstddef>

namespace rolvane::ui {

class frmAddy : public app::Form {
    Q_OBJECT
public:
    // The record source lives with the instance, for the whole run.
    frmAddy();
    // A record source over another file (tests).
    explicit frmAddy(const QString& databasePath);
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

    // Letter index: each button runs its own fixed query.
    void cmdA_Click() { letter_Click(0); }
    void cmdB_Click() { letter_Click(1); }
    void cmdC_Click() { letter_Click(2); }
    void cmdD_Click() { letter_Click(3); }
    void cmdE_Click() { letter_Click(4); }
    void cmdF_Click() { letter_Click(5); }
    void cmdG_Click() { letter_Click(6); }
    void cmdH_Click() { letter_Click(7); }
    void cmdI_Click() { letter_Click(8); }
    void cmdJ_Click() { letter_Click(9); }
    void cmdK_Click() { letter_Click(10); }
    void cmdL_Click() { letter_Click(11); }
    void cmdM_Click() { letter_Click(12); }
    void cmdN_Click() { letter_Click(13); }
    void cmdO_Click() { letter_Click(14); }
    void cmdP_Click() { letter_Click(15); }
    void cmdQ_Click() { letter_Click(16); }
    void cmdR_Click() { letter_Click(17); }
    void cmdS_Click() { letter_Click(18); }
    void cmdT_Click() { letter_Click(19); }
    void cmdU_Click() { letter_Click(20); }
    void cmdV_Click() { letter_Click(21); }
    void cmdW_Click() { letter_Click(22); }
    void cmdX_Click() { letter_Click(23); }
    void cmdY_Click() { letter_Click(24); }
    void cmdZ_Click() { letter_Click(25); }

protected:
    QWidget* Load() override;
    void Unloading() override;
    bool queryClose() override;

private:
    void letter_Click(std::size_t letter);
    // Esc: after a failed save, drops what was typed and shows the row as stored.
    void restoreStored();
    // Shows what the record source's last operation had to tell, once; returns `ok`.
    bool report(bool ok);

    RecordSource datAddy_;
};

} // namespace rolvane::ui
