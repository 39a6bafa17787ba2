// SPDX-License-Identifier: GPL-3.0-or-later
// A registry and a launcher that hold what a test gives them and record how they are used.
#pragma once

#include "platform/program_launcher.h"
#include "platform/registry.h"
#include "platform/run_time_failure.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rolvane::test {

class FakeRegistry : public platform::Registry {
public:
    struct Value {
        std::uint32_t type;
        QByteArray data;
    };
    struct Open {
        std::string key;
        std::uint32_t options, access;
    };

    // Keys below HKEY_LOCAL_MACHINE: a key exists once it is named here.
    std::map<std::string, std::map<std::string, Value>> keys;
    std::set<std::string> readOnly; // opens asking for more than reading are refused
    bool failQueries = false;       // every query throws, as when it cannot be bound

    std::vector<Open> opens;
    std::vector<std::string> queries;
    int closes = 0;
    std::map<platform::KeyHandle, std::string> opened; // not closed yet

    std::int32_t openKey(platform::KeyHandle root, const std::string& subKey, std::uint32_t options,
                         std::uint32_t access, platform::KeyHandle& result) override {
        opens.push_back({subKey, options, access});
        result = 0;
        if (root != platform::rootKey(platform::kHkeyLocalMachine) || !keys.count(subKey))
            return platform::kErrorFileNotFound;
        if (readOnly.count(subKey) && (access & ~0x20019u))
            return platform::kErrorAccessDenied;
        result = platform::KeyHandle(0x100 + opens.size());
        opened[result] = subKey;
        return platform::kErrorSuccess;
    }

    std::int32_t queryValue(platform::KeyHandle key, const std::string& name, std::uint32_t& type,
                            std::span<std::byte> data, std::uint32_t& dataSize) override {
        queries.push_back(name);
        if (failQueries)
            throw platform::RunTimeFailure("Can't find DLL entry point RegQueryValueExA");
        // The program offers its whole buffer, cleared.
        if (dataSize != 1024 || data.size() != 1024 ||
            std::any_of(data.begin(), data.end(), [](std::byte b) { return b != std::byte{0}; }))
            return platform::kErrorInvalidHandle;
        const auto& values = keys[opened.at(key)];
        const auto value = values.find(name);
        if (value == values.end())
            return platform::kErrorFileNotFound;
        type = value->second.type;
        dataSize = std::uint32_t(value->second.data.size());
        if (dataSize > data.size())
            return platform::kErrorMoreData;
        std::memcpy(data.data(), value->second.data.constData(), dataSize);
        return platform::kErrorSuccess;
    }

    std::int32_t closeKey(platform::KeyHandle key) override {
        ++closes;
        return opened.erase(key) ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
    }
};

class FakeLauncher : public platform::ProgramLauncher {
public:
    std::set<std::string> programs; // command lines that start
    std::set<std::string> files;    // paths of ordinary files
    std::vector<std::string> launches;
    std::vector<int> windowModes;
    std::vector<std::string> fileTests;

    bool launch(const std::string& commandLine, int windowMode) override {
        launches.push_back(commandLine);
        windowModes.push_back(windowMode);
        return programs.count(commandLine) > 0;
    }
    bool isOrdinaryFile(const std::string& path) override {
        fileTests.push_back(path);
        return files.count(path) > 0;
    }
};

} // namespace rolvane::test
