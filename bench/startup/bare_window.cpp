// The start-up floor: a bare Qt Widgets window of the main window's size, painted green as the
// main window's client area is, so the same watcher sees its first frame the same way.
#include <QApplication>
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
    window.show();
    return QApplication::exec();
}
