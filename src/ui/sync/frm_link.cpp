// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the "Link to a Server" dialog from its layout table and walks the user through the
// tool's runs: Find lists the address books, Link links the one chosen.
#include "frm_link.h"

#include "frm_link_layout.h"
#include "sync_timer.h"
#include "ui/common/light_palette.h"
#include "ui/common/message_box.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <utility>

namespace rolvane::ui {

namespace {

QString cardsText(int cards) {
    return cards == 1 ? QStringLiteral("1 card") : QStringLiteral("%1 cards").arg(cards);
}

} // namespace

frmLink::frmLink() : program_(defaultSyncProgram()) {
    child_.onLine = [this](const LinkLine& line) { lineRead(line); };
    child_.onEnd = [this](const SyncEnd& end) { ended(end); };
}

void frmLink::linkBook(const QString& bookPath, bool usual) {
    if (!isLoaded()) {
        bookPath_ = bookPath;
        usual_ = usual;
        certificate_.clear();
        hosts_.clear();
        found_ = false;
        books_.clear();
        contactsHere_ = 0;
        mergeContacts_ = -1;
        status_.clear();
    }
    Show();
}

QWidget* frmLink::load() {
    // A dialog, so that Enter in a text box presses the default button.
    auto* window = new QDialog;
    window->setObjectName(QStringLiteral("frmLink"));
    window->setWindowTitle(QString::fromLatin1(link::kCaption));
    window->setWindowIcon(programIcon());
    window->setFixedSize(toPixels(link::kClientWidth), toPixels(link::kClientHeight));
    useLightPalette(window);
    setFixedBorder(window);
    buildControls(window, link::kControls);

    const auto find = [window](const char* name) {
        return window->findChild<QWidget*>(QString::fromLatin1(name));
    };
    // Each label's access key goes to its box.
    using Buddy = std::pair<const char*, const char*>;
    for (const auto& [label, box] :
         {Buddy{"lblAddress", "txtAddress"}, Buddy{"lblUser", "txtUser"},
          Buddy{"lblPassword", "txtPassword"}, Buddy{"lblBooks", "lstBooks"}})
        static_cast<QLabel*>(find(label))->setBuddy(find(box));
    const auto button = [&find](const char* name) { return static_cast<QPushButton*>(find(name)); };
    connect(button("cmdFind"), &QPushButton::clicked, this, &frmLink::cmdFind_Click);
    connect(button("cmdLink"), &QPushButton::clicked, this, &frmLink::cmdLink_Click);
    connect(button("cmdCancel"), &QPushButton::clicked, this, &frmLink::cmdCancel_Click);
    // Answers were given for one server, and the books found for one user.
    connect(static_cast<QLineEdit*>(find("txtAddress")), &QLineEdit::textEdited, this, [this] {
        certificate_.clear();
        hosts_.clear();
        forgetFound();
    });
    connect(static_cast<QLineEdit*>(find("txtUser")), &QLineEdit::textEdited, this,
            &frmLink::forgetFound);
    connect(static_cast<QListWidget*>(find("lstBooks")), &QListWidget::currentRowChanged, this,
            [this] { showState(); });
    find("chkTimer")->setVisible(usual_);
    fillList(window);
    showState(window);
    find("txtAddress")->setFocus();
    return window;
}

void frmLink::unloading() {
    // The dialog's child goes with it: nothing it would still do was asked for.
    child_.stopNow();
}

bool frmLink::queryClose() {
    cmdCancel_Click();
    return true;
}

void frmLink::cmdCancel_Click() {
    Hide();
    Unload();
}

void frmLink::cmdFind_Click() {
    if (!isLoaded() || child_.isRunning())
        return;
    if (control<QLineEdit>("txtAddress")->text().trimmed().isEmpty()) {
        showMessage(QStringLiteral("Type the address of the CardDAV server, such as "
                                   "https://dav.example.org/."));
        return;
    }
    run(Step::Find);
}

void frmLink::cmdLink_Click() {
    if (!isLoaded() || child_.isRunning() || !found_)
        return;
    run(Step::Link);
}

QStringList frmLink::arguments(Step step) const {
    QStringList args{QStringLiteral("sync"),
                     QStringLiteral("add"),
                     control<QLineEdit>("txtAddress")->text().trimmed(),
                     QStringLiteral("--file"),
                     bookPath_,
                     QStringLiteral("--machine")};
    if (step == Step::Find)
        args << QStringLiteral("--find");
    if (const QString user = control<QLineEdit>("txtUser")->text(); !user.isEmpty())
        args << QStringLiteral("--user") << user;
    if (step == Step::Link) {
        if (const Found* book = chosen())
            args << QStringLiteral("--book") << book->url;
        else
            args << QStringLiteral("--create") << QString::fromLatin1(link::kNewBookName);
        const auto* merge = control<QCheckBox>("chkMerge");
        if (!merge->isHidden() && merge->isChecked())
            args << QStringLiteral("--merge");
    }
    if (!certificate_.isEmpty())
        args << QStringLiteral("--certificate-sha256") << certificate_;
    for (const QString& host : hosts_)
        args << QStringLiteral("--allow-host") << host;
    return args;
}

void frmLink::run(Step step) {
    step_ = step;
    seenCertificate_.clear();
    seenHost_.clear();
    outcome_.clear();
    words_.clear();
    mergeContacts_ = -1;
    if (step == Step::Find) {
        found_ = false;
        books_.clear();
        contactsHere_ = 0;
        fillList(window());
    }
    // The password goes on standard input, where no other user's `ps` can read it.
    QByteArray input;
    if (!control<QLineEdit>("txtUser")->text().isEmpty())
        input = control<QLineEdit>("txtPassword")->text().toLocal8Bit() + '\n';
    const QString host =
        QUrl(control<QLineEdit>("txtAddress")->text().trimmed()).host(QUrl::FullyDecoded);
    status_ = step == Step::Find ? QStringLiteral("Looking for address books at %1...")
                                       .arg(host.isEmpty() ? QStringLiteral("the address") : host)
                                 : QStringLiteral("Linking...");
    child_.start(program_, arguments(step), input);
    showState();
}

void frmLink::lineRead(const LinkLine& line) {
    switch (line.kind) {
    case LinkLine::Kind::Book:
        books_.push_back({line.url, line.name, line.cards});
        break;
    case LinkLine::Kind::Here:
        contactsHere_ = line.contacts;
        break;
    case LinkLine::Kind::Contacts:
        mergeContacts_ = line.contacts;
        mergeCards_ = line.cards;
        break;
    case LinkLine::Kind::Certificate:
        seenCertificate_ = line.name;
        break;
    case LinkLine::Kind::Redirect:
        seenHost_ = line.name;
        break;
    case LinkLine::Kind::Result:
        outcome_ = line.outcome;
        words_ = line.words;
        break;
    case LinkLine::Kind::Linked:
    case LinkLine::Kind::Unknown:
        break;
    }
}

void frmLink::ended(const SyncEnd& end) {
    status_.clear();
    if (!isLoaded())
        return;
    const QString host = QUrl(control<QLineEdit>("txtAddress")->text().trimmed()).host();
    if (outcome_ == QLatin1String("certificate") && !seenCertificate_.isEmpty()) {
        showState();
        if (askYesNo(QStringLiteral("The certificate of %1 could not be verified, as happens with "
                                    "a self-signed one. Its SHA-256 fingerprint is:\n\n%2\n\n"
                                    "Trust it only if it is your server's own certificate "
                                    "(\"openssl x509 -noout -fingerprint -sha256 -in "
                                    "CERTIFICATE\" on the server shows it). Trust it?")
                         .arg(host, seenCertificate_),
                     false)) {
            certificate_ = seenCertificate_;
            run(step_);
        } else {
            status_ = QStringLiteral("The server's certificate was not trusted; nothing was "
                                     "linked.");
            showState();
        }
        return;
    }
    if (outcome_ == QLatin1String("redirect") && !seenHost_.isEmpty() &&
        !hosts_.contains(seenHost_)) {
        showState();
        const QString what = control<QLineEdit>("txtUser")->text().isEmpty()
                                 ? QStringLiteral("Follow it there?")
                                 : QStringLiteral("Send your user name and password there too?");
        if (askYesNo(QStringLiteral("The server sends us on to %1, which is not where the "
                                    "address points. %2")
                         .arg(seenHost_, what),
                     false)) {
            hosts_ << seenHost_;
            run(step_);
        } else {
            status_ = QStringLiteral("%1 was not confirmed; nothing was linked.").arg(seenHost_);
            showState();
        }
        return;
    }
    if (step_ == Step::Find && outcome_ == QLatin1String("found")) {
        found_ = true;
        fillList(window());
        status_ = books_.empty()
                      ? QStringLiteral("The server has no address book yet: Link makes one "
                                       "called \"%1\".")
                            .arg(QString::fromLatin1(link::kNewBookName))
                  : books_.size() == 1
                      ? QStringLiteral("Found one address book.")
                      : QStringLiteral("Found %1 address books: pick one.").arg(books_.size());
        showState();
        control<QWidget>(books_.size() > 1 ? "lstBooks" : "cmdLink")->setFocus();
        return;
    }
    if (step_ == Step::Link && outcome_ == QLatin1String("done")) {
        linkDone();
        return;
    }
    QString text = words_;
    if (outcome_ == QLatin1String("merge") && mergeContacts_ >= 0) {
        // The address book may have gained cards since it was found: the box shows now.
        for (Found& book : books_)
            if (&book == chosen())
                book.cards = mergeCards_;
        contactsHere_ = mergeContacts_;
        text = QStringLiteral("Nothing was linked: this address book holds %1 contacts and the "
                              "one on the server %2. Check \"Merge with the contacts here\" to "
                              "sync them together; contacts that are the same on both sides "
                              "are paired, not doubled.")
                   .arg(mergeContacts_)
                   .arg(cardsText(mergeCards_));
    } else if (outcome_ == QLatin1String("keyring")) {
        text = QStringLiteral("No desktop keyring (Secret Service) is running to keep the "
                              "password, so nothing was linked. Start the desktop's keyring, or "
                              "link the book in a terminal with \"rolvane-db sync add\" and a "
                              "--password-command (\"man rolvane-db\" tells how).");
    } else if (text.isEmpty()) {
        text = !end.problem.isEmpty()
                   ? end.problem
                   : QStringLiteral("%1 ended without saying why (exit status %2).")
                         .arg(program_)
                         .arg(end.exitCode);
    }
    showState();
    showMessage(text);
}

void frmLink::linkDone() {
    const QString why =
        usual_ && control<QCheckBox>("chkTimer")->isChecked() ? enableSyncTimer(true) : QString();
    const QString path = bookPath_;
    cmdCancel_Click();
    emit linked(path);
    if (!why.isEmpty())
        showMessage(QStringLiteral("The address book is linked, but %1").arg(why));
}

void frmLink::forgetFound() {
    if (!found_)
        return;
    found_ = false;
    books_.clear();
    status_.clear();
    fillList(window());
    showState();
}

const frmLink::Found* frmLink::chosen() const {
    if (books_.empty())
        return nullptr;
    const auto* list = control<QListWidget>("lstBooks");
    const int row = list ? list->currentRow() : 0;
    return &books_[row >= 0 && std::size_t(row) < books_.size() ? std::size_t(row) : 0];
}

void frmLink::fillList(QWidget* window) {
    if (!window)
        return;
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lstBooks"));
    const QSignalBlocker quiet(list);
    list->clear();
    if (!found_)
        return;
    for (const Found& book : books_) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 (%2)").arg(book.name, cardsText(book.cards)), list);
        item->setToolTip(book.url);
    }
    if (books_.empty())
        new QListWidgetItem(
            QStringLiteral("%1 (a new address book)").arg(QString::fromLatin1(link::kNewBookName)),
            list);
    list->setCurrentRow(0);
}

void frmLink::showState() {
    if (isLoaded())
        showState(window());
}

void frmLink::showState(QWidget* window) {
    const auto find = [window](const char* name) {
        return window->findChild<QWidget*>(QString::fromLatin1(name));
    };
    const bool running = child_.isRunning();
    for (const char* name : {"txtAddress", "txtUser", "txtPassword", "cmdFind", "chkTimer"})
        find(name)->setEnabled(!running);
    for (const char* name : {"lblBooks", "lstBooks", "cmdLink", "chkMerge"})
        find(name)->setEnabled(found_ && !running);
    // Enter finds until something is found, then links.
    static_cast<QPushButton*>(find("cmdFind"))->setDefault(!found_);
    static_cast<QPushButton*>(find("cmdLink"))->setDefault(found_);
    const Found* book = found_ ? chosen() : nullptr;
    find("chkMerge")->setVisible(contactsHere_ > 0 && book && book->cards > 0);
    static_cast<QLabel*>(find("lblStatus"))->setText(status_);
}

} // namespace rolvane::ui
