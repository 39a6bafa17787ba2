// SPDX-License-Identifier: GPL-3.0-or-later
// Deferred icons: an engine that asks the base style for the real icon on first use and then
// hands every request to it. Shared faces: a button's option is drawn with the first palette of
// the same colours, so the base style's cache finds the face it drew for that palette before.
// Frames: drawn once into a transparent picture, which Qt's pixmap cache keeps.
#include "program_style.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QPointer>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <optional>

namespace rolvane::app {

namespace {

class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(QStyle* style, QStyle::StandardPixmap which)
        : style_(style), which_(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    // `size` is in device pixels already: the real icon must not scale it again.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, 1.0, mode, state);
    }
    // Here too `size` is in device pixels; the real icon multiplies by `scale` once more.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return icon().pixmap(size / scale, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const qreal scale = qApp->devicePixelRatio();
        return icon().actualSize(size / scale, mode, state) * scale;
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    QIcon& icon() {
        if (!icon_)
            icon_ = style_ ? style_->standardIcon(which_) : QIcon();
        return *icon_;
    }

    QPointer<QStyle> style_;
    QStyle::StandardPixmap which_;
    std::optional<QIcon> icon_;
};

} // namespace

QIcon ProgramStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton)
        return QIcon(new DeferredIconEngine(baseStyle(), icon));
    return QProxyStyle::standardIcon(icon, option, widget);
}

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelButtonCommand) {
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            QStyleOptionButton sharing = *button;
            sharing.palette = shared(button->palette);
            QProxyStyle::drawPrimitive(element, &sharing, painter, widget);
            return;
        }
    }
    if (element == PE_FrameLineEdit && option->rect.isValid() &&
        painter->deviceTransform().type() <= QTransform::TxTranslate) {
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
            drawCachedFrame(*frame, painter, widget);
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ProgramStyle::drawCachedFrame(const QStyleOptionFrame& frame, QPainter* painter,
                                   const QWidget* widget) const {
    QStyleOptionFrame sharing = frame;
    sharing.palette = shared(frame.palette);
    sharing.rect = QRect(QPoint(0, 0), frame.rect.size());
    const qreal ratio = painter->device()->devicePixelRatio();
    const QString key = QStringLiteral("rolvane-frame-%1x%2-%3-%4-%5")
                            .arg(sharing.rect.width())
                            .arg(sharing.rect.height())
                            .arg(uint(sharing.state))
                            .arg(sharing.palette.cacheKey())
                            .arg(ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap((QSizeF(sharing.rect.size()) * ratio).toSize());
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter drawing(&picture);
        QProxyStyle::drawPrimitive(PE_FrameLineEdit, &sharing, &drawing, widget);
        drawing.end();
        QPixmapCache::insert(key, picture);
    }
    painter->drawPixmap(frame.rect.topLeft(), picture);
}

const QPalette& ProgramStyle::shared(const QPalette& palette) const {
    for (const QPalette& known : palettes_) {
        if (known == palette)
            return known;
    }
    // A window has a handful of button palettes; a few more come and go with dialogs.
    constexpr std::size_t kKept = 8;
    if (palettes_.size() == kKept)
        palettes_.erase(palettes_.begin());
    palettes_.push_back(palette);
    return palettes_.back();
}

} // namespace rolvane::app
