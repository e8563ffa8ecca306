// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "link/meterkind.h"
#include "platform/serialport.h"
#include "platform/services.h"

class QWidget;

namespace mt {

// The meter family an entry of the selection list stands for: the exact item
// text, nothing else.
std::optional<MeterKind> MeterKindOf(const QString& text);

// Creates the monitor of a meter family, not yet shown. Production passes a
// factory that makes a real port; tests pass their own.
using MonitorFactory = std::function<QWidget*(MeterKind)>;

// The monitor screen of `kind` over `port`; the monitor owns the port.
std::unique_ptr<QWidget> MakeMonitor(MeterKind kind, std::unique_ptr<SerialPort> port,
                                     Services services);

}  // namespace mt
