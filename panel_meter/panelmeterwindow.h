// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "acquisition/sharedrequest.h"
#include "link/answer.h"
#include "link/request.h"
#include "monitor/monitorwindow.h"
#include "paneldecoder.h"
#include "panelschedule.h"

class QGroupBox;

namespace mt {

class SwitchPanelView;

// The panel-mount meter monitor: the serial port panel at the top, the
// measurement frame with its 24 value fields and the two switch panels, and
// the button row (primary acquisition, secondary acquisition, exit).
// Primary acquisition reads float register pairs, secondary acquisition
// scaled integers, both into the same fields; both end their ticks with the
// relay outputs and switch inputs.
class PanelMeterWindow : public MonitorWindow {
    Q_OBJECT

public:
    PanelMeterWindow(SerialPort& port, Services services, QWidget* parent = nullptr,
                     int timerIntervalMs = kPanelTimerIntervalMs,
                     RequestParameters& request = SharedRequest());

protected:
    // "一次" for primary data, "二次" for secondary data.
    QString modeName() const override;
    std::span<const PollStep> schedule() const override;
    // The decoder of the mode whose button is enabled: primary data while
    // the primary button is enabled (primary acquisition runs, or none
    // does), else secondary data.
    void decode(AnswerBytes answer) override;

private:
    void buildMeasurementFrame();
    void showDecoded(const DecodedAnswer& decoded);

    QGroupBox* measurementFrame = nullptr;      // Frame3
    SwitchPanelView* outputSwitches = nullptr;  // Picture1
    SwitchPanelView* inputSwitches = nullptr;   // Picture2
};

}  // namespace mt
