// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPaintDevice>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <algorithm>

namespace mt {

// Qt's raster painter shares out every fill taller than about a hundred
// lines among worker threads, which it starts for the purpose and keeps for
// half a minute: threads that cost more memory and wake-ups than the fill
// itself for a window's background. Drawing in bands no taller than this
// keeps each fill on the calling thread.
inline constexpr int kPaintBandLines = 48;

// Calls draw(painter) once per band of `area` (in device lines), clipped to
// the band and to `clip`; the painter's state is restored after each.
template <typename Draw>
void PaintInBands(QPainter& painter, const QRect& area, const QRegion& clip, Draw draw) {
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const int bandHeight = std::max(1, static_cast<int>(kPaintBandLines / ratio));
    for (int top = area.top(); top <= area.bottom(); top += bandHeight) {
        const QRegion band = clip.intersected(QRect(area.left(), top, area.width(), bandHeight));
        if (band.isEmpty()) {
            continue;
        }
        painter.save();
        painter.setClipRegion(band);
        draw(painter);
        painter.restore();
    }
}

}  // namespace mt
