// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "faults.h"
#include "metermodel.h"
#include "netfaults.h"
#include "source.h"
#include "uart.h"
#include "wiring.h"

namespace mt {

// One meter on the simulated line: what it is, where it answers, how fast,
// and what goes wrong with it.
struct SimMeter {
    MeterKind meter = MeterKind::PanelMount;
    std::uint8_t address = 1;
    std::int64_t turnaroundMs = 0;
    FaultOptions faults;
    Wiring wiring;
    MeterError error;  // with a source: how far off the meter measures
};

// Everything the command line of metersim can set. The meter fields at the
// top describe the meter being read from the command line; `meters` holds
// every meter on the line once parsing is done (at least one).
struct SimOptions {
    MeterKind meter = MeterKind::PanelMount;
    std::uint8_t address = 1;
    std::uint32_t baud = 9600;
    Parity parity = Parity::None;
    // Answer whatever baud rate and parity the program set on the line.
    bool ignoreLineSettings = false;
    Pacing pacing;
    std::optional<std::uint64_t> seed;  // none: a fresh seed, printed at start
    std::optional<int> com;             // create the link comN
    // Serve on TCP as a serial gateway instead of on a pseudo-terminal:
    // "[HOST:]PORT" (port 0: any free one; host: all addresses).
    std::optional<std::string> tcpHost;
    std::optional<int> tcpPort;
    NetFraming framing = NetFraming::Rtu;
    NetFaults net;
    bool replaceLink = false;   // replace a comN link that points to a live device
    std::string logFile;        // one line per received request
    std::string answerLogFile;  // one line per answer written
    std::optional<CalendarTime> startTime;
    std::optional<std::int64_t> dumpValuesMs;  // print the register map at this moment and exit
    FaultOptions faults;
    Wiring wiring;  // healthy unless --wiring says otherwise
    MeterError error;
    // A test bench: every meter measures this source instead of its own load
    // (--source), changed while running through a control file (--source-file).
    std::optional<SourcePoint> source;
    std::string sourceFile;
    bool help = false;
    std::vector<SimMeter> meters;
};

struct OptionsResult {
    SimOptions options;
    std::string error;  // empty when the command line was good

    bool ok() const { return error.empty(); }
};

// Reads the arguments after the program name. Options take their value as
// the next argument or after "=" (--baud 19200, --baud=19200). A second
// --meter starts the next meter on the line; the meter options after it
// (address, turnaround, faults, wiring) are its own. --meters FILE adds one
// meter per line of FILE, each line written with the same meter options.
// Two meters at one address are an error.
OptionsResult ParseOptions(std::span<const std::string_view> args);

// Reads the text of a --meters list on its own, as if it were the whole
// command line; `name` stands for the file in the errors.
OptionsResult ParseMeterList(std::string_view text, std::string_view name);

// Reads "YYYY-MM-DD hh:mm:ss" (or with a "T" between date and time), years
// 2000 to 2255 so that the year fits the meter's one-byte year.
std::optional<CalendarTime> ParseCalendarTime(std::string_view text);

// The text of --help.
std::string UsageText();

}  // namespace mt
