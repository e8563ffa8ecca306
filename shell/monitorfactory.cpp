// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitorfactory.h"

#include "acquisition/meterfamily.h"
#include "busfamilies.h"
#include "panel_meter/panelmeterwindow.h"
#include "rail_meter/railmeterwindow.h"

namespace mt {

std::optional<MeterKind> MeterKindOf(const QString& text) {
    if (text == MeterFamilyName(MeterKind::PanelMount)) {
        return MeterKind::PanelMount;
    }
    if (text == MeterFamilyName(MeterKind::DinRail)) {
        return MeterKind::DinRail;
    }
    return std::nullopt;
}

std::unique_ptr<QWidget> MakeMonitor(MeterKind kind, std::unique_ptr<SerialPort> port,
                                     Services services) {
    std::unique_ptr<QWidget> monitor;
    switch (kind) {
        case MeterKind::PanelMount:
            monitor = std::make_unique<PanelMeterWindow>(*port, std::move(services));
            break;
        case MeterKind::DinRail:
            monitor = std::make_unique<RailMeterWindow>(*port, std::move(services));
            break;
    }
    static_cast<MonitorWindow*>(monitor.get())->setBusFamilies(MeasurementFamilies());
    static_cast<MonitorWindow*>(monitor.get())->setAccuracyFamilies(AccuracyFamilies());
    // The port lives as long as its screen; it is the screen's last child,
    // so it goes after every control that uses it.
    port.release()->setParent(monitor.get());
    return monitor;
}

}  // namespace mt
