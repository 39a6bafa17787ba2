// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up floor: a bare Qt Widgets window of the main window's size, painted green as the
// main window's client area is, with one label and one filled line edit: text brings in
// fontconfig and the font engines, which any window that shows a contact needs.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0, 255, 0));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(722, 430);
    QLabel label(QStringLiteral("Last Name"), &window);
    label.setGeometry(24, 40, 138, 13);
    QLineEdit field(QStringLiteral("Abbott"), &window);
    field.setGeometry(168, 40, 145, 19);
    window.show();
    return QApplication::exec();
}
