// SPDX-License-Identifier: GPL-3.0-or-later
// Turning the bytes of a value into UTF-8 text: quoted-printable, character sets, and the guess
// made for text that names no character set and is not UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace rolvane::exchange {

std::string decodeQuotedPrintable(std::string_view encoded);
bool isUtf8(std::string_view bytes);
// `charset` as a file names it; empty means UTF-8 if the bytes are, else windows-1252 (what
// Windows programs write). An unknown character set is treated like an empty one.
std::string toUtf8(std::string_view bytes, std::string_view charset);

} // namespace rolvane::exchange
