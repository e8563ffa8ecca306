// SPDX-License-Identifier: GPL-3.0-or-later
#include "phasorview.h"

#include <QPainter>

namespace mt {

PhasorView::PhasorView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PhasorView"));
    setAccessibleName(tr("相量图"));
    setMinimumSize(320, 320);
    setFocusPolicy(Qt::StrongFocus);
}

void PhasorView::setDiagram(const PhasorDiagram& diagram) {
    diagram_ = diagram;
    update();
}

QImage PhasorView::picture(QSize size, qreal scale) const {
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font());
    PaintPhasors(painter, QRectF(QPointF(0, 0), QSizeF(size)).adjusted(8, 8, -8, -8), diagram_);
    return image;
}

void PhasorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    PaintPhasors(painter, QRectF(rect()).adjusted(6, 6, -6, -6), diagram_);
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace mt
