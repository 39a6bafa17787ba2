// SPDX-License-Identifier: GPL-3.0-or-later
// One check of built controls and lines for every window's layout test.
#include "layout_check.h"

#include "data/text_view.h"
#include "ui/common/line_control.h"
#include "ui/common/twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace rolvane::test {

namespace {

template <class Spec> QWidget* built(const QWidget* client, const Spec& spec) {
    const QString name = fromView(spec.name);
    return spec.index == ui::kSingle ? client->findChild<QWidget*>(name)
                                     : ui::controlArray(client, name).value(spec.index);
}

QColor colourOf(std::int64_t bgr) {
    return bgr == ui::kDefaultColour ? QColor() : ui::fromBgr(std::uint32_t(bgr));
}

void checkKind(QWidget* w, const ui::ControlSpec& spec) {
    const QString caption = fromView(spec.caption);
    switch (spec.kind) {
    case ui::ControlKind::Label: {
        auto* label = qobject_cast<QLabel*>(w);
        QVERIFY(label);
        QCOMPARE(label->text(), caption);
        QCOMPARE(bool(label->alignment() & Qt::AlignRight), bool(spec.style & ui::AlignRight));
        QCOMPARE(label->wordWrap(), bool(spec.style & ui::WordWrap));
        break;
    }
    case ui::ControlKind::TextBox: {
        QCOMPARE(w->property("DataField").toString(), fromView(spec.dataField));
        if (spec.style & ui::MultiLine) {
            auto* edit = qobject_cast<QPlainTextEdit*>(w);
            QVERIFY(edit);
            QCOMPARE(edit->isReadOnly(), bool(spec.style & ui::Locked));
        } else {
            auto* edit = qobject_cast<QLineEdit*>(w);
            QVERIFY(edit);
            QCOMPARE(edit->isReadOnly(), bool(spec.style & ui::Locked));
            QCOMPARE(edit->echoMode() == QLineEdit::Password, bool(spec.style & ui::Password));
        }
        break;
    }
    case ui::ControlKind::CommandButton: {
        auto* button = qobject_cast<QPushButton*>(w);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->isDefault(), bool(spec.style & ui::DefaultButton));
        break;
    }
    case ui::ControlKind::ProgressBar:
        QVERIFY(qobject_cast<QProgressBar*>(w));
        break;
    case ui::ControlKind::CheckBox: {
        auto* box = qobject_cast<QCheckBox*>(w);
        QVERIFY(box);
        QCOMPARE(box->text(), caption);
        break;
    }
    case ui::ControlKind::ListBox:
        QVERIFY(qobject_cast<QListWidget*>(w));
        break;
    case ui::ControlKind::PictureBox: {
        auto* picture = qobject_cast<QLabel*>(w);
        QVERIFY(picture);
        QVERIFY2(!picture->pixmap().isNull(), spec.caption.data());
        break;
    }
    }
}

void checkControl(const QWidget* client, const ui::ControlSpec& spec) {
    QWidget* w = built(client, spec);
    QVERIFY2(w, spec.name.data());
    QCOMPARE(w->geometry(), ui::toPixels(spec.left, spec.top, spec.width, spec.height));
    QCOMPARE(w->property("TabIndex").toInt(), spec.tabIndex);
    if (spec.fontPoints > 0) {
        QCOMPARE(w->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w->font().pointSizeF(), spec.fontPoints);
        QCOMPARE(w->font().weight(), QFont::Bold);
        // What people type may be in any script, and must borrow what the face lacks.
        const bool merges = !(w->font().styleStrategy() & QFont::NoFontMerging);
        QCOMPARE(merges, spec.kind == ui::ControlKind::TextBox);
    } else {
        QCOMPARE(w->font(), client->font());
    }
    const bool isField = spec.kind == ui::ControlKind::TextBox;
    if (spec.backColour != ui::kDefaultColour && spec.kind != ui::ControlKind::CommandButton)
        QCOMPARE(w->palette().color(isField ? QPalette::Base : QPalette::Window),
                 colourOf(spec.backColour));
    if (spec.foreColour != ui::kDefaultColour)
        QCOMPARE(w->palette().color(isField ? QPalette::Text : QPalette::WindowText),
                 colourOf(spec.foreColour));
    checkKind(w, spec);
}

void checkLine(const QWidget* client, const ui::LineSpec& spec) {
    auto* line = qobject_cast<ui::LineControl*>(built(client, spec));
    QVERIFY2(line, spec.name.data());
    QCOMPARE(line->line(), QLine(ui::toPixels(spec.x1), ui::toPixels(spec.y1),
                                 ui::toPixels(spec.x2), ui::toPixels(spec.y2)));
    QCOMPARE(line->thickness(), spec.thickness);
    QCOMPARE(line->colour(), colourOf(spec.colour));
}

// Stops at the first row that differs, and names it.
template <class Spec>
void checkRows(const QWidget* client, std::span<const Spec> table,
               void (*check)(const QWidget*, const Spec&)) {
    for (const Spec& spec : table) {
        check(client, spec);
        if (QTest::currentTestFailed()) {
            qWarning("in the row of %.*s", int(spec.name.size()), spec.name.data());
            return;
        }
    }
}

} // namespace

void checkControls(const QWidget* client, std::span<const ui::ControlSpec> table) {
    checkRows(client, table, checkControl);
}

void checkLines(const QWidget* client, std::span<const ui::LineSpec> table) {
    checkRows(client, table, checkLine);
}

} // namespace rolvane::test
