// SPDX-License-Identifier: GPL-3.0-or-later
// A record source with all eleven columns bound to screenless fields, as the main window has it.
#pragma once

#include "data/contact_table.h"
#include "data/query_texts.h"
#include "data/record_source.h"
#include "data/text_view.h"
#include "support/fake_field.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace rolvane::test {

struct ScreenlessSource {
    explicit ScreenlessSource(const QString& path) : rs(path) {
        for (std::string_view column : kColumnNames)
            fields.push_back(std::make_unique<FakeField>(fromView(column)));
        for (auto& f : fields)
            rs.bind(f.get());
        rs.setRecordSource(fromView(query::kInitial));
    }
    ~ScreenlessSource() {
        for (auto& f : fields)
            rs.unbind(f.get());
    }
    ScreenlessSource(const ScreenlessSource&) = delete;
    ScreenlessSource& operator=(const ScreenlessSource&) = delete;

    FakeField& first() { return *fields[0]; }
    FakeField& last() { return *fields[1]; }
    FakeField& field(int column) { return *fields[std::size_t(column)]; }
    // Every last name of the result, from first to last.
    QStringList walk() {
        QStringList names;
        rs.Recordset().MoveFirst();
        while (true) {
            names << last().text();
            const size_t before = rs.position();
            rs.Recordset().MoveNext();
            if (rs.position() == before)
                return names;
        }
    }
    RecordSource rs;
    std::vector<std::unique_ptr<FakeField>> fields;
};

} // namespace rolvane::test
