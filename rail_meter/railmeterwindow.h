// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "acquisition/sharedrequest.h"
#include "link/request.h"
#include "monitor/monitorwindow.h"
#include "railschedule.h"

class QFrame;
class QGroupBox;

namespace mt {

// The DIN-rail meter monitor: the serial port panel, the value frame
// "仪表检测数据" with its four columns of measurements, energies, demands and
// time stamps, and the button row. One acquisition mode: every tick of
// Timer1 walks the eleven reads of the polling cycle, and equally long
// answers are told apart by the block tag. The second acquisition button
// exists but is never shown, and closing the port returns only the first
// one to idle.
class RailMeterWindow : public MonitorWindow {
    Q_OBJECT

public:
    RailMeterWindow(SerialPort& port, Services services, QWidget* parent = nullptr,
                    int timerIntervalMs = kRailTimerIntervalMs,
                    RequestParameters& request = SharedRequest());

protected:
    std::span<const PollStep> schedule() const override;
    // ShowDinRailData: the fields an accepted answer sets, read with the
    // block tag that is current when it is handled.
    void decode(AnswerBytes answer) override;

private:
    void buildValueFrame();

    QGroupBox* valueFrame = nullptr;  // Frame3
    QFrame* separatorLine = nullptr;  // Line1: above the demand and time-stamp rows
};

}  // namespace mt
