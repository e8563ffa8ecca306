// SPDX-License-Identifier: GPL-3.0-or-later
#include "statuslamp.h"

#include <QPainter>

namespace mt {

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("串口状态"));
    showOpen(false);
}

void StatusLamp::showOpen(bool open) {
    colour_ = open ? kOpenColour : kClosedColour;
    setAccessibleDescription(open ? tr("串口已打开") : tr("串口已关闭"));
    setToolTip(accessibleDescription());
    update();
}

void StatusLamp::showConnecting() {
    colour_ = kConnectingColour;
    setAccessibleDescription(tr("连接中"));
    setToolTip(accessibleDescription());
    update();
}

void StatusLamp::showLost() {
    colour_ = kLostColour;
    setAccessibleDescription(tr("已断开"));
    setToolTip(accessibleDescription());
    update();
}

void StatusLamp::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(colour_);
    const int side = qMin(width(), height()) - 2;
    painter.drawEllipse(QRect((width() - side) / 2, (height() - side) / 2, side, side));
}

}  // namespace mt
