// SPDX-License-Identifier: GPL-3.0-or-later
// GetKeyValue and StartSysInfo over a fake registry and launcher: how values become text, and
// every way to the launch or to the one message.
#include "platform/fake_platform.h"
#include "support/message_recorder.h"
#include "ui/about/frm_about.h"
#include "ui/about/registry_text.h"

#include <QTest>

using namespace rolvane;
using namespace Qt::StringLiterals;

namespace {
const std::string kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kTool = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
const QByteArray kNone; // a value that is not there
} // namespace

class TstSysInfo : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
    void runTimeFailuresEndInTheMessage();

private:
    test::FakeRegistry registry_;
    test::FakeLauncher launcher_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstSysInfo::init() {
    registry_ = {};
    launcher_ = {};
    messages_ = std::make_unique<test::MessageRecorder>();
}

void TstSysInfo::cleanup() {
    // Whatever happened, the routine that opened a key closed it.
    QVERIFY(registry_.opened.empty());
    messages_.reset();
}

void TstSysInfo::getKeyValue_data() {
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value"); // handed in "before"
    QTest::addColumn<bool>("readOnly"); // the key refuses opens asking for more than reading
    const auto row = [](const char* name, uint type, const QByteArray& data, bool found,
                        const QString& value, bool readOnly = false) {
        QTest::newRow(name) << type << data << found << value << readOnly;
    };
    const QByteArray full(1024, 'x');
    row("one NUL dropped", 1, QByteArray("C:\\a\0", 5), true, u"C:\\a"_s);
    row("no NUL kept", 1, "C:\\a", true, u"C:\\a"_s);
    row("two NULs leave one", 1, QByteArray("C:\\a\0\0", 6), true, u"C:\\a"_s + QChar(0));
    row("1024 bytes whole", 1, full, true, QString::fromLatin1(full));
    row("1025 bytes not found", 1, full + '\0', false, u""_s);
    row("value missing", 1, kNone, false, u""_s);
    row("refused for the mask", 1, "C:\\a", false, u""_s, true);
    row("type 2 leaves the text", 2, QByteArray("%windir%\0", 9), true, u"before"_s);
    // 02 01 00 00: the top NUL goes, "&h000102" is formatted to its decimal text.
    row("double word", 4, QByteArray("\x02\x01\0\0", 4), true, u"258"_s);
    row("double word, top bit", 4, QByteArray("\x0f\0\0\x80", 4), true, u"-2147483633"_s);
}

void TstSysInfo::getKeyValue() {
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, found);
    QFETCH(QString, value);
    QFETCH(bool, readOnly);
    registry_.keys[kSysInfoKey];
    if (!data.isNull())
        registry_.keys[kSysInfoKey]["PATH"] = {type, data};
    if (readOnly)
        registry_.readOnly.insert(kSysInfoKey);
    ui::frmAbout about(registry_, launcher_);
    QString read = QStringLiteral("before");
    QCOMPARE(about.GetKeyValue(std::int32_t(0x80000002u), QString::fromStdString(kSysInfoKey),
                               QStringLiteral("PATH"), read),
             found);
    QCOMPARE(read, value);
    QCOMPARE(registry_.opens[0].key, kSysInfoKey);
    QCOMPARE(std::make_pair(registry_.opens[0].options, registry_.opens[0].access),
             std::make_pair(0u, 0x2003Fu));
    QCOMPARE(registry_.closes, readOnly ? 0 : 1);

    QCOMPARE(ui::doubleWordText(QByteArray("\x02\x01\0", 3)), QStringLiteral("&h000102"));
    for (const char* text : {"&h", "&h123456789", "&hG1", "C:\\x"})
        QCOMPARE(ui::formatGeneral(QString::fromLatin1(text)), QString::fromLatin1(text));
}

void TstSysInfo::startSysInfo_data() {
    QTest::addColumn<QByteArray>("path"); // PATH under the first key
    QTest::addColumn<uint>("pathType");
    QTest::addColumn<QByteArray>("location"); // MSINFO under the location key
    QTest::addColumn<QString>("file");        // the one ordinary file, which also starts
    QTest::addColumn<QStringList>("fileTests");
    QTest::addColumn<QString>("launched"); // the one launch tried, or none
    QTest::addColumn<bool>("message");
    const QString tool = QString::fromStdString(kTool);
    const QString inTools = QStringLiteral("C:\\Tools\\MSINFO32.EXE");
    QTest::newRow("PATH launched as read")
        << QByteArray::fromStdString(kTool) << 1u << QByteArray("C:\\Tools") << tool
        << QStringList() << tool << false;
    QTest::newRow("directory + file") << kNone << 1u << QByteArray("C:\\Tools") << inTools
                                      << QStringList{inTools} << inTools << false;
    QTest::newRow("backslash doubled")
        << kNone << 1u << QByteArray("C:\\Tools\\") << "C:\\Tools\\\\MSINFO32.EXE"
        << QStringList{u"C:\\Tools\\\\MSINFO32.EXE"_s} << "C:\\Tools\\\\MSINFO32.EXE" << false;
    QTest::newRow("PATH names no program")
        << QByteArray("C:\\Gone\\msinfo32.exe") << 1u << QByteArray("C:\\Tools") << inTools
        << QStringList() << "C:\\Gone\\msinfo32.exe" << true;
    QTest::newRow("PATH of type 2: empty")
        << QByteArray("%windir%\\x.exe") << 2u << kNone << "" << QStringList() << "" << true;
    QTest::newRow("no file in directory") << kNone << 1u << QByteArray("C:\\Tools") << ""
                                          << QStringList{inTools} << QString() << true;
    QTest::newRow("both missing") << kNone << 1u << kNone << inTools << QStringList() << QString()
                                  << true;
}

void TstSysInfo::startSysInfo() {
    QFETCH(QByteArray, path);
    QFETCH(uint, pathType);
    QFETCH(QByteArray, location);
    QFETCH(QString, file);
    QFETCH(QStringList, fileTests);
    QFETCH(QString, launched);
    QFETCH(bool, message);
    if (!path.isNull())
        registry_.keys[kSysInfoKey]["PATH"] = {pathType, path + '\0'};
    if (!location.isNull())
        registry_.keys[kLocationKey]["MSINFO"] = {platform::kRegSz, location + '\0'};
    if (!file.isEmpty())
        launcher_.files = launcher_.programs = {file.toStdString()};

    ui::frmAbout about(registry_, launcher_);
    about.StartSysInfo();
    QStringList tested;
    for (const std::string& test : launcher_.fileTests)
        tested << QString::fromStdString(test);
    QCOMPARE(tested, fileTests);
    const std::vector<std::string> launches =
        launched.isNull() ? std::vector<std::string>{} : std::vector{launched.toStdString()};
    QCOMPARE(launcher_.launches, launches);
    QVERIFY(launcher_.windowModes == std::vector<int>(launches.size(), 1));
    QCOMPARE(messages_->messages, message ? QStringList{kUnavailable} : QStringList());
}

void TstSysInfo::runTimeFailuresEndInTheMessage() {
    // Data size 0 fails in GetKeyValue and is handled by StartSysInfo, without a second lookup.
    registry_.keys[kSysInfoKey]["PATH"] = {platform::kRegSz, QByteArray("")};
    registry_.keys[kLocationKey]["MSINFO"] = {platform::kRegSz, QByteArray("C:\\Tools")};
    ui::frmAbout about(registry_, launcher_);
    QString value;
    QVERIFY_THROWS_EXCEPTION(platform::RunTimeFailure,
                             about.GetKeyValue(platform::kHkeyLocalMachine,
                                               QString::fromStdString(kSysInfoKey),
                                               QStringLiteral("PATH"), value));
    about.StartSysInfo();
    QCOMPARE(registry_.opens.size(), std::size_t(2));

    // A registry function that cannot be bound; and both keys refused for the access mask.
    registry_.failQueries = true;
    about.StartSysInfo();
    registry_.failQueries = false;
    registry_.readOnly = {kSysInfoKey, kLocationKey};
    about.StartSysInfo();
    QCOMPARE(messages_->messages, QStringList(3, kUnavailable));
    QVERIFY(launcher_.launches.empty() && launcher_.fileTests.empty());
}

QTEST_MAIN(TstSysInfo)
#include "tst_sys_info.moc"
