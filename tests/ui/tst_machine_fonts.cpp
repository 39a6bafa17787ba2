// SPDX-License-Identifier: GPL-3.0-or-later
// The windows look the same whatever the machine calls sans-serif: this program runs itself twice,
// under a fontconfig whose sans-serif is Liberation Mono and under one whose sans-serif is DejaVu
// Sans, each time saving what every field and button draws, and compares the pictures.
#include "app/forms.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/fonts.h"
#include "ui/common/form.h"
#include "ui/main/frm_addy.h"
#include "ui/search/frm_search.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace rolvane;

namespace {

constexpr char kDrawInto[] = "ROLVANE_DRAW_INTO";
// A field in the desktop's default font, as fields were drawn before the program chose its own:
// tells that the two configurations do differ.
const QString kProbe = QStringLiteral("probe");

void save(QWidget* widget, const QString& name, const QDir& into) {
    widget->grab().toImage().save(into.filePath(name + QStringLiteral(".png")));
}

void drawWindows(const QDir& into) {
    QLineEdit probe(QStringLiteral("Wilhelmina Ilse"));
    probe.resize(160, 21);
    save(&probe, kProbe, into);

    ui::useProgramFonts();
    QApplication::setCursorFlashTime(0); // the caret is drawn steadily, not at a moment's whim
    test::TestBook book;
    book.insert({{"First Name", "Wilhelmina"},
                 {"Last Name", "Müller-Lüdenscheidt"},
                 {"Ph1", "(555) 010-4477"},
                 {"Ph2", "+44 20 7946 0018"},
                 {"Ph3", "555 0199"},
                 {"Email", "w.mueller@example.org"},
                 {"Bus", "555-0142 ext. 12"},
                 {"Fax", "555-0143"},
                 {"Addy", "Im Wiesengrund 7\n8040 Zürich"},
                 {"Comments", "Call after 10; Zoë answers."},
                 {"Last Update", "12/8/2026"}});
    const test::MessageRecorder messages;
    app::setDatabasePath(book.path());
    app::setEndAction([] {});

    ui::frmAddy& addy = app::frmAddy();
    addy.Show();
    if (!QTest::qWaitForWindowExposed(addy.window()))
        qFatal("the main window never showed");
    for (int n = 1; n <= 11; ++n) {
        const QString name = QStringLiteral("Text%1").arg(n);
        save(addy.control<QWidget>(qPrintable(name)), name, into);
    }
    for (const char* name : {"cmdAdd", "cmdUpdate", "cmdDelete", "cmdSearch", "cmdEnd"})
        save(addy.control<QWidget>(name), QString::fromLatin1(name), into);
    save(qobject_cast<QMainWindow*>(addy.window())->menuBar(), QStringLiteral("menu"), into);

    ui::frmSearch& search = app::frmSearch();
    search.Show();
    if (!QTest::qWaitForWindowExposed(search.window()))
        qFatal("the search dialog never showed");
    const QList<QLineEdit*> fields = search.window()->findChildren<QLineEdit*>();
    for (QLineEdit* field : fields) {
        field->setText(QStringLiteral("Ilse"));
        save(field, QStringLiteral("search-%1").arg(field->property("index").toInt()), into);
    }
    for (const char* name : {"cmdSearch", "cmdCancel", "cmdClear"})
        save(search.control<QWidget>(name), QStringLiteral("search-") + QLatin1String(name), into);
    app::releaseForms();
}

// The machine's own configuration, with `sansSerif` first wherever sans-serif is asked for (the
// desktop's default font, "Sans Serif", comes to it too).
QString fontConfig(const QString& sansSerif) {
    return QStringLiteral(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern">
    <test name="family"><string>sans-serif</string></test>
    <edit name="family" mode="prepend_first" binding="strong"><string>%1</string></edit>
  </match>
</fontconfig>
)")
        .arg(sansSerif);
}

} // namespace

class TstMachineFonts : public QObject {
    Q_OBJECT
private slots:
    void fieldsAndButtonsDrawAlikeWhateverSansSerifIs();

private:
    QDir drawUnder(const QString& sansSerif);

    QTemporaryDir work_;
};

QDir TstMachineFonts::drawUnder(const QString& sansSerif) {
    const QDir dir(work_.filePath(sansSerif));
    dir.mkpath(QStringLiteral("."));
    QFile config(dir.filePath(QStringLiteral("fonts.conf")));
    [&] { QVERIFY(config.open(QIODevice::WriteOnly)); }();
    config.write(fontConfig(sansSerif).toUtf8());
    config.close();

    QProcess self;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FONTCONFIG_FILE"), config.fileName());
    environment.insert(QString::fromLatin1(kDrawInto), dir.path());
    self.setProcessEnvironment(environment);
    self.setProcessChannelMode(QProcess::ForwardedChannels);
    self.start(QCoreApplication::applicationFilePath(), {});
    [&] {
        QVERIFY(self.waitForFinished(60000));
        QCOMPARE(self.exitStatus(), QProcess::NormalExit);
        QCOMPARE(self.exitCode(), 0);
    }();
    return dir;
}

void TstMachineFonts::fieldsAndButtonsDrawAlikeWhateverSansSerifIs() {
    for (const char* file : {"/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
        if (!QFile::exists(QString::fromLatin1(file)))
            QSKIP("needs fonts-liberation and fonts-dejavu-core (scripts/install-deps)");
    }
    const QDir mono = drawUnder(QStringLiteral("Liberation Mono"));
    const QDir dejaVu = drawUnder(QStringLiteral("DejaVu Sans"));
    if (QTest::currentTestFailed())
        return;

    const QStringList pictures = mono.entryList({QStringLiteral("*.png")}, QDir::Files);
    QCOMPARE(pictures, dejaVu.entryList({QStringLiteral("*.png")}, QDir::Files));
    // 11 fields, 5 record commands, the menu bar, the search dialog's 2 fields and 3 buttons.
    QCOMPARE(pictures.size(), 1 + 11 + 5 + 1 + 2 + 3);
    for (const QString& name : pictures) {
        const QImage a(mono.filePath(name));
        const QImage b(dejaVu.filePath(name));
        QVERIFY2(!a.isNull(), qPrintable(name));
        if (name == kProbe + QStringLiteral(".png"))
            QVERIFY2(a != b, "both configurations drew sans-serif alike: the test proves nothing");
        else
            QVERIFY2(a == b, qPrintable(name + QStringLiteral(" depends on the machine's fonts")));
    }
}

int main(int argc, char* argv[]) {
    const QString into = qEnvironmentVariable(kDrawInto);
    QApplication application(argc, argv);
    if (!into.isEmpty()) {
        drawWindows(QDir(into));
        return 0;
    }
    TstMachineFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_machine_fonts.moc"
