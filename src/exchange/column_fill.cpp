// One row of a recognised table becomes a card. Google packs several values into one cell
// (" ::: "), with their labels in a cell beside them.
#include "column_layout.h"

#include "data/ascii_case.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

// Google's labels: "* Work" is the primary work value; "Work Fax" is two kinds; "Mobile" a cell.
void labelTypes(std::string_view label, std::vector<std::string>& types, bool& preferred) {
    std::string l = trimmedText(label);
    if (l.rfind("* ", 0) == 0) {
        preferred = true;
        l.erase(0, 2);
    }
    std::string word;
    auto flush = [&]() {
        if (word.empty())
            return;
        std::string t = asciiLowerCase(word);
        if (t == "mobile")
            t = "cell";
        types.push_back(std::move(t));
        word.clear();
    };
    for (char c : l) {
        if (c == ' ')
            flush();
        else
            word += c;
    }
    flush();
}

std::vector<std::string_view> splitCell(std::string_view cell) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = cell.find(" ::: ");
        parts.push_back(cell.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        cell.remove_prefix(at + 5);
    }
}

// The user's own groups, one line; "* myContacts" ("* My Contacts") is every contact's and
// says nothing.
std::string groupList(std::string_view cell) {
    std::string out;
    for (std::string_view g : splitCell(cell)) {
        const std::string name = trimmedText(g);
        if (name.empty() || columnKey(name) == "mycontacts")
            continue;
        if (!out.empty())
            out += ", ";
        out += name.rfind("* ", 0) == 0 ? name.substr(2) : name;
    }
    return out;
}

void appendPart(std::string& to, std::string_view value) {
    if (!to.empty())
        to += '\n';
    to += value;
}

void setPart(CardAddress& a, AddressPart part, std::string_view value) {
    switch (part) {
    case AddressPart::Street:
        return appendPart(a.street, value);
    case AddressPart::Extended:
        return appendPart(a.extended, value);
    case AddressPart::PoBox:
        a.poBox = std::string(value);
        return;
    case AddressPart::City:
        a.city = std::string(value);
        return;
    case AddressPart::Region:
        a.region = std::string(value);
        return;
    case AddressPart::PostalCode:
        a.postalCode = std::string(value);
        return;
    case AddressPart::Country:
        a.country = std::string(value);
        return;
    case AddressPart::Formatted:
        a.formatted = std::string(value);
        return;
    }
}

} // namespace

void ColumnLayout::fillValues(const Column& col, std::string_view value, std::string_view labels,
                              Card& card) const {
    const std::vector<std::string_view> values = splitCell(value);
    const std::vector<std::string_view> names =
        col.labelAt >= 0 ? splitCell(labels) : std::vector<std::string_view>();
    for (std::size_t v = 0; v < values.size(); ++v) {
        CardValue item;
        item.value = trimmedText(values[v]);
        if (item.value.empty())
            continue;
        item.types = col.types;
        if (!names.empty())
            labelTypes(names[std::min(v, names.size() - 1)], item.types, item.preferred);
        if (col.types.size() == 1 && col.types[0] == "primary")
            item.preferred = true;
        (col.role == ColumnRole::Phone ? card.phones : card.emails).push_back(std::move(item));
    }
}

void ColumnLayout::fill(const std::vector<std::string>& row, Card& card) const {
    auto cell = [&row](int i) -> std::string_view {
        return i >= 0 && std::size_t(i) < row.size() ? std::string_view(row[std::size_t(i)])
                                                     : std::string_view();
    };
    if (own_) {
        std::array<std::string, kColumnNames.size()> values;
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (columns_[i].role == ColumnRole::Own)
                values[std::size_t(columns_[i].index)] = std::string(cell(int(i)));
        card.columns = std::move(values);
        return;
    }
    std::vector<CardAddress> addresses(groups_.size());
    std::string middle;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const Column& col = columns_[i];
        const std::string_view value = cell(int(i));
        if (value.empty())
            continue;
        switch (col.role) {
        case ColumnRole::Given:
        case ColumnRole::Family:
            (col.role == ColumnRole::Given ? card.given : card.family) = std::string(value);
            card.hasName = true;
            break;
        case ColumnRole::Middle:
            middle = std::string(value);
            break;
        case ColumnRole::Formatted:
            card.formatted = std::string(value);
            break;
        case ColumnRole::Org:
            card.organization = std::string(value);
            break;
        case ColumnRole::Note:
            card.note = std::string(value);
            break;
        case ColumnRole::Phone:
        case ColumnRole::Email:
            fillValues(col, value, cell(col.labelAt), card);
            break;
        case ColumnRole::Address:
            setPart(addresses[std::size_t(col.index)], col.part, value);
            break;
        case ColumnRole::Extra: {
            if (!col.skipValue.empty() && value == col.skipValue)
                break;
            std::string label = col.label;
            if (!cell(col.labelAt).empty())
                label += " (" + trimmedText(cell(col.labelAt)) + ")";
            card.addExtra(std::move(label), col.groupList ? groupList(value) : std::string(value));
            break;
        }
        default:
            break;
        }
    }
    if (!middle.empty())
        card.addExtra("Middle name", std::move(middle));
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        CardAddress& a = addresses[g];
        if (a.isEmpty())
            continue;
        a.types = groups_[g].types;
        if (groups_[g].labelAt >= 0)
            labelTypes(cell(groups_[g].labelAt), a.types, a.preferred);
        // Google gives both the parts and the whole as the user sees it; the parts win.
        if (!a.street.empty() || !a.city.empty() || !a.postalCode.empty())
            a.formatted.clear();
        card.addresses.push_back(std::move(a));
    }
}

} // namespace rolvane::exchange
