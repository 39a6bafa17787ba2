// SPDX-License-Identifier: GPL-3.0-or-later
// Gives one access key to one button of a window. Qt alternates between two owners of the same
// "&" letter (here the menu entry "&About" and "&Add"), so that neither works reliably; this
// takes the key before Qt's shortcut map sees it and clicks the chosen button.
#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;

namespace rolvane::ui {

class AccessKeyOwner : public QObject {
    Q_OBJECT
public:
    AccessKeyOwner(QWidget* window, Qt::Key key, QAbstractButton* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    Qt::Key key_;
    QPointer<QAbstractButton> owner_;
};

} // namespace rolvane::ui
