// SPDX-License-Identifier: GPL-3.0-or-later
// Binds RegOpenKeyExA, RegQueryValueExA and RegCloseKey from advapi32 on first use, so that a
// missing entry point is a failure of the lookup rather than of the program's start.
#ifdef _WIN32

#include "windows_registry.h"

#include "run_time_failure.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace rolvane::platform {

namespace {

using RegOpenKeyExFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using RegQueryValueExFn = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using RegCloseKeyFn = LONG(WINAPI*)(HKEY);

// advapi32 stays loaded from the first bound function to the end of the run.
class Advapi32 {
public:
    static Advapi32& library() {
        static Advapi32 instance;
        return instance;
    }
    ~Advapi32() {
        if (module_)
            FreeLibrary(module_);
    }
    Advapi32(const Advapi32&) = delete;
    Advapi32& operator=(const Advapi32&) = delete;

    template <class Fn> Fn bind(Fn& slot, const char* name) {
        if (slot)
            return slot;
        if (!module_)
            module_ = LoadLibraryA("advapi32");
        if (!module_)
            throw RunTimeFailure("File not found: advapi32");
        const FARPROC entry = GetProcAddress(module_, name);
        if (!entry)
            throw RunTimeFailure(std::string("Can't find DLL entry point ") + name +
                                 " in advapi32");
        // Through void(*)(), which converts to any function pointer type without a warning.
        slot = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
        return slot;
    }

    RegOpenKeyExFn openKey = nullptr;
    RegQueryValueExFn queryValue = nullptr;
    RegCloseKeyFn closeKey = nullptr;

private:
    Advapi32() = default;
    HMODULE module_ = nullptr;
};

HKEY toHkey(KeyHandle key) {
    return reinterpret_cast<HKEY>(key);
}

} // namespace

std::int32_t WindowsRegistry::openKey(KeyHandle root, const std::string& subKey,
                                      std::uint32_t options, std::uint32_t access,
                                      KeyHandle& result) {
    Advapi32& api = Advapi32::library();
    const auto open = api.bind(api.openKey, "RegOpenKeyExA");
    HKEY opened = nullptr;
    const LONG status = open(toHkey(root), subKey.c_str(), options, access, &opened);
    result = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(opened) : 0;
    return status;
}

std::int32_t WindowsRegistry::queryValue(KeyHandle key, const std::string& valueName,
                                         std::uint32_t& type, std::span<std::byte> data,
                                         std::uint32_t& dataSize) {
    Advapi32& api = Advapi32::library();
    const auto query = api.bind(api.queryValue, "RegQueryValueExA");
    DWORD valueType = 0;
    // Never more room than the buffer has, whatever the caller claims.
    DWORD size = dataSize < data.size() ? dataSize : DWORD(data.size());
    const LONG status = query(toHkey(key), valueName.c_str(), nullptr, &valueType,
                              reinterpret_cast<LPBYTE>(data.data()), &size);
    type = valueType;
    dataSize = size;
    return status;
}

std::int32_t WindowsRegistry::closeKey(KeyHandle key) {
    Advapi32& api = Advapi32::library();
    const auto close = api.bind(api.closeKey, "RegCloseKey");
    return close(toHkey(key));
}

} // namespace rolvane::platform

#endif
