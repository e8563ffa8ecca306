// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

namespace mt {

// Screen geometry is laid out in twips (1/1440 inch) at 15 twips per logical
// pixel; Qt scales logical pixels for high-DPI screens.
inline constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline QRect TwipsRect(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(width), Px(height)};
}

inline QSize TwipsSize(int width, int height) {
    return {Px(width), Px(height)};
}

}  // namespace mt
