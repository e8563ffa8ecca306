// SPDX-License-Identifier: GPL-3.0-or-later
#include "switchpanelview.h"

#include <QLabel>
#include <QPainter>
#include <QPen>

#include "monitor/twips.h"

namespace mt {

namespace {

QColor PackedColour(std::uint32_t packed) {
    return QColor(static_cast<int>(packed & 0xFFU), static_cast<int>((packed >> 8) & 0xFFU),
                  static_cast<int>((packed >> 16) & 0xFFU));
}

}  // namespace

SwitchPanelView::SwitchPanelView(SwitchPanelKind kind, QWidget* parent)
    : QFrame(parent), model_(kind) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAccessibleName(kind == SwitchPanelKind::Outputs ? tr("开关量输出") : tr("开关量输入"));
    const QPoint origin = contentsRect().topLeft();
    for (int k = 0; k < kSwitchChannels; ++k) {
        const SwitchLabel& place = model_.labels()[static_cast<std::size_t>(k)];
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(model_.labelName()));
        label->setProperty("index", k);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(
            TwipsRect(place.Left, place.Top, place.Width, place.Height).translated(origin));
        labels_.append(label);
    }
    syncLabels();
}

void SwitchPanelView::ShowSwitchStates(std::uint8_t status) {
    if (shown_ == status) {
        return;  // the symbols already show it
    }
    shown_ = status;
    model_.ShowSwitchStates(status);
    syncLabels();
    update();
}

QString SwitchPanelView::channelName(int channel) const {
    return (model_.kind() == SwitchPanelKind::Outputs ? tr("开关量输出%1") : tr("开关量输入%1"))
        .arg(channel + 1);
}

void SwitchPanelView::syncLabels() {
    const QString panel = accessibleName();
    for (int k = 0; k < kSwitchChannels; ++k) {
        // The model keeps the states in the program's own words; the screen
        // shows them in the interface language.
        const QString caption =
            model_.labels()[static_cast<std::size_t>(k)].Caption == kSwitchClosedCaption
                ? tr("闭合")
                : tr("断开");
        labels_[k]->setText(caption);
        labels_[k]->setAccessibleName(tr("%1 %2：%3").arg(panel).arg(k + 1).arg(caption));
    }
}

void SwitchPanelView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.translate(contentsRect().topLeft());
    const auto draw = [&painter](const SwitchLine& line) {
        QPen pen(PackedColour(line.BorderColor));
        pen.setWidth(line.BorderWidth);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        // Level lines stay crisp on the pixel grid; only a raised blade is
        // smoothed.
        painter.setRenderHint(QPainter::Antialiasing, line.Y1 != line.Y2);
        painter.drawLine(QPointF(line.X1, line.Y1) / kTwipsPerPixel,
                         QPointF(line.X2, line.Y2) / kTwipsPerPixel);
    };
    for (int k = 0; k < kSwitchChannels; ++k) {
        const auto i = static_cast<std::size_t>(k);
        draw(model_.leftLeads()[i]);
        draw(model_.rightLeads()[i]);
        draw(model_.blades()[i]);
    }
}

}  // namespace mt
