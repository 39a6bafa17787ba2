// SPDX-License-Identifier: GPL-3.0-or-later
// The real message box and the seam that lets tests read messages back.
#include "message_box.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QSpacerItem>

namespace rolvane::ui {

namespace {
MessagePresenter& presenter() {
    static MessagePresenter current;
    return current;
}
bool showing = false;

// A window manager cuts a title wider than its box ("R…ne"): the box is made wide enough for the
// title and the frame's buttons beside it.
void fitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 2 + 180;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}
} // namespace

void setMessagePresenter(MessagePresenter p) {
    presenter() = std::move(p);
}

bool isMessageShowing() {
    return showing;
}

void showMessage(const QString& text) {
    // Messages never nest: one box at a time.
    if (showing)
        return;
    const QScopedValueRollback<bool> up(showing, true);
    if (presenter())
        return presenter()(text);
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text,
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    fitTitle(box);
    box.exec();
}

void showMessages(const QStringList& texts) {
    if (!texts.isEmpty())
        showMessage(texts.join(QLatin1String("\n\n")));
}

} // namespace rolvane::ui
