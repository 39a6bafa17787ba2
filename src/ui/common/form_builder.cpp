// SPDX-License-Identifier: GPL-3.0-or-later
// The form builder: one widget per table row, placed at twips / 15 pixels.
#include "form_builder.h"

#include "bound_text.h"
#include "data/text_view.h"
#include "fonts.h"
#include "line_control.h"
#include "twips.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>
#include <vector>

namespace rolvane::ui {

namespace {

QWidget* makeWidget(const ControlSpec& spec, QWidget* client) {
    switch (spec.kind) {
    case ControlKind::Label: {
        auto* label = new QLabel(fromView(spec.caption), client);
        label->setAlignment(((spec.style & AlignRight) ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setWordWrap(spec.style & WordWrap);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::TextBox: {
        if (spec.style & MultiLine) {
            auto* edit = new BoundTextEdit(fromView(spec.dataField), client);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setTabChangesFocus(true);
            edit->setReadOnly(spec.style & Locked);
            return edit;
        }
        auto* edit = new BoundLineEdit(fromView(spec.dataField), client);
        edit->setReadOnly(spec.style & Locked);
        if (spec.style & Password)
            edit->setEchoMode(QLineEdit::Password);
        return edit;
    }
    case ControlKind::CommandButton: {
        auto* button = new QPushButton(fromView(spec.caption), client);
        // The button that has the focus takes Enter.
        button->setAutoDefault(true);
        button->setDefault(spec.style & DefaultButton);
        if (spec.style & CancelButton) {
            // Esc anywhere in the window, whatever has the focus.
            auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), client);
            QObject::connect(escape, &QShortcut::activated, button, &QPushButton::click);
        }
        return button;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(client);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(fromView(spec.caption), client);
    case ControlKind::ListBox: {
        auto* list = new QListWidget(client);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        return list;
    }
    case ControlKind::PictureBox: {
        auto* picture = new QLabel(client);
        picture->setPixmap(QPixmap(fromView(spec.caption)));
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        picture->setLineWidth(2);
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        picture->setFocusPolicy(Qt::StrongFocus);
        return picture;
    }
    }
    return nullptr;
}

} // namespace

void setBackground(QWidget* widget, std::int64_t bgr) {
    if (bgr == kDefaultColour)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, fromBgr(std::uint32_t(bgr)));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void buildControls(QWidget* client, std::span<const ControlSpec> controls,
                   std::span<const LineSpec> lines) {
    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const ControlSpec& spec : controls) {
        QWidget* widget = makeWidget(spec, client);
        widget->setObjectName(fromView(spec.name));
        if (spec.index != kSingle)
            widget->setProperty("index", spec.index);
        widget->setProperty("TabIndex", spec.tabIndex);
        widget->setGeometry(toPixels(spec.left, spec.top, spec.width, spec.height));
        const bool isField = spec.kind == ControlKind::TextBox;
        if (spec.fontPoints > 0)
            widget->setFont(isField ? layoutFont(spec.fontPoints) : captionFont(spec.fontPoints));
        QPalette palette = widget->palette();
        // A standard push button paints the platform's face whatever colour it is given.
        if (spec.backColour != kDefaultColour && spec.kind != ControlKind::CommandButton) {
            palette.setColor(isField ? QPalette::Base : QPalette::Window,
                             fromBgr(std::uint32_t(spec.backColour)));
            widget->setAutoFillBackground(!isField);
        }
        if (spec.foreColour != kDefaultColour)
            palette.setColor(isField ? QPalette::Text : QPalette::WindowText,
                             fromBgr(std::uint32_t(spec.foreColour)));
        widget->setPalette(palette);
        if (spec.tabIndex != kNoTabStop && widget->focusPolicy() != Qt::NoFocus)
            tabStops.emplace_back(spec.tabIndex, widget);
    }
    for (const LineSpec& spec : lines) {
        const QColor colour =
            spec.colour == kDefaultColour ? QColor() : fromBgr(std::uint32_t(spec.colour));
        auto* line = new LineControl(
            QLine(toPixels(spec.x1), toPixels(spec.y1), toPixels(spec.x2), toPixels(spec.y2)),
            spec.thickness, colour, client);
        line->setObjectName(fromView(spec.name));
        if (spec.index != kSingle)
            line->setProperty("index", spec.index);
    }
    std::stable_sort(tabStops.begin(), tabStops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabStops.size(); ++i)
        QWidget::setTabOrder(tabStops[i - 1].second, tabStops[i].second);
}

QList<QWidget*> controlArray(const QWidget* parent, const QString& name) {
    QList<QWidget*> members = parent->findChildren<QWidget*>(name);
    members.removeIf([](const QWidget* w) { return !w->property("index").isValid(); });
    std::sort(members.begin(), members.end(), [](const QWidget* a, const QWidget* b) {
        return a->property("index").toInt() < b->property("index").toInt();
    });
    return members;
}

void setFixedBorder(QWidget* window) {
    const Qt::WindowType type = window->windowType() == Qt::Dialog ? Qt::Dialog : Qt::Window;
    window->setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace rolvane::ui
