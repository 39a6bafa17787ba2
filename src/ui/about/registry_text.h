// SPDX-License-Identifier: GPL-3.0-or-later
// How GetKeyValue turns the bytes of a registry value into text.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rolvane::ui {

// The first `dataSize` bytes, less the last one when it is a NUL (only that one). A size of 0, or
// one beyond the buffer, names no byte to look at: RunTimeFailure.
QByteArray cutToDataSize(std::span<const std::byte> buffer, std::uint32_t dataSize);

// "&h" and the bytes from the last to the first, two upper-case hex digits each.
QString doubleWordText(const QByteArray& bytes);

// The general value formatting: a hexadecimal literal "&h" with one to eight digits becomes its
// value in decimal, read as a signed 32-bit number; any other text is returned as it is.
QString formatGeneral(const QString& text);

} // namespace rolvane::ui
