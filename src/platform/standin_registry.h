// SPDX-License-Identifier: GPL-3.0-or-later
// Where there is no Windows registry: a read-only one whose only value is
// HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO "PATH", the desktop's system-information program.
#pragma once

#include "registry.h"

#include <map>
#include <string>
#include <vector>

namespace rolvane::platform {

class StandInRegistry final : public Registry {
public:
    // The system-information programs looked for, most wanted first: hardinfo2 and hardinfo
    // (hardware and system summaries, the nearest to the Windows tool), KDE's Info Center, then
    // the GNOME and MATE system monitors, whose System tab says what the machine is.
    static const std::vector<std::string>& desktopPrograms();

    StandInRegistry();
    // Looks for these absolute paths instead (tests).
    explicit StandInRegistry(std::vector<std::string> programs);

    // Succeeds only for the one key, and only while one of the programs is installed; anything
    // else fails like a missing key. Every open looks afresh, so a program installed or removed
    // while the program runs counts from the next lookup.
    std::int32_t openKey(KeyHandle root, const std::string& subKey, std::uint32_t options,
                         std::uint32_t access, KeyHandle& result) override;
    std::int32_t queryValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                            std::span<std::byte> data, std::uint32_t& dataSize) override;
    std::int32_t closeKey(KeyHandle key) override;

private:
    std::string installedProgram() const;

    std::vector<std::string> programs_;
    std::map<KeyHandle, std::string> opened_; // each open key and the path it found
    KeyHandle nextKey_ = 1;
};

} // namespace rolvane::platform
