// SPDX-License-Identifier: GPL-3.0-or-later
// The registry on Windows: advapi32's ANSI entry points, each bound by name on its first call.
#pragma once

#ifdef _WIN32

#include "registry.h"

namespace rolvane::platform {

class WindowsRegistry final : public Registry {
public:
    // A function that cannot be bound throws RunTimeFailure.
    std::int32_t openKey(KeyHandle root, const std::string& subKey, std::uint32_t options,
                         std::uint32_t access, KeyHandle& result) override;
    std::int32_t queryValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                            std::span<std::byte> data, std::uint32_t& dataSize) override;
    std::int32_t closeKey(KeyHandle key) override;
};

} // namespace rolvane::platform

#endif
