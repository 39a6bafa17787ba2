// SPDX-License-Identifier: GPL-3.0-or-later
// A window of the program: one instance for the whole run, whose widgets are built from its
// layout on Show, kept by Hide and destroyed by Unload.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace rolvane::ui {

class Form : public QObject {
    Q_OBJECT
public:
    ~Form() override;

    // Loads the window when it is not loaded, then makes it visible, modeless and without owner.
    void Show();
    // Invisible; the window keeps its controls and the texts of its fields.
    void Hide();
    // Destroys the window and its controls; the instance stays for the next Show.
    void Unload();

    bool isLoaded() const { return window_ != nullptr; }
    bool isVisible() const { return window_ && window_->isVisible(); }
    QWidget* window() const { return window_; }
    // A control of the loaded window by its name, or null.
    template <class T> T* control(const char* name) const {
        return window_ ? window_->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }

protected:
    // Builds a new top-level window from the layout. Called by Show when not loaded.
    virtual QWidget* load() = 0;
    // Called just before the window's widgets go.
    virtual void unloading() {}
    // Where the window goes when it first shows.
    virtual void place(QWidget* window);
    // The user closes the window through its frame. By default it unloads; return false to keep
    // it open.
    virtual bool queryClose();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
};

} // namespace rolvane::ui
