// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QList>
#include <QString>
#include <optional>

#include "switchmodel.h"

class QLabel;

namespace mt {

// One switch panel on screen: a sunken picture box that paints the leads and
// blades of its SwitchPanelModel and shows the four state labels as labels
// (named after the label array, e.g. "Label32", with their channel in the
// "index" property).
class SwitchPanelView : public QFrame {
    Q_OBJECT

public:
    SwitchPanelView(SwitchPanelKind kind, QWidget* parent = nullptr);

    const SwitchPanelModel& model() const { return model_; }
    const QList<QLabel*>& stateLabels() const { return labels_; }

    // Redraws the four channels from a status byte.
    void ShowSwitchStates(std::uint8_t status);

    // A channel's name in headings (recording, trend): "开关量输出1", in
    // English "Output 1"; `channel` counts from 0.
    QString channelName(int channel) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void syncLabels();

    SwitchPanelModel model_;
    QList<QLabel*> labels_;
    // The status byte drawn last; the same again draws nothing.
    std::optional<std::uint8_t> shown_;
};

}  // namespace mt
