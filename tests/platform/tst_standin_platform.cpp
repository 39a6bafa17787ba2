// The platform layer used where there is no Windows: the stand-in registry over real files, the
// desktop launcher starting real programs, and StartSysInfo running over both.
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

namespace {

const std::string kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// A shell script that writes its arguments, one a line, to `marker`.
QString writeScript(const QString& path, const QString& marker) {
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + marker.toUtf8() + "'\n");
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TstStandInPlatform : public QObject {
    Q_OBJECT
private slots:
    void init();

    void registryHoldsTheFirstInstalledProgram();
    void registryFailsLikeAMissingKey();
    void registryAnswersAsWindowsDoes();
    void defaultProgramsAreAbsolute();
    void fileTestFindsOrdinaryFilesOnly();
    void launchStartsWholePathsAndSplitCommandLines();
    void launchFailsForNothingToStart();
    void sysInfoRunsOverTheStandIn();

private:
    std::string path(const char* name) const { return dir_->filePath(name).toStdString(); }
    std::string makeProgram(const char* name);

    std::unique_ptr<QTemporaryDir> dir_;
};

void TstStandInPlatform::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

std::string TstStandInPlatform::makeProgram(const char* name) {
    return writeScript(dir_->filePath(name), dir_->filePath(QStringLiteral("ran"))).toStdString();
}

void TstStandInPlatform::registryHoldsTheFirstInstalledProgram() {
    QFile plain(dir_->filePath("not-executable"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    const std::string second = makeProgram("second");
    const std::string third = makeProgram("third");
    platform::StandInRegistry registry(
        {path("missing"), path("not-executable"), path("folder"), second, third});

    platform::KeyHandle key = 0;
    QCOMPARE(registry.openKey(platform::rootKey(platform::kHkeyLocalMachine), kSysInfoKey, 0,
                              0x2003F, key),
             platform::kErrorSuccess);
    std::array<std::byte, 1024> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = 1024;
    // Names are found without regard to case, as in the Windows registry.
    QCOMPARE(registry.queryValue(key, "path", type, buffer, size), platform::kErrorSuccess);
    QCOMPARE(type, platform::kRegSz);
    QCOMPARE(size, std::uint32_t(second.size() + 1));
    QCOMPARE(std::string(reinterpret_cast<const char*>(buffer.data())), second);
    QCOMPARE(buffer[size - 1], std::byte{0});
    QCOMPARE(registry.closeKey(key), platform::kErrorSuccess);

    // Each open looks afresh: with the first program gone, the next one is found.
    QVERIFY(QFile::remove(QString::fromStdString(second)));
    QCOMPARE(registry.openKey(platform::rootKey(platform::kHkeyLocalMachine),
                              "software\\microsoft\\shared tools\\msinfo", 0, 0x2003F, key),
             platform::kErrorSuccess);
    size = 1024;
    QCOMPARE(registry.queryValue(key, "PATH", type, buffer, size), platform::kErrorSuccess);
    QCOMPARE(std::string(reinterpret_cast<const char*>(buffer.data())), third);
    QCOMPARE(registry.closeKey(key), platform::kErrorSuccess);
}

void TstStandInPlatform::registryFailsLikeAMissingKey() {
    platform::StandInRegistry nothing({path("missing")});
    platform::KeyHandle key = 7;
    const auto hklm = platform::rootKey(platform::kHkeyLocalMachine);
    QCOMPARE(nothing.openKey(hklm, kSysInfoKey, 0, 0x2003F, key), platform::kErrorFileNotFound);
    QCOMPARE(key, platform::KeyHandle(0));

    platform::StandInRegistry installed({makeProgram("tool")});
    QCOMPARE(installed.openKey(hklm, "SOFTWARE\\Microsoft\\Shared Tools Location", 0, 0x2003F, key),
             platform::kErrorFileNotFound);
    QCOMPARE(installed.openKey(platform::rootKey(std::int32_t(0x80000001u)), kSysInfoKey, 0,
                               0x2003F, key),
             platform::kErrorFileNotFound);
    QCOMPARE(installed.openKey(hklm, kSysInfoKey + "\\More", 0, 0x2003F, key),
             platform::kErrorFileNotFound);
}

void TstStandInPlatform::registryAnswersAsWindowsDoes() {
    const std::string tool = makeProgram("tool");
    platform::StandInRegistry registry({tool});
    platform::KeyHandle key = 0;
    QCOMPARE(registry.openKey(platform::rootKey(platform::kHkeyLocalMachine), kSysInfoKey, 0,
                              0x2003F, key),
             platform::kErrorSuccess);
    std::array<std::byte, 1024> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = 1024;
    QCOMPARE(registry.queryValue(key, "MSINFO", type, buffer, size), platform::kErrorFileNotFound);
    // Too little room: more data, and the size it would need.
    size = 4;
    QCOMPARE(registry.queryValue(key, "PATH", type, buffer, size), platform::kErrorMoreData);
    QCOMPARE(size, std::uint32_t(tool.size() + 1));
    QCOMPARE(registry.closeKey(key), platform::kErrorSuccess);
    size = 1024;
    QCOMPARE(registry.queryValue(key, "PATH", type, buffer, size), platform::kErrorInvalidHandle);
    QCOMPARE(registry.closeKey(key), platform::kErrorInvalidHandle);
}

void TstStandInPlatform::defaultProgramsAreAbsolute() {
    const auto& programs = platform::StandInRegistry::desktopPrograms();
    QVERIFY(!programs.empty());
    for (const std::string& program : programs)
        QVERIFY2(QDir::isAbsolutePath(QString::fromStdString(program)), program.c_str());
}

void TstStandInPlatform::fileTestFindsOrdinaryFilesOnly() {
    platform::DesktopLauncher launcher;
    QVERIFY(QDir(dir_->path()).mkdir("Tools"));
    for (const char* name : {"Tools/MSINFO32.EXE", ".hidden"}) {
        QFile file(dir_->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(launcher.isOrdinaryFile(path("Tools/MSINFO32.EXE")));
    // The program's Windows texts: a backslash is a separator, a doubled one too.
    QVERIFY(launcher.isOrdinaryFile(path("Tools") + "\\MSINFO32.EXE"));
    QVERIFY(launcher.isOrdinaryFile(path("Tools") + "\\\\MSINFO32.EXE"));
    QVERIFY(!launcher.isOrdinaryFile(path("Tools")));
    QVERIFY(!launcher.isOrdinaryFile(path(".hidden")));
    QVERIFY(!launcher.isOrdinaryFile(path("Tools/missing.exe")));
    QVERIFY(!launcher.isOrdinaryFile(""));
}

void TstStandInPlatform::launchStartsWholePathsAndSplitCommandLines() {
    platform::DesktopLauncher launcher;
    const QString marker = dir_->filePath("ran");
    // A path with spaces that names a program is started whole, with no arguments.
    QVERIFY(QDir(dir_->path()).mkdir("System Tools"));
    const std::string spaced = makeProgram("System Tools/info tool");
    QVERIFY(launcher.launch(spaced, platform::kNormalFocus));
    QTRY_VERIFY(QFile::exists(marker));
    QTRY_COMPARE(readAll(marker), QString());
    QVERIFY(QFile::remove(marker));

    // Otherwise the program and its arguments are split as a shell would.
    const std::string tool = makeProgram("tool");
    QVERIFY(launcher.launch(tool + " --summary \"two words\"", platform::kNormalFocus));
    QTRY_COMPARE(readAll(marker), QStringLiteral("--summary\ntwo words\n"));
}

void TstStandInPlatform::launchFailsForNothingToStart() {
    platform::DesktopLauncher launcher;
    QVERIFY(!launcher.launch("", platform::kNormalFocus));
    QVERIFY(!launcher.launch("   ", platform::kNormalFocus));
    QVERIFY(!launcher.launch(path("missing") + " --summary", platform::kNormalFocus));
    QVERIFY(!launcher.launch(dir_->path().toStdString(), platform::kNormalFocus));
    QFile plain(dir_->filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(!launcher.launch(path("plain"), platform::kNormalFocus));
}

void TstStandInPlatform::sysInfoRunsOverTheStandIn() {
    test::MessageRecorder messages;
    test::FakeLauncher launcher;
    const std::string tool = makeProgram("tool");
    launcher.programs.insert(tool);

    platform::StandInRegistry installed({path("missing"), tool});
    ui::frmAbout about(installed, launcher);
    about.StartSysInfo();
    QCOMPARE(launcher.launches.size(), std::size_t(1));
    QCOMPARE(launcher.launches[0].first, tool);
    QVERIFY(messages.messages.isEmpty());

    platform::StandInRegistry none({path("missing")});
    ui::frmAbout without(none, launcher);
    without.StartSysInfo();
    QCOMPARE(messages.messages,
             QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    QCOMPARE(launcher.launches.size(), std::size_t(1));
    QVERIFY(launcher.fileTests.empty());
}

QTEST_MAIN(TstStandInPlatform)
#include "tst_standin_platform.moc"
