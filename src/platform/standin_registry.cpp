// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in registry: one key, one string value, found the way Windows finds them (names
// compared without regard to case) and returned as Windows returns a string, NUL included.
#include "standin_registry.h"

#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cstring>

namespace rolvane::platform {

namespace {

constexpr char kSystemInformationKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kPathValue[] = "PATH";

bool sameName(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    return a.size() == length && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

const std::vector<std::string>& StandInRegistry::desktopPrograms() {
    static const std::vector<std::string> programs = {
        "/usr/bin/hardinfo2",           "/usr/bin/hardinfo",
        "/usr/bin/kinfocenter",         "/usr/bin/gnome-system-monitor",
        "/usr/bin/mate-system-monitor",
    };
    return programs;
}

StandInRegistry::StandInRegistry() : StandInRegistry(desktopPrograms()) {}

StandInRegistry::StandInRegistry(std::vector<std::string> programs)
    : programs_(std::move(programs)) {}

std::string StandInRegistry::installedProgram() const {
    for (const std::string& path : programs_) {
        const QFileInfo file(QString::fromStdString(path));
        if (file.isAbsolute() && file.isFile() && file.isExecutable())
            return path;
    }
    return {};
}

std::int32_t StandInRegistry::openKey(KeyHandle root, const std::string& subKey,
                                      std::uint32_t /*options*/, std::uint32_t /*access*/,
                                      KeyHandle& result) {
    // Nothing here can be written, so asking for write rights is no reason to refuse.
    result = 0;
    if (root != rootKey(kHkeyLocalMachine) || !sameName(subKey, kSystemInformationKey))
        return kErrorFileNotFound;
    std::string program = installedProgram();
    if (program.empty())
        return kErrorFileNotFound;
    result = nextKey_++;
    opened_.emplace(result, std::move(program));
    return kErrorSuccess;
}

std::int32_t StandInRegistry::queryValue(KeyHandle key, const std::string& valueName,
                                         std::uint32_t& type, std::span<std::byte> data,
                                         std::uint32_t& dataSize) {
    const auto found = opened_.find(key);
    if (found == opened_.end())
        return kErrorInvalidHandle;
    if (!sameName(valueName, kPathValue))
        return kErrorFileNotFound;
    const std::string& path = found->second;
    const auto needed = std::uint32_t(path.size() + 1);
    const std::size_t room = std::min<std::size_t>(dataSize, data.size());
    type = kRegSz;
    dataSize = needed;
    if (needed > room)
        return kErrorMoreData;
    std::memcpy(data.data(), path.c_str(), needed);
    return kErrorSuccess;
}

std::int32_t StandInRegistry::closeKey(KeyHandle key) {
    return opened_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

} // namespace rolvane::platform
