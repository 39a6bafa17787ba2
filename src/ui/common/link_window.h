// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window asks of the "Link to a Server" dialog: to link a book, which the set-up
// tool does in a child process. The main window starts the first sync once it has.
#pragma once

#include "form.h"

namespace rolvane::ui {

class LinkWindow : public Form {
    Q_OBJECT
public:
    // Shows the dialog for `bookPath`; the `usual` book, the one the timer syncs, may turn the
    // timer on.
    virtual void linkBook(const QString& bookPath, bool usual) = 0;
    // Stops a running child before returning, within 2 seconds (End).
    virtual void stopLink() = 0;

signals:
    // `bookPath` is linked now; the dialog has gone.
    void linked(const QString& bookPath);
};

} // namespace rolvane::ui
