// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the About dialog from its layout table; StartSysInfo and GetKeyValue read the registry
// through the platform layer.
#include "frm_about.h"

#include "frm_about_layout.h"
#include "platform/platform_services.h"
#include "registry_text.h"
#include "ui/common/light_palette.h"
#include "ui/common/message_box.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <array>

namespace rolvane::ui {

namespace {

const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoValue = QStringLiteral("PATH");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kLocationValue = QStringLiteral("MSINFO");
const QString kToolFile = QStringLiteral("\\MSINFO32.EXE");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// READ_CONTROL and all six key rights, though the lookups only read: a key the account may read
// but not write is refused, and that lookup fails like a missing one.
constexpr std::uint32_t kKeyAccess = platform::kReadControl | platform::kKeyQueryValue |
                                     platform::kKeySetValue | platform::kKeyCreateSubKey |
                                     platform::kKeyEnumerateSubKeys | platform::kKeyNotify |
                                     platform::kKeyCreateLink;
constexpr std::uint32_t kValueBufferSize = 1024;

// The registry's ANSI entry points take and give the system's 8-bit code page.
std::string toAnsi(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

} // namespace

frmAbout::frmAbout()
    : frmAbout(platform::systemServices().registry, platform::systemServices().launcher) {}

frmAbout::frmAbout(platform::Registry& registry, platform::ProgramLauncher& launcher)
    : registry_(registry), launcher_(launcher) {}

QWidget* frmAbout::load() {
    // A dialog, so that Enter goes to the default button wherever the focus is, unless the
    // focus is on another button.
    auto* window = new QDialog;
    window->setObjectName(QStringLiteral("frmAbout"));
    window->setWindowTitle(QString::fromLatin1(about::kCaption));
    window->setWindowIcon(programIcon());
    setFixedBorder(window);
    useLightPalette(window); // the black title and the white rule were drawn on a light face
    window->setFixedSize(toPixels(about::kClientWidth), toPixels(about::kClientHeight));

    buildControls(window, about::kPictureAndButtons);
    buildControls(window, {}, about::kGreyRule);
    buildControls(window, about::kTitle);
    buildControls(window, {}, about::kWhiteRule);

    auto* ok = window->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    auto* sysInfo = window->findChild<QPushButton*>(QStringLiteral("cmdSysInfo"));
    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    ok->setFocus();
    return window;
}

void frmAbout::place(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    // setGeometry places the client area, not the frame.
    window->setGeometry(
        QRect(origin + QPoint(toPixels(about::kClientLeft), toPixels(about::kClientTop)),
              window->size()));
}

void frmAbout::cmdOK_Click() {
    Unload();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    bool started = false;
    try {
        started = launchSysInfo();
    } catch (...) {
        // Any run-time failure on the way, inside GetKeyValue too, ends in the message.
        started = false;
    }
    if (!started)
        showMessage(kUnavailable);
}

bool frmAbout::launchSysInfo() {
    QString path;
    if (!GetKeyValue(platform::kHkeyLocalMachine, kSysInfoKey, kSysInfoValue, path)) {
        if (!GetKeyValue(platform::kHkeyLocalMachine, kLocationKey, kLocationValue, path))
            return false;
        if (!launcher_.isOrdinaryFile((path + kToolFile).toStdString()))
            return false;
        path += kToolFile;
    }
    // The first lookup's path is launched as read, without a file test.
    return launcher_.launch(path.toStdString(), platform::kNormalFocus);
}

bool frmAbout::GetKeyValue(const std::int32_t& KeyRoot, const QString& KeyName,
                           const QString& SubKeyRef, QString& KeyVal) {
    platform::KeyHandle opened = 0;
    if (registry_.openKey(platform::rootKey(KeyRoot), toAnsi(KeyName), 0, kKeyAccess, opened) !=
        platform::kErrorSuccess) {
        KeyVal.clear();
        return false;
    }
    platform::OpenedKey key(registry_, opened);

    std::array<std::byte, kValueBufferSize> buffer{};
    std::uint32_t dataSize = kValueBufferSize;
    std::uint32_t type = 0;
    if (registry_.queryValue(key.handle(), toAnsi(SubKeyRef), type, buffer, dataSize) !=
        platform::kErrorSuccess) {
        KeyVal.clear();
        key.close();
        return false;
    }

    // The same cut for every type, before the type is looked at.
    const QByteArray text = cutToDataSize(buffer, dataSize);
    switch (type) {
    case platform::kRegSz:
        KeyVal = QString::fromLocal8Bit(text);
        break;
    case platform::kRegDword:
        KeyVal = formatGeneral(doubleWordText(text));
        break;
    default:
        // Another type is found, but leaves the text as it was handed in.
        break;
    }
    key.close();
    return true;
}

} // namespace rolvane::ui
