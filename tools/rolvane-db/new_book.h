// SPDX-License-Identifier: GPL-3.0-or-later
// Makes a new address book file and fills it; the one place the tool writes.
#pragma once

#include "exchange/contact.h"

#include <QString>
#include <functional>

namespace rolvane::tool {

// Hands each contact to `add`; stops at the first failure and returns its reason.
using ContactSource = std::function<QString(const std::function<QString(const Contact&)>& add)>;

// Creates the book at `path` (and its folder), then adds what `contacts` gives, if anything.
// Anything already at `path` is left exactly as it was. Empty on success, else why it failed.
QString makeBook(const QString& path, const ContactSource& contacts);

} // namespace rolvane::tool
