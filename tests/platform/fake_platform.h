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
#include <utility>
#include <vector>

namespace rolvane::test {

class FakeRegistry : public platform::Registry {
public:
    struct Open {
        platform::KeyHandle root;
        std::string key;
        std::uint32_t options;
        std::uint32_t access;
    };
    struct Value {
        std::uint32_t type;
        QByteArray data;
    };

    // A key below HKEY_LOCAL_MACHINE, with no values yet.
    void addKey(const std::string& key) { keys_[key]; }
    void setValue(const std::string& key, const std::string& name, std::uint32_t type,
                  QByteArray data) {
        keys_[key][name] = Value{type, std::move(data)};
    }
    void setString(const std::string& key, const std::string& name, const QByteArray& text) {
        setValue(key, name, platform::kRegSz, text + '\0');
    }
    // Opens of this key asking for more than reading are refused, as for an account that may
    // read it but not write it.
    void refuseWriteAccess(const std::string& key) { readOnly_.insert(key); }
    // Every query throws, as when the function cannot be bound.
    void failQueries() { failQueries_ = true; }

    std::int32_t openKey(platform::KeyHandle root, const std::string& subKey, std::uint32_t options,
                         std::uint32_t access, platform::KeyHandle& result) override {
        opens.push_back({root, subKey, options, access});
        result = 0;
        const auto key = keys_.find(subKey);
        if (root != platform::rootKey(platform::kHkeyLocalMachine) || key == keys_.end())
            return platform::kErrorFileNotFound;
        constexpr std::uint32_t kKeyRead = 0x20019;
        if (readOnly_.count(subKey) && (access & ~kKeyRead))
            return platform::kErrorAccessDenied;
        result = nextHandle_++;
        open_[result] = subKey;
        return platform::kErrorSuccess;
    }

    std::int32_t queryValue(platform::KeyHandle key, const std::string& valueName,
                            std::uint32_t& type, std::span<std::byte> data,
                            std::uint32_t& dataSize) override {
        queries.push_back(valueName);
        if (failQueries_)
            throw platform::RunTimeFailure("Can't find DLL entry point RegQueryValueExA");
        const auto opened = open_.find(key);
        if (opened == open_.end())
            return platform::kErrorInvalidHandle;
        roomOffered = dataSize;
        bufferSize = data.size();
        bufferWasClear =
            std::all_of(data.begin(), data.end(), [](std::byte b) { return b == std::byte{0}; });
        const auto& values = keys_[opened->second];
        const auto value = values.find(valueName);
        if (value == values.end())
            return platform::kErrorFileNotFound;
        const auto size = std::uint32_t(value->second.data.size());
        type = value->second.type;
        const std::uint32_t room = dataSize;
        dataSize = size;
        if (size > room)
            return platform::kErrorMoreData;
        std::memcpy(data.data(), value->second.data.constData(), size);
        return platform::kErrorSuccess;
    }

    std::int32_t closeKey(platform::KeyHandle key) override {
        ++closes;
        return open_.erase(key) ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
    }

    // Keys opened and not closed yet.
    std::size_t openKeys() const { return open_.size(); }

    std::vector<Open> opens;
    std::vector<std::string> queries;
    int closes = 0;
    std::uint32_t roomOffered = 0;
    std::size_t bufferSize = 0;
    bool bufferWasClear = false;

private:
    std::map<std::string, std::map<std::string, Value>> keys_;
    std::set<std::string> readOnly_;
    std::map<platform::KeyHandle, std::string> open_;
    platform::KeyHandle nextHandle_ = 0x100;
    bool failQueries_ = false;
};

class FakeLauncher : public platform::ProgramLauncher {
public:
    bool launch(const std::string& commandLine, int windowMode) override {
        launches.push_back({commandLine, windowMode});
        return programs.count(commandLine) > 0;
    }
    bool isOrdinaryFile(const std::string& path) override {
        fileTests.push_back(path);
        return files.count(path) > 0;
    }

    std::set<std::string> programs; // command lines that start
    std::set<std::string> files;    // paths of ordinary files
    std::vector<std::pair<std::string, int>> launches;
    std::vector<std::string> fileTests;
};

} // namespace rolvane::test
