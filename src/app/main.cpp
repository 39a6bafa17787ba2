// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the main window is created and shown; everything else happens in its handlers.
#include "app/forms.h"
#include "app/program_style.h"
#include "platform/font_config_preload.h"
#include "rolvane_version.h"
#include "ui/common/fonts.h"
#include "ui/common/message_box.h"
#include "ui/main/frm_addy.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    // Fonts are read while the display connection is made.
    rolvane::platform::FontConfigPreload fonts;
    QApplication application(argc, argv);
    fonts.wait();
    QApplication::setStyle(new rolvane::app::ProgramStyle);
    QApplication::setApplicationName(QString::fromLatin1(rolvane::ui::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(rolvane::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("rolvane"));
    // The main window's close ends the run itself, once pending edits are written.
    QApplication::setQuitOnLastWindowClosed(false);
    rolvane::ui::useProgramFonts();

    rolvane::app::frmAddy().Show();
    // Contacts files named on the command line ("Open With" from a file manager) are offered
    // for import once the window is up.
    if (const QStringList files = QApplication::arguments().mid(1); !files.isEmpty())
        QTimer::singleShot(0, [files] { rolvane::app::frmAddy().importFiles(files); });
    const int code = QApplication::exec();
    rolvane::app::releaseForms();
    return code;
}
