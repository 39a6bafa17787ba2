// SPDX-License-Identifier: GPL-3.0-or-later
// A file is read twice: once to count what the question offers, once inside the transaction.
// Reading is cheap beside storing, and no transaction stays open while the question is up.
#include "contact_file_import.h"

#include "exchange/contact_import.h"
#include "ui/common/message_box.h"

#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <memory>

namespace rolvane::ui {

namespace {

using exchange::ImportResult;

// How many warnings the closing message lists; the rest are counted.
constexpr int kListedWarnings = 5;

QString contacts(long long n) {
    return n == 1 ? QStringLiteral("1 contact")
                  : QStringLiteral("%1 contacts").arg(QLocale().toString(n));
}

// A progress dialog that shows itself only when the work lasts; Cancel stops the work.
class Progress {
public:
    Progress(QWidget* parent, const QString& label) : parent_(parent), label_(label) {}

    exchange::ImportProgress callback() {
        return [this](long long, int percent) {
            if (!dialog_) {
                dialog_ = std::make_unique<QProgressDialog>(label_, QStringLiteral("Cancel"), 0,
                                                            100, parent_);
                dialog_->setWindowModality(Qt::WindowModal);
                dialog_->setMinimumDuration(400);
            }
            // Unknown progress shows a busy bar.
            dialog_->setMaximum(percent < 0 ? 0 : 100);
            dialog_->setValue(percent < 0 ? 0 : percent);
            return !dialog_->wasCanceled();
        };
    }

private:
    QWidget* parent_;
    QString label_;
    std::unique_ptr<QProgressDialog> dialog_;
};

QString question(const ImportResult& counted, bool bookExists) {
    const QString add =
        QStringLiteral("Add %1 from %2").arg(contacts(counted.added), counted.fileName);
    if (bookExists)
        return add + QStringLiteral(" to your address book?");
    return QStringLiteral("You have no address book yet; one will be made. %1 to it?").arg(add);
}

QString warningsText(const ImportResult& result) {
    if (result.warningCount == 0)
        return {};
    QString text = result.warningCount == 1
                       ? QStringLiteral("One part of the file could not be read and was skipped:")
                       : QStringLiteral("%1 parts of the file could not be read and were skipped:")
                             .arg(QLocale().toString(result.warningCount));
    for (int i = 0; i < result.warnings.size() && i < kListedWarnings; ++i)
        text += QLatin1Char('\n') + result.warnings[i];
    if (result.warningCount > kListedWarnings)
        text += QStringLiteral("\n(and %1 more)")
                    .arg(QLocale().toString(result.warningCount - kListedWarnings));
    return text;
}

QString doneText(const ImportResult& result) {
    QStringList lines;
    if (result.added > 0)
        lines << QStringLiteral("Added %1 from %2.").arg(contacts(result.added), result.fileName);
    else
        lines << QStringLiteral("Nothing was added from %1.").arg(result.fileName);
    if (result.alreadyThere > 0)
        lines << (result.alreadyThere == 1
                      ? QStringLiteral("1 contact was already in your address book.")
                      : QStringLiteral("%1 were already in your address book.")
                            .arg(contacts(result.alreadyThere)));
    if (result.unkept.any())
        lines << QStringLiteral("%1: the address book has no place for them.")
                     .arg(QString::fromStdString(exchange::unkeptWording(result.unkept)));
    if (QString warnings = warningsText(result); !warnings.isEmpty())
        lines << warnings;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

FileImportOutcome importContactFile(const QString& path, const QString& book, QWidget* parent) {
    exchange::ImportRequest request;
    request.file = path;
    request.book = book;
    request.readsAccess = false;
    const QString name = QFileInfo(path).fileName();
    Progress reading(parent, QStringLiteral("Reading %1...").arg(name));
    const ImportResult counted = exchange::countContacts(request, reading.callback());
    if (counted.outcome == ImportResult::Outcome::Cancelled)
        return {};
    if (!counted.done())
        return {counted.failure + QStringLiteral(" Your address book was not changed."), 0};
    if (counted.added == 0)
        return {QStringLiteral("%1 holds no contacts; nothing was added.").arg(name), 0};
    if (!askYesNo(question(counted, QFileInfo::exists(book))))
        return {};
    Progress storing(parent, QStringLiteral("Adding the contacts of %1...").arg(name));
    const ImportResult result = exchange::importContacts(request, storing.callback());
    if (result.outcome == ImportResult::Outcome::Cancelled)
        return {QStringLiteral("The import was cancelled; your address book was not changed."), 0};
    if (!result.done())
        return {result.failure + QStringLiteral(" Your address book was not changed."), 0};
    return {doneText(result), result.firstAdded};
}

} // namespace rolvane::ui
