// SPDX-License-Identifier: GPL-3.0-or-later
// Makes a new address book file and fills it: the set-up tool's create and generate, and an
// import (tool or program) into a book that does not exist yet.
#pragma once

#include "data/source_notice.h"
#include "exchange/contact.h"

#include <QString>
#include <functional>

namespace rolvane::exchange {

using tool::Contact;

// Hands each contact to `add`; stops at the first failure and returns its reason.
using ContactSource = std::function<QString(const std::function<QString(const Contact&)>& add)>;

// What went wrong in making a new book, in words; empty when nothing did.
QString creationWords(const BookProblem& problem);

// Creates the folder that will hold `path`, with its parents. Empty on success, else why not.
QString makeFolderFor(const QString& path);

// Why a new book cannot be made at `path` (something is there already), or empty.
QString refuseExisting(const QString& path);

// Creates the book at `path` (and its folder), then adds what `contacts` gives, if anything.
// Anything already at `path` is left exactly as it was. Empty on success, else why it failed.
QString makeBook(const QString& path, const ContactSource& contacts);

} // namespace rolvane::exchange
