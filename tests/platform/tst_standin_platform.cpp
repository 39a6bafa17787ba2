// SPDX-License-Identifier: GPL-3.0-or-later
// The platform layer where there is no Windows: the stand-in registry over real files, the
// desktop launcher starting real programs, and StartSysInfo over the stand-in.
#include "platform/desktop_launcher.h"
#include "platform/fake_platform.h"
#include "platform/standin_registry.h"
#include "support/message_recorder.h"
#include "ui/about/frm_about.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>

using namespace rolvane;
using namespace Qt::StringLiterals;

class TstStandInPlatform : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.emplace().isValid()); }
    void registryHoldsTheFirstInstalledProgram();
    void fileTestFindsOrdinaryFilesOnly();
    void launchStartsWholePathsAndSplitCommandLines();

private:
    std::string path(const char* name) const {
        return dir_->filePath(QString::fromLatin1(name)).toStdString();
    }
    // A script that writes its arguments, one a line, to the file "ran".
    std::string makeProgram(const char* name) {
        QFile script(dir_->filePath(QString::fromLatin1(name)));
        if (script.open(QIODevice::WriteOnly))
            script.write(
                "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$(dirname \"$0\")/ran\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path(name);
    }
    QString ran() const {
        QFile file(dir_->filePath(u"ran"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::optional<QTemporaryDir> dir_;
};

void TstStandInPlatform::registryHoldsTheFirstInstalledProgram() {
    QVERIFY(QDir(dir_->path()).mkdir(u"folder"_s));
    QFile(dir_->filePath(u"plain"_s)).open(QIODevice::WriteOnly);
    const std::string first = makeProgram("first"), second = makeProgram("second");
    platform::StandInRegistry registry(
        {path("missing"), path("plain"), path("folder"), first, second});
    const auto hklm = platform::rootKey(platform::kHkeyLocalMachine);
    const std::string key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    std::array<std::byte, 1024> buffer{};
    std::uint32_t type = 0, size = 1024;
    platform::KeyHandle opened = 0;

    // Names are found without regard to case; the string comes with its NUL.
    QCOMPARE(
        registry.openKey(hklm, "software\\microsoft\\shared tools\\msinfo", 0, 0x2003F, opened), 0);
    QCOMPARE(registry.queryValue(opened, "Path", type, buffer, size), 0);
    QCOMPARE(std::make_pair(type, size), std::make_pair(1u, std::uint32_t(first.size() + 1)));
    QCOMPARE(std::string(reinterpret_cast<const char*>(buffer.data())), first);
    QCOMPARE(registry.queryValue(opened, "MSINFO", type, buffer, size),
             platform::kErrorFileNotFound);
    size = 4;
    QCOMPARE(registry.queryValue(opened, "PATH", type, buffer, size), platform::kErrorMoreData);
    QCOMPARE(registry.closeKey(opened), 0);
    QCOMPARE(registry.closeKey(opened), platform::kErrorInvalidHandle);

    // Each open looks afresh: with the first program gone the next is found, then none.
    QVERIFY(QFile::remove(QString::fromStdString(first)));
    test::FakeLauncher launcher;
    launcher.programs = {second};
    test::MessageRecorder messages;
    ui::frmAbout about(registry, launcher);
    about.StartSysInfo();
    QVERIFY(QFile::remove(QString::fromStdString(second)));
    about.StartSysInfo();
    QCOMPARE(launcher.launches, std::vector{second});
    QCOMPARE(messages.messages.size(), 1);

    // Only the one key below HKLM is there.
    QVERIFY(makeProgram("first") == first);
    QCOMPARE(
        registry.openKey(hklm, "SOFTWARE\\Microsoft\\Shared Tools Location", 0, 0x2003F, opened),
        2);
    QCOMPARE(
        registry.openKey(platform::rootKey(std::int32_t(0x80000001u)), key, 0, 0x2003F, opened), 2);
    QCOMPARE(registry.openKey(hklm, key, 0, 0x2003F, opened), 0);
    QCOMPARE(registry.closeKey(opened), 0);
}

void TstStandInPlatform::fileTestFindsOrdinaryFilesOnly() {
    platform::DesktopLauncher launcher;
    QVERIFY(QDir(dir_->path()).mkdir(u"Tools"_s));
    QFile(dir_->filePath(u"Tools/MSINFO32.EXE"_s)).open(QIODevice::WriteOnly);
    QFile(dir_->filePath(u".hidden"_s)).open(QIODevice::WriteOnly);
    // The program's paths are Windows texts: a backslash is a separator, a doubled one too.
    QVERIFY(launcher.isOrdinaryFile(path("Tools/MSINFO32.EXE")));
    QVERIFY(launcher.isOrdinaryFile(path("Tools") + "\\\\MSINFO32.EXE"));
    QVERIFY(!launcher.isOrdinaryFile(path("Tools")));
    QVERIFY(!launcher.isOrdinaryFile(path(".hidden")));
    QVERIFY(!launcher.isOrdinaryFile(path("Tools/missing.exe")));
    QVERIFY(!launcher.isOrdinaryFile(""));
}

void TstStandInPlatform::launchStartsWholePathsAndSplitCommandLines() {
    platform::DesktopLauncher launcher;
    // A path with spaces that names a program starts whole, with no arguments.
    QVERIFY(QDir(dir_->path()).mkdir(u"System Tools"_s));
    QVERIFY(launcher.launch(makeProgram("System Tools/info tool"), 1));
    QTRY_VERIFY(QFile::exists(dir_->filePath(u"System Tools/ran"_s)));
    // Otherwise the program and its arguments are split as a shell would.
    QVERIFY(launcher.launch(makeProgram("tool") + " --summary \"two words\"", 1));
    QTRY_COMPARE(ran(), QStringLiteral("--summary\ntwo words\n"));

    for (const std::string& nothing : {std::string(), std::string("  "), path("missing"), path("")})
        QVERIFY2(!launcher.launch(nothing, 1), nothing.c_str());
}

QTEST_MAIN(TstStandInPlatform)
#include "tst_standin_platform.moc"
