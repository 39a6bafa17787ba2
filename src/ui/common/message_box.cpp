// The real message box and the seam that lets tests read messages back.
#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace rolvane::ui {

namespace {
MessagePresenter& presenter() {
    static MessagePresenter current;
    return current;
}
} // namespace

void setMessagePresenter(MessagePresenter p) {
    presenter() = std::move(p);
}

void showMessage(const QString& text) {
    if (presenter())
        return presenter()(text);
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text,
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace rolvane::ui
