// SPDX-License-Identifier: GPL-3.0-or-later
// SplitMix64 rather than <random>'s distributions, whose results differ between standard
// libraries: a book of N contacts is the same everywhere.
#include "contact_generator.h"

#include "data/date_stamp.h"
#include "name_lists.h"

#include <array>
#include <cctype>
#include <vector>

namespace rolvane::tool {

namespace {

template <typename List> std::string_view pick(const List& list, std::size_t index) {
    return list[index % list.size()];
}

void appendNumber(std::string& out, std::uint64_t value, int width = 0) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int pad = width - n; pad > 0; --pad)
        out.push_back('0');
    while (n > 0)
        out.push_back(digits[--n]);
}

// ASCII letters only: e-mail addresses are made from the plain part of a name.
void appendMailPart(std::string& out, std::string_view name) {
    for (char c : name) {
        if (std::isalpha(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
            out.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    }
}

const char* ordinalSuffix(std::uint64_t n) {
    if (n % 100 >= 11 && n % 100 <= 13)
        return "th";
    switch (n % 10) {
    case 1:
        return "st";
    case 2:
        return "nd";
    case 3:
        return "rd";
    default:
        return "th";
    }
}

// Every date a contact may carry (the 1st to the 28th of each month, 2015 to 2024), stamped once
// in the form the program writes on this machine: the dates follow the locale, the days do not.
const std::vector<std::string>& dateStamps() {
    static const std::vector<std::string> stamps = [] {
        std::vector<std::string> all;
        all.reserve(10 * 12 * 28);
        for (int year = 2015; year < 2025; ++year) {
            for (int month = 1; month <= 12; ++month) {
                for (int day = 1; day <= 28; ++day)
                    all.push_back(dateStamp(QDate(year, month, day)).toStdString());
            }
        }
        return all;
    }();
    return stamps;
}

std::string& engaged(std::optional<std::string>& value) {
    if (!value)
        value.emplace();
    value->clear();
    return *value;
}

} // namespace

std::uint64_t ContactGenerator::nextRandom() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
}

void ContactGenerator::makeSurname(std::string& out) {
    out += pick(names::surnameOnsets(), below(names::surnameOnsets().size()));
    out += pick(names::surnameNuclei(), below(names::surnameNuclei().size()));
    out += pick(names::surnameEndings(), below(names::surnameEndings().size()));
}

// Mostly plain surnames; a few per cent of the kinds that sort or match unusually.
void ContactGenerator::makeLastName(std::string& out) {
    const std::size_t kind = below(1000);
    if (kind < 10)
        return; // empty
    if (kind < 30) {
        out += pick(names::particles(), below(names::particles().size()));
        makeSurname(out);
    } else if (kind < 40) {
        const std::uint64_t n = 1 + below(99);
        appendNumber(out, n);
        out += ordinalSuffix(n);
        out += " Street ";
        out += pick(names::businessKinds(), below(names::businessKinds().size()));
    } else if (kind < 50) {
        out += "O'";
        makeSurname(out);
    } else if (kind < 56) {
        out += pick(names::foreignOnsets(), below(names::foreignOnsets().size()));
        out += pick(names::surnameNuclei(), below(names::surnameNuclei().size()));
        out += pick(names::surnameEndings(), below(names::surnameEndings().size()));
    } else {
        makeSurname(out);
    }
}

void ContactGenerator::makePhone(std::optional<std::string>& out) {
    std::string& s = engaged(out);
    s += '(';
    appendNumber(s, 201 + below(788));
    s += ") 555-";
    appendNumber(s, below(10000), 4);
}

void ContactGenerator::makeAddress(std::string& out) {
    appendNumber(out, 1 + below(9999));
    out += ' ';
    out += pick(names::streets(), below(names::streets().size()));
    out += ' ';
    out += pick(names::streetKinds(), below(names::streetKinds().size()));
    if (chance(200)) {
        out += "\nApt ";
        appendNumber(out, 1 + below(40));
        out += char('A' + below(6));
    }
    out += '\n';
    out += pick(names::cities(), below(names::cities().size()));
    out += ", ";
    out += pick(names::states(), below(names::states().size()));
    out += ' ';
    appendNumber(out, below(100000), 5);
}

void ContactGenerator::next(Contact& c) {
    if (chance(980))
        engaged(c.firstName) += pick(names::firstNames(), below(names::firstNames().size()));
    else
        c.firstName.reset();
    makeLastName(engaged(c.lastName));

    makePhone(c.ph1);
    chance(300) ? makePhone(c.ph2) : c.ph2.reset();
    chance(100) ? makePhone(c.ph3) : c.ph3.reset();
    chance(400) ? makePhone(c.bus) : c.bus.reset();
    chance(100) ? makePhone(c.fax) : c.fax.reset();

    if (chance(700) && c.firstName) {
        std::string& mail = engaged(c.email);
        appendMailPart(mail, *c.firstName);
        mail += '.';
        appendMailPart(mail, *c.lastName);
        appendNumber(mail, below(100));
        mail += "@example.";
        mail += pick(std::array{"com", "org", "net"}, below(3));
    } else {
        c.email.reset();
    }
    if (chance(800))
        makeAddress(engaged(c.addy));
    else
        c.addy.reset();
    if (chance(250))
        engaged(c.comments) += pick(names::comments(), below(names::comments().size()));
    else
        c.comments.reset();
    if (chance(500)) {
        const std::size_t month = below(12);
        const std::size_t day = below(28);
        const std::size_t year = below(10);
        engaged(c.lastUpdate) += dateStamps()[(year * 12 + month) * 28 + day];
    } else {
        c.lastUpdate.reset();
    }
}

} // namespace rolvane::tool
