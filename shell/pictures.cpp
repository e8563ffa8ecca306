// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <cmath>
#include <numbers>

namespace mt {

namespace {

// A transparent pixmap of `size` logical pixels with a painter whose
// coordinates run from 0 to 100 in both directions.
template <typename Draw>
QPixmap Picture(QSize size, qreal ratio, Draw draw) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 100.0, size.height() / 100.0);
    draw(painter);
    return pixmap;
}

const QColor kInk(0x27, 0x3c, 0x57);
const QColor kAccent(0x1f, 0x8a, 0x4c);
const QColor kWarn(0xc0, 0x39, 0x2b);

}  // namespace

QPixmap EnterPicture(QSize size, qreal devicePixelRatio) {
    return Picture(size, devicePixelRatio, [](QPainter& p) {
        // Meter body.
        p.setPen(QPen(kInk, 4));
        QLinearGradient body(0, 8, 0, 92);
        body.setColorAt(0, QColor(0xf4, 0xf7, 0xfb));
        body.setColorAt(1, QColor(0xd6, 0xe0, 0xec));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(10, 8, 80, 84), 10, 10);

        // Dial: an arc with ticks and a needle.
        const QPointF centre(50, 58);
        const qreal radius = 30;
        p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 30 * 16,
                  120 * 16);
        for (int i = 0; i <= 4; ++i) {
            const qreal angle = (150.0 - 30.0 * i) * std::numbers::pi / 180.0;
            const QPointF outer(centre.x() + radius * std::cos(angle),
                                centre.y() - radius * std::sin(angle));
            const QPointF inner(centre.x() + (radius - 7) * std::cos(angle),
                                centre.y() - (radius - 7) * std::sin(angle));
            p.drawLine(inner, outer);
        }
        const qreal needle = 62.0 * std::numbers::pi / 180.0;
        p.setPen(QPen(kWarn, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre, QPointF(centre.x() + (radius - 3) * std::cos(needle),
                                   centre.y() - (radius - 3) * std::sin(needle)));
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawEllipse(centre, 5, 5);

        // Reading window with a green bar, as on a counter.
        p.setBrush(QColor(0x20, 0x2a, 0x36));
        p.drawRoundedRect(QRectF(24, 70, 52, 14), 3, 3);
        p.setBrush(kAccent.lighter(140));
        p.drawRect(QRectF(28, 74, 30, 6));
    });
}

QPixmap ExitPicture(QSize size, qreal devicePixelRatio) {
    return Picture(size, devicePixelRatio, [](QPainter& p) {
        // Door frame and an open door.
        p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xf4, 0xf7, 0xfb));
        p.drawRect(QRectF(14, 10, 44, 80));
        QPainterPath door;
        door.moveTo(14, 10);
        door.lineTo(40, 18);
        door.lineTo(40, 96);
        door.lineTo(14, 90);
        door.closeSubpath();
        p.setBrush(QColor(0xd6, 0xe0, 0xec));
        p.drawPath(door);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(34, 56), 3, 3);

        // Arrow pointing out.
        p.setPen(QPen(kWarn, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(50, 50), QPointF(86, 50));
        p.drawLine(QPointF(74, 36), QPointF(88, 50));
        p.drawLine(QPointF(74, 64), QPointF(88, 50));
    });
}

void PaintStartBackground(QPainter& painter, const QRect& area) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, QColor(0xe9, 0xf1, 0xfa));
    sky.setColorAt(1, QColor(0xc9, 0xd9, 0xea));
    painter.fillRect(area, sky);

    // Three phase waves, 120 degrees apart, faint across the lower half.
    const QColor phases[] = {QColor(0xd4, 0xa0, 0x17), QColor(0x2e, 0x8b, 0x57),
                             QColor(0xc0, 0x39, 0x2b)};
    const qreal middle = area.top() + area.height() * 0.72;
    const qreal amplitude = area.height() * 0.12;
    for (int phase = 0; phase < 3; ++phase) {
        QColor colour = phases[phase];
        colour.setAlpha(70);
        painter.setPen(QPen(colour, 2));
        QPainterPath wave;
        for (int x = area.left(); x <= area.right(); x += 2) {
            const qreal t = (x - area.left()) / static_cast<qreal>(area.width());
            const qreal y =
                middle - amplitude * std::sin(2 * std::numbers::pi * (1.5 * t - phase / 3.0));
            if (x == area.left()) {
                wave.moveTo(x, y);
            } else {
                wave.lineTo(x, y);
            }
        }
        painter.drawPath(wave);
    }
    painter.restore();
}

}  // namespace mt
