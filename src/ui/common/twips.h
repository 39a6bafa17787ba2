// SPDX-License-Identifier: GPL-3.0-or-later
// Layouts are written in twips; widgets are placed in device-independent pixels.
#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

namespace rolvane::ui {

inline constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel.
constexpr int toPixels(int twips) {
    return twips >= 0 ? (2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel)
                      : -((-2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel));
}

inline QRect toPixels(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

// Colours in layouts are 0x00BBGGRR values.
inline QColor fromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace rolvane::ui
