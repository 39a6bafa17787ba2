// SPDX-License-Identifier: GPL-3.0-or-later
// The registry as the program reads it: Windows' result codes, type codes and byte buffers, behind
// an interface so the same lookups run over Windows, the stand-in elsewhere, or a test's fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace rolvane::platform {

// A root or an opened key. Roots are 32-bit values sign-extended, as Windows defines them.
using KeyHandle = std::intptr_t;

inline constexpr std::int32_t kHkeyLocalMachine = std::int32_t(0x80000002u);

inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorMoreData = 234;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::uint32_t kReadControl = 0x20000;
inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr std::uint32_t kKeySetValue = 0x2;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x4;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kKeyNotify = 0x10;
inline constexpr std::uint32_t kKeyCreateLink = 0x20;

constexpr KeyHandle rootKey(std::int32_t root) {
    return KeyHandle(root);
}

// Texts are bytes in the system's 8-bit code page, as the registry's ANSI entry points take them.
class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA: on 0, `result` is the opened key.
    virtual std::int32_t openKey(KeyHandle root, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t access, KeyHandle& result) = 0;
    // RegQueryValueExA: `dataSize` goes in as the room in `data` and comes out as the bytes
    // written (or needed, with kErrorMoreData).
    virtual std::int32_t queryValue(KeyHandle key, const std::string& valueName,
                                    std::uint32_t& type, std::span<std::byte> data,
                                    std::uint32_t& dataSize) = 0;
    // RegCloseKey.
    virtual std::int32_t closeKey(KeyHandle key) = 0;
};

// A key opened through `registry`, closed by close() or, when a failure cuts the way short, when
// it goes out of scope.
class OpenedKey {
public:
    OpenedKey(Registry& registry, KeyHandle key) : registry_(registry), key_(key) {}
    ~OpenedKey() {
        try {
            close();
        } catch (...) {
            // A destructor may not throw; the failure that unwinds is the one that counts.
        }
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    KeyHandle handle() const { return key_; }
    // The close's result is not looked at; a failure to reach the registry still throws.
    void close() {
        if (open_) {
            open_ = false;
            registry_.closeKey(key_);
        }
    }

private:
    Registry& registry_;
    KeyHandle key_;
    bool open_ = true;
};

} // namespace rolvane::platform
