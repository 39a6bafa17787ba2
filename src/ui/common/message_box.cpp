// SPDX-License-Identifier: GPL-3.0-or-later
// The real message box and the seam that lets tests read messages back.
#include "message_box.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpacerItem>

namespace rolvane::ui {

namespace {
MessagePresenter& presenter() {
    static MessagePresenter current;
    return current;
}
ChoicePresenter& choicePresenter() {
    static ChoicePresenter current;
    return current;
}
bool showing = false;

QuestionPresenter& questionPresenter() {
    static QuestionPresenter current;
    return current;
}

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

void setChoicePresenter(ChoicePresenter p) {
    choicePresenter() = std::move(p);
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

int askChoice(const QString& text, const QStringList& choices) {
    const int dismissed = int(choices.size()) - 1;
    if (showing)
        return dismissed;
    const QScopedValueRollback<bool> up(showing, true);
    if (choicePresenter())
        return choicePresenter()(text, choices);
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices)
        buttons << box.addButton(choice, QMessageBox::AcceptRole);
    box.setEscapeButton(buttons.last());
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.setWindowModality(Qt::ApplicationModal);
    fitTitle(box);
    box.exec();
    const int chosen = int(buttons.indexOf(box.clickedButton()));
    return chosen < 0 ? dismissed : chosen;
}

void setQuestionPresenter(QuestionPresenter p) {
    questionPresenter() = std::move(p);
}

bool askYesNo(const QString& text, bool yesByDefault) {
    if (showing)
        return false;
    const QScopedValueRollback<bool> up(showing, true);
    if (questionPresenter())
        return questionPresenter()(text);
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), text,
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    fitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

void showMessages(const QStringList& texts) {
    if (!texts.isEmpty())
        showMessage(texts.join(QLatin1String("\n\n")));
}

} // namespace rolvane::ui
