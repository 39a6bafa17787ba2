// SPDX-License-Identifier: GPL-3.0-or-later
// The values of rewritten properties, written by the rules of the card's own version. 3.0 and 4.0
// escape text with backslashes and fold with a blank. 2.1 escapes nothing but semicolons (and
// backslashes) between components, and writes any value that is not short printable ASCII as
// quoted-printable UTF-8, the one encoding every 2.1 reader decodes alike.
#pragma once

#include <string>
#include <string_view>

namespace rolvane::exchange {

// `text` as the whole value of a property of one text (FN, TEL, EMAIL, NOTE).
std::string escapeText(std::string_view text, bool v21);

// `text` as one component of a structured value (N, ADR).
std::string escapeComponent(std::string_view text, bool v21);

// `number` as an RFC 3966 global number, its blanks as visual separators and an extension as
// the `ext` parameter ("tel:+46-70-999-0000;ext=23"); empty when it cannot be one (a local
// number with no country code, or letters).
std::string telUri(std::string_view number);

// The property `head` (group, name and parameters as written) with `value` (escaped as above),
// as physical lines each ended by CR LF. Whatever encoding and character set `head` named is
// replaced by what `value` is written in, so no parameter disagrees with the bytes.
std::string writeProperty(std::string_view head, std::string_view value, bool v21);

} // namespace rolvane::exchange
