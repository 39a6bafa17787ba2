// SPDX-License-Identifier: GPL-3.0-or-later
// The About dialog: title, picture, OK, and System Info, which finds the system-information tool
// through the registry and starts it.
#pragma once

#include "platform/program_launcher.h"
#include "platform/registry.h"
#include "ui/common/form.h"

#include <QString>
#include <cstdint>

namespace rolvane::ui {

class frmAbout : public Form {
    Q_OBJECT
public:
    // Over this machine's registry and launcher.
    frmAbout();
    // Over others (tests); both must outlive the instance.
    frmAbout(platform::Registry& registry, platform::ProgramLauncher& launcher);

    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Finds the system-information tool and starts it; every failure on the way ends in one
    // message, and nothing is passed on.
    void StartSysInfo();
    // Reads value `SubKeyRef` of key `KeyName` below `KeyRoot` into `KeyVal`: true when the key
    // opened and the value was read, whatever its type. A failed open or query gives false with
    // `KeyVal` empty. A value with no data throws RunTimeFailure, for StartSysInfo to handle.
    bool GetKeyValue(const std::int32_t& KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);

protected:
    QWidget* load() override;
    void place(QWidget* window) override;

private:
    // StartSysInfo's way to the launch; false where it ends in the message.
    bool launchSysInfo();

    platform::Registry& registry_;
    platform::ProgramLauncher& launcher_;
};

} // namespace rolvane::ui
