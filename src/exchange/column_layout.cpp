// A header is read once; every row then only looks its columns up by position.
#include "column_layout.h"

#include "data/column_index.h"

#include <algorithm>
#include <map>

namespace rolvane::exchange {

namespace {

const char* const kUnderstood =
    "the book's own columns (First Name, Last Name, Ph1, Ph2, Ph3, Email, Bus, Fax, Addy, "
    "Comments, Last Update), or the columns that Google Contacts, Outlook or Thunderbird export "
    "(First Name or Given Name or Display Name, with phone, e-mail or address columns)";

bool isName(ColumnRole r) {
    return r == ColumnRole::Given || r == ColumnRole::Family || r == ColumnRole::Formatted;
}

} // namespace

// The book's own columns, as export writes them and the old program's table holds them: all
// eleven, taken as they are (a key column beside them means nothing to the book).
bool ColumnLayout::recogniseOwn(const std::vector<std::string>& names) {
    std::vector<int> index(names.size(), -1);
    std::size_t found = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int c = columnIndex(trimmedText(names[i]));
        if (c >= 0 && std::find(index.begin(), index.end(), c) == index.end()) {
            index[i] = c;
            ++found;
        }
    }
    if (found != kColumnNames.size())
        return false;
    own_ = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        columns_[i].role = index[i] >= 0 ? ColumnRole::Own : ColumnRole::Ignore;
        columns_[i].index = index[i];
    }
    return true;
}

std::optional<ColumnLayout> ColumnLayout::recognise(const std::vector<std::string>& names,
                                                    std::string& expected, Require require) {
    ColumnLayout layout;
    layout.columns_.resize(names.size());
    if (layout.recogniseOwn(names))
        return layout;

    std::map<std::string, int> groupIds;
    auto group = [&](const std::string& name, const std::vector<std::string>& types) {
        auto [it, added] = groupIds.emplace(name, int(layout.groups_.size()));
        if (added)
            layout.groups_.push_back({types, -1});
        return it->second;
    };
    std::map<std::string, int> labelColumns; // "phone1" -> column of its label
    std::vector<std::string> labelOf(names.size());
    int nameColumns = 0, detailColumns = 0, valueColumns = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        ColumnMeaning m = meaningOf(names[i]);
        Column& col = layout.columns_[i];
        col.role = m.role;
        col.part = m.part;
        col.label = std::move(m.label);
        col.skipValue = std::move(m.skipValue);
        col.groupList = m.groupList;
        labelOf[i] = std::move(m.labelOf);
        if (m.role == ColumnRole::Label) {
            labelColumns[m.group] = int(i);
            if (m.group.rfind("address", 0) == 0)
                layout.groups_[std::size_t(group(m.group, {}))].labelAt = int(i);
            continue;
        }
        if (m.role == ColumnRole::Address)
            col.index = group(m.group, m.types);
        else
            col.types = std::move(m.types);
        nameColumns += isName(m.role);
        valueColumns +=
            isName(m.role) || m.role == ColumnRole::Phone || m.role == ColumnRole::Email;
        detailColumns += m.role == ColumnRole::Phone || m.role == ColumnRole::Email ||
                         m.role == ColumnRole::Address || m.role == ColumnRole::Org;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto label = labelColumns.find(labelOf[i]);
        if (!labelOf[i].empty() && label != labelColumns.end())
            layout.columns_[i].labelAt = label->second;
    }
    const bool enough =
        require == Require::AnyContact ? valueColumns > 0 : nameColumns > 0 && detailColumns > 0;
    if (!enough) {
        expected = kUnderstood;
        return std::nullopt;
    }
    return layout;
}

} // namespace rolvane::exchange
