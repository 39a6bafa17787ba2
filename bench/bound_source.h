// A record source with the main window's eleven fields bound to it, as the program has it.
#pragma once

#include "data/contact_table.h"
#include "data/query_texts.h"
#include "data/record_source.h"
#include "data/text_view.h"
#include "support/fake_field.h"

#include <memory>
#include <string>
#include <vector>

namespace rolvane::bench {

class BoundSource {
public:
    explicit BoundSource(const std::string& path) : source_(QString::fromStdString(path)) {
        for (std::string_view column : kColumnNames) {
            fields_.push_back(std::make_unique<test::FakeField>(fromView(column)));
            source_.bind(fields_.back().get());
        }
    }
    ~BoundSource() {
        for (const auto& field : fields_)
            source_.unbind(field.get());
    }
    BoundSource(const BoundSource&) = delete;
    BoundSource& operator=(const BoundSource&) = delete;

    RecordSource& source() { return source_; }
    // Runs the main window's initial query, as the program does when it opens.
    bool showInitial() {
        source_.setRecordSource(fromView(query::kInitial));
        return source_.Refresh();
    }
    test::FakeField& field(std::size_t column) { return *fields_[column]; }
    // The last failure the record source reported; empty while all went well.
    const std::string& failure() {
        const QStringList messages = source_.takeMessages();
        if (!messages.isEmpty())
            failure_ = messages.last().toStdString();
        return failure_;
    }

private:
    RecordSource source_;
    std::vector<std::unique_ptr<test::FakeField>> fields_;
    std::string failure_;
};

} // namespace rolvane::bench
