// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the search dialog from its layout table and runs its three commands.
#include "frm_search.h"

#include "data/bound_field.h"
#include "data/query_texts.h"
#include "data/record_source.h"
#include "data/text_view.h"
#include "frm_search_layout.h"
#include "search_query.h"
#include "ui/common/light_palette.h"
#include "ui/common/message_box.h"
#include "ui/common/program.h"
#include "ui/common/source_report.h"
#include "ui/common/twips.h"

#include <QPushButton>
#include <vector>

namespace rolvane::ui {

frmSearch::frmSearch(Program& program) : program_(program) {}

QWidget* frmSearch::load() {
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("frmSearch"));
    window->setWindowTitle(QString::fromLatin1(search::kCaption));
    window->setFixedSize(toPixels(search::kClientWidth), toPixels(search::kClientHeight));
    useLightPalette(window);
    setBackground(window, search::kGreen);
    setFixedBorder(window);
    buildControls(window, search::kControls, search::kLines);

    // The fields start empty and are never bound: what the user types here is a name to look
    // for, not an edit of the contact the main window shows.
    const QString fieldArray = QString::fromLatin1(search::kFieldArray);
    for (QWidget* field : controlArray(window, fieldArray))
        field->setProperty("DataSource", QString::fromLatin1(search::kDataSource));

    const auto button = [window](const char* name) {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    };
    connect(button("cmdSearch"), &QPushButton::clicked, this, &frmSearch::cmdSearch_Click);
    connect(button("cmdCancel"), &QPushButton::clicked, this, &frmSearch::cmdCancel_Click);
    connect(button("cmdClear"), &QPushButton::clicked, this, &frmSearch::cmdClear_Click);

    controlArray(window, fieldArray).value(0)->setFocus();
    return window;
}

bool frmSearch::queryClose() {
    cmdCancel_Click();
    return true;
}

void frmSearch::cmdSearch_Click() {
    if (!isLoaded())
        return;
    std::vector<SearchField> fields;
    for (QWidget* widget : controlArray(window(), QString::fromLatin1(search::kFieldArray))) {
        if (const auto* field = dynamic_cast<const BoundField*>(widget))
            fields.push_back({field->dataField(), field->text()});
    }

    RecordSource& datAddy = program_.datAddy();
    datAddy.setRecordSource(composeSearchQuery(fields));
    // A failing step stops the command, once the user has been told why.
    if (!reportSource(datAddy, datAddy.Refresh()))
        return;

    if (datAddy.Recordset().isEOF()) {
        showMessage(QStringLiteral("Sorry, not found!"));
        Hide();
        datAddy.setRecordSource(fromView(query::kInitial));
        reportSource(datAddy, datAddy.Refresh());
        return;
    }
    Hide();
    program_.frmAddy().Show();
}

void frmSearch::cmdClear_Click() {
    if (!isLoaded())
        return;
    for (QWidget* widget : controlArray(window(), QString::fromLatin1(search::kFieldArray))) {
        if (auto* field = dynamic_cast<BoundField*>(widget))
            field->setText(QString());
    }
}

void frmSearch::cmdCancel_Click() {
    Hide();
    Unload();
}

} // namespace rolvane::ui
