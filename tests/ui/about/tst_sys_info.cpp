// GetKeyValue and StartSysInfo over a fake registry and launcher: how values become text, and
// every way to the launch or to the one message.
#include "platform/fake_platform.h"
#include "support/message_recorder.h"
#include "ui/about/frm_about.h"
#include "ui/about/registry_text.h"

#include <QTest>

using namespace rolvane;

namespace {

const std::string kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
const std::string kTool = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";

} // namespace

class TstSysInfo : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void stringLosesOnlyOneTrailingNul();
    void fullBufferIsReadWholeAndLongerIsNotFound();
    void emptyDataIsARunTimeFailure();
    void otherTypesAreFoundButLeaveTheText();
    void doubleWordIsFormattedFromItsHexText();
    void failedOpenOrQueryGivesFalseAndEmptyText();
    void openAsksForTheFullMaskAndIsRefusedForIt();

    void pathIsLaunchedAsReadWithoutAFileTest();
    void locationDirectoryIsTestedAndLaunched();
    void everyFailureEndsInTheMessage();
    void runTimeFailuresEndInTheMessage();

private:
    // GetKeyValue on the first lookup's key and value.
    bool readPath(QString& value);

    std::unique_ptr<test::FakeRegistry> registry_;
    std::unique_ptr<test::FakeLauncher> launcher_;
    std::unique_ptr<ui::frmAbout> about_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstSysInfo::init() {
    registry_ = std::make_unique<test::FakeRegistry>();
    launcher_ = std::make_unique<test::FakeLauncher>();
    about_ = std::make_unique<ui::frmAbout>(*registry_, *launcher_);
    messages_ = std::make_unique<test::MessageRecorder>();
}

void TstSysInfo::cleanup() {
    // Whatever happened, the routine that opened a key closed it.
    QCOMPARE(registry_->openKeys(), std::size_t(0));
    messages_.reset();
    about_.reset();
    launcher_.reset();
    registry_.reset();
}

bool TstSysInfo::readPath(QString& value) {
    return about_->GetKeyValue(platform::kHkeyLocalMachine, QString::fromStdString(kSysInfoKey),
                               QStringLiteral("PATH"), value);
}

void TstSysInfo::stringLosesOnlyOneTrailingNul() {
    QString value;
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray("C:\\a.exe\0", 9));
    QVERIFY(readPath(value));
    QCOMPARE(value, QStringLiteral("C:\\a.exe"));

    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray("C:\\a.exe"));
    QVERIFY(readPath(value));
    QCOMPARE(value, QStringLiteral("C:\\a.exe"));

    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray("C:\\a.exe\0\0", 10));
    QVERIFY(readPath(value));
    QCOMPARE(value, QString::fromLatin1("C:\\a.exe\0", 9));

    // The query gets the whole buffer, cleared, and says so.
    QCOMPARE(registry_->bufferSize, std::size_t(1024));
    QCOMPARE(registry_->roomOffered, 1024u);
    QVERIFY(registry_->bufferWasClear);
    QCOMPARE(registry_->closes, 3);
}

void TstSysInfo::fullBufferIsReadWholeAndLongerIsNotFound() {
    QString value;
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray(1024, 'x'));
    QVERIFY(readPath(value));
    QCOMPARE(value.size(), 1024);

    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray(1023, 'x') + '\0');
    QVERIFY(readPath(value));
    QCOMPARE(value, QString(1023, QLatin1Char('x')));

    value = QStringLiteral("handed in");
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray(1024, 'x') + '\0');
    QVERIFY(!readPath(value));
    QVERIFY(value.isEmpty());
    QCOMPARE(registry_->closes, 3);
}

void TstSysInfo::emptyDataIsARunTimeFailure() {
    QString value;
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegSz, QByteArray());
    QVERIFY_THROWS_EXCEPTION(platform::RunTimeFailure, readPath(value));
    QCOMPARE(registry_->closes, 1);

    // StartSysInfo handles it: the message, and no second lookup.
    about_->StartSysInfo();
    QCOMPARE(messages_->messages, QStringList{kUnavailable});
    QCOMPARE(registry_->opens.size(), std::size_t(2));
    QVERIFY(launcher_->launches.empty());
}

void TstSysInfo::otherTypesAreFoundButLeaveTheText() {
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegExpandSz,
                        QByteArray("%SystemRoot%\\x.exe\0", 19));
    QString value = QStringLiteral("as handed in");
    QVERIFY(readPath(value));
    QCOMPARE(value, QStringLiteral("as handed in"));
    value.clear();
    QVERIFY(readPath(value));
    QVERIFY(value.isEmpty());
}

void TstSysInfo::doubleWordIsFormattedFromItsHexText() {
    // 02 01 00 00 least significant first: the top NUL goes, six digits stand.
    const QByteArray bytes("\x02\x01\x00\x00", 4);
    const std::byte* raw = reinterpret_cast<const std::byte*>(bytes.constData());
    const QByteArray cut = ui::cutToDataSize(std::span(raw, 4), 4);
    QCOMPARE(ui::doubleWordText(cut), QStringLiteral("&h000102"));
    QCOMPARE(ui::formatGeneral(QStringLiteral("&h000102")), QStringLiteral("258"));

    QString value;
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegDword, bytes);
    QVERIFY(readPath(value));
    QCOMPARE(value, QStringLiteral("258"));

    registry_->setValue(kSysInfoKey, "PATH", platform::kRegDword,
                        QByteArray("\x0f\x00\x00\x80", 4));
    QVERIFY(readPath(value));
    QCOMPARE(value, QStringLiteral("-2147483633"));

    // Texts that are no 32-bit hex literal stay as they are.
    QCOMPARE(ui::formatGeneral(QStringLiteral("&h")), QStringLiteral("&h"));
    QCOMPARE(ui::formatGeneral(QStringLiteral("&h123456789")), QStringLiteral("&h123456789"));
    QCOMPARE(ui::formatGeneral(QStringLiteral("&hG1")), QStringLiteral("&hG1"));
    QCOMPARE(ui::formatGeneral(QStringLiteral("C:\\x")), QStringLiteral("C:\\x"));
    QCOMPARE(ui::formatGeneral(QStringLiteral("&Hff")), QStringLiteral("255"));
}

void TstSysInfo::failedOpenOrQueryGivesFalseAndEmptyText() {
    QString value = QStringLiteral("handed in");
    QVERIFY(!readPath(value));
    QVERIFY(value.isEmpty());
    QCOMPARE(registry_->closes, 0);
    QVERIFY(registry_->queries.empty());

    registry_->addKey(kSysInfoKey);
    value = QStringLiteral("handed in");
    QVERIFY(!readPath(value));
    QVERIFY(value.isEmpty());
    QCOMPARE(registry_->queries, std::vector<std::string>{"PATH"});
    QCOMPARE(registry_->closes, 1);
}

void TstSysInfo::openAsksForTheFullMaskAndIsRefusedForIt() {
    registry_->setString(kSysInfoKey, "PATH", QByteArray::fromStdString(kTool));
    QString value;
    QVERIFY(readPath(value));
    QCOMPARE(registry_->opens.size(), std::size_t(1));
    const test::FakeRegistry::Open& open = registry_->opens.front();
    QCOMPARE(open.root, platform::KeyHandle(std::int32_t(0x80000002u)));
    QCOMPARE(open.key, kSysInfoKey);
    QCOMPARE(open.options, 0u);
    QCOMPARE(open.access, 0x2003Fu);

    registry_->refuseWriteAccess(kSysInfoKey);
    QVERIFY(!readPath(value));
    QVERIFY(value.isEmpty());
    QCOMPARE(registry_->queries.size(), std::size_t(1));
}

void TstSysInfo::pathIsLaunchedAsReadWithoutAFileTest() {
    registry_->setString(kSysInfoKey, "PATH", QByteArray::fromStdString(kTool));
    registry_->setString(kLocationKey, "MSINFO", "C:\\Elsewhere");
    launcher_->programs.insert(kTool);
    about_->StartSysInfo();
    QCOMPARE(launcher_->launches.size(), std::size_t(1));
    QCOMPARE(launcher_->launches[0].first, kTool);
    QCOMPARE(launcher_->launches[0].second, 1);
    QVERIFY(launcher_->fileTests.empty());
    QCOMPARE(registry_->opens.size(), std::size_t(1));
    QVERIFY(messages_->messages.isEmpty());
}

void TstSysInfo::locationDirectoryIsTestedAndLaunched() {
    registry_->setString(kLocationKey, "MSINFO", "C:\\Tools");
    launcher_->files.insert("C:\\Tools\\MSINFO32.EXE");
    launcher_->programs.insert("C:\\Tools\\MSINFO32.EXE");
    about_->StartSysInfo();
    QCOMPARE(launcher_->fileTests, std::vector<std::string>{"C:\\Tools\\MSINFO32.EXE"});
    QCOMPARE(launcher_->launches.size(), std::size_t(1));
    QCOMPARE(launcher_->launches[0].first, "C:\\Tools\\MSINFO32.EXE");
    QVERIFY(messages_->messages.isEmpty());

    // A directory ending in a backslash gives a doubled one, passed on as it is.
    registry_->setString(kLocationKey, "MSINFO", "C:\\Tools\\");
    launcher_->files = {"C:\\Tools\\\\MSINFO32.EXE"};
    launcher_->programs = {"C:\\Tools\\\\MSINFO32.EXE"};
    about_->StartSysInfo();
    QCOMPARE(launcher_->fileTests.back(), "C:\\Tools\\\\MSINFO32.EXE");
    QCOMPARE(launcher_->launches.back().first, "C:\\Tools\\\\MSINFO32.EXE");
    QVERIFY(messages_->messages.isEmpty());

    // Another type under the location leaves the directory empty: the root of the drive.
    registry_->setValue(kLocationKey, "MSINFO", platform::kRegExpandSz, "%ProgramFiles%\0");
    about_->StartSysInfo();
    QCOMPARE(launcher_->fileTests.back(), "\\MSINFO32.EXE");
    QCOMPARE(messages_->messages, QStringList{kUnavailable});
}

void TstSysInfo::everyFailureEndsInTheMessage() {
    // Both keys missing: no file test, no launch.
    about_->StartSysInfo();
    QCOMPARE(messages_->messages, QStringList{kUnavailable});
    QCOMPARE(registry_->opens.size(), std::size_t(2));
    QVERIFY(launcher_->fileTests.empty());
    QVERIFY(launcher_->launches.empty());

    // Both keys there, both values missing.
    registry_->addKey(kSysInfoKey);
    registry_->addKey(kLocationKey);
    about_->StartSysInfo();
    QCOMPARE(messages_->messages.size(), 2);
    QVERIFY(launcher_->launches.empty());

    // The location names a directory without the tool.
    registry_->setString(kLocationKey, "MSINFO", "C:\\Tools");
    about_->StartSysInfo();
    QCOMPARE(messages_->messages.size(), 3);
    QCOMPARE(launcher_->fileTests.size(), std::size_t(1));
    QVERIFY(launcher_->launches.empty());

    // PATH names no program: the launch fails, and the location is not tried.
    launcher_->files.insert("C:\\Tools\\MSINFO32.EXE");
    launcher_->programs.insert("C:\\Tools\\MSINFO32.EXE");
    registry_->setString(kSysInfoKey, "PATH", "C:\\Gone\\msinfo32.exe");
    const std::size_t opensBefore = registry_->opens.size();
    about_->StartSysInfo();
    QCOMPARE(messages_->messages.size(), 4);
    QCOMPARE(registry_->opens.size(), opensBefore + 1);
    QCOMPARE(launcher_->launches.back().first, "C:\\Gone\\msinfo32.exe");

    // Another type under PATH is found with an empty path, which cannot start.
    registry_->setValue(kSysInfoKey, "PATH", platform::kRegExpandSz, "%windir%\\x.exe\0");
    about_->StartSysInfo();
    QCOMPARE(messages_->messages.size(), 5);
    QCOMPARE(launcher_->launches.back().first, "");

    // Both keys refused for the access mask.
    test::FakeRegistry refusing;
    refusing.setString(kSysInfoKey, "PATH", QByteArray::fromStdString(kTool));
    refusing.setString(kLocationKey, "MSINFO", "C:\\Tools");
    refusing.refuseWriteAccess(kSysInfoKey);
    refusing.refuseWriteAccess(kLocationKey);
    launcher_->programs.insert(kTool);
    ui::frmAbout locked(refusing, *launcher_);
    const std::size_t launches = launcher_->launches.size();
    locked.StartSysInfo();
    QCOMPARE(messages_->messages.size(), 6);
    QCOMPARE(launcher_->launches.size(), launches);
    QCOMPARE(refusing.opens.size(), std::size_t(2));
    QVERIFY(messages_->messages.count(kUnavailable) == messages_->messages.size());
}

void TstSysInfo::runTimeFailuresEndInTheMessage() {
    registry_->setString(kSysInfoKey, "PATH", QByteArray::fromStdString(kTool));
    launcher_->programs.insert(kTool);
    registry_->failQueries();
    about_->StartSysInfo();
    QCOMPARE(messages_->messages, QStringList{kUnavailable});
    QVERIFY(launcher_->launches.empty());
    // The key opened before the failure was closed on the way out.
    QCOMPARE(registry_->closes, 1);
}

QTEST_MAIN(TstSysInfo)
#include "tst_sys_info.moc"
