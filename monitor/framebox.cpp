// SPDX-License-Identifier: GPL-3.0-or-later
#include "framebox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include "paintbands.h"

namespace mt {

FrameBox::FrameBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void FrameBox::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    if (picture_.isNull() || picture_.deviceIndependentSize() != QSizeF(size()) ||
        picture_.devicePixelRatio() != ratio || pictureTitle_ != title()) {
        // What the group box draws itself, into the picture.
        picture_ = QPixmap((QSizeF(size()) * ratio).toSize());
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(Qt::transparent);
        pictureTitle_ = title();
        QPainter painter(&picture_);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
    }
    // Band by band: a copy of the whole picture, however clipped, would be
    // shared out among worker threads.
    QPainter painter(this);
    PaintInBands(painter, rect(), event->region(), [this, ratio](QPainter& p) {
        const QRect band = p.clipBoundingRect().toAlignedRect();
        p.drawPixmap(QRectF(band), picture_,
                     QRectF(QPointF(band.topLeft()) * ratio, QSizeF(band.size()) * ratio));
    });
}

void FrameBox::changeEvent(QEvent* event) {
    // Anything that changes how the frame looks makes the picture again.
    picture_ = QPixmap();
    QGroupBox::changeEvent(event);
}

void FrameBox::resizeEvent(QResizeEvent* event) {
    picture_ = QPixmap();
    QGroupBox::resizeEvent(event);
}

}  // namespace mt
