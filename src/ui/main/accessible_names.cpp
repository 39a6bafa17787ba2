// SPDX-License-Identifier: GPL-3.0-or-later
// The names are written out rather than taken from the captions: "Phone Numbers" captions three
// fields, and "Record Last Updated: " carries a colon and a blank that a reader would speak.
#include "accessible_names.h"

#include "frm_addy_layout.h"

#include <QWidget>
#include <array>
#include <string_view>

namespace rolvane::ui {

namespace {

struct AccessibleName {
    std::string_view control;
    std::string_view name;
};

constexpr std::array<AccessibleName, 15> kNames = {{
    {"Text1", "First Name"},
    {"Text2", "Last Name"},
    {"Text3", "Phone Numbers 1"},
    {"Text4", "Phone Numbers 2"},
    {"Text5", "Phone Numbers 3"},
    {"Text6", "E-mail"},
    {"Text7", "Business Phone Number"},
    {"Text8", "Fax"},
    {"Text9", "Address"},
    {"Text10", "Comments"},
    {"Text11", "Record Last Updated"},
    {"datAddyFirst", "First contact"},
    {"datAddyPrevious", "Previous contact"},
    {"datAddyNext", "Next contact"},
    {"datAddyLast", "Last contact"},
}};

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

void applyAccessibleNames(QWidget* window) {
    for (const AccessibleName& entry : kNames) {
        if (auto* w = window->findChild<QWidget*>(latin1(entry.control)))
            w->setAccessibleName(latin1(entry.name));
    }
    for (std::size_t n = 0; n < addy::kLetterNames.size(); ++n) {
        if (auto* w = window->findChild<QWidget*>(latin1(addy::kLetterNames[n])))
            w->setAccessibleName(QStringLiteral("Last names starting with %1")
                                     .arg(QLatin1Char(addy::kLetterCaptions[n])));
    }
}

} // namespace rolvane::ui
