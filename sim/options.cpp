// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "link/request.h"

namespace mt {

namespace {

template <typename Int>
std::optional<Int> ReadInteger(std::string_view text, Int low, Int high) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    Int value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ReadRate(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0 || value > 1) {
        return std::nullopt;
    }
    return value;
}

constexpr std::int64_t kMaxMs = 600000;
constexpr std::int64_t kMaxDumpMs = 366LL * 24 * 3600 * 1000;

// How one option with a value is applied; gives false for a bad value.
using Setter = std::function<bool(SimOptions&, std::string_view)>;

template <typename Int, typename Target>
Setter IntegerInto(Target SimOptions::*member, Int low, Int high) {
    return [=](SimOptions& o, std::string_view v) {
        const auto n = ReadInteger<Int>(v, low, high);
        if (n) {
            o.*member = static_cast<Target>(*n);
        }
        return n.has_value();
    };
}

template <typename Int, typename Target>
Setter FaultInteger(Target FaultOptions::*member, Int low, Int high) {
    return [=](SimOptions& o, std::string_view v) {
        const auto n = ReadInteger<Int>(v, low, high);
        if (n) {
            o.faults.*member = static_cast<Target>(*n);
        }
        return n.has_value();
    };
}

Setter FaultRate(double FaultOptions::*member) {
    return [=](SimOptions& o, std::string_view v) {
        const auto r = ReadRate(v);
        if (r) {
            o.faults.*member = *r;
        }
        return r.has_value();
    };
}

const std::map<std::string_view, Setter>& ValueOptions() {
    static const std::map<std::string_view, Setter> options = {
        {"--meter",
         [](SimOptions& o, std::string_view v) {
             if (v == "panel") {
                 o.meter = MeterKind::PanelMount;
             } else if (v == "rail") {
                 o.meter = MeterKind::DinRail;
             } else {
                 return false;
             }
             return true;
         }},
        {"--address", IntegerInto<int>(&SimOptions::address, 1, kMaxMeterAddress)},
        {"--baud", IntegerInto<std::uint32_t>(&SimOptions::baud, 50, 4000000)},
        {"--parity",
         [](SimOptions& o, std::string_view v) {
             if (v == "N" || v == "n") {
                 o.parity = Parity::None;
             } else if (v == "E" || v == "e") {
                 o.parity = Parity::Even;
             } else if (v == "O" || v == "o") {
                 o.parity = Parity::Odd;
             } else {
                 return false;
             }
             return true;
         }},
        {"--seed",
         [](SimOptions& o, std::string_view v) {
             o.seed = ReadInteger<std::uint64_t>(v, 0, UINT64_MAX);
             return o.seed.has_value();
         }},
        {"--com",
         [](SimOptions& o, std::string_view v) {
             o.com = ReadInteger<int>(v, 1, 255);
             return o.com.has_value();
         }},
        {"--log",
         [](SimOptions& o, std::string_view v) {
             o.logFile = v;
             return !v.empty();
         }},
        {"--answer-log",
         [](SimOptions& o, std::string_view v) {
             o.answerLogFile = v;
             return !v.empty();
         }},
        {"--start-time",
         [](SimOptions& o, std::string_view v) {
             o.startTime = ParseCalendarTime(v);
             return o.startTime.has_value();
         }},
        {"--dump-values",
         [](SimOptions& o, std::string_view v) {
             // Up to a year: the demand is walked sample by sample from the start.
             o.dumpValuesMs = ReadInteger<std::int64_t>(v, 0, kMaxDumpMs);
             return o.dumpValuesMs.has_value();
         }},
        {"--piece-bytes",
         [](SimOptions& o, std::string_view v) {
             const auto n = ReadInteger<std::size_t>(v, 1, 256);
             if (n) {
                 o.pacing.pieceBytes = *n;
             }
             return n.has_value();
         }},
        {"--turnaround",
         [](SimOptions& o, std::string_view v) {
             const auto n = ReadInteger<std::int64_t>(v, 0, kMaxMs);
             if (n) {
                 o.pacing.turnaroundMs = *n;
             }
             return n.has_value();
         }},
        {"--fault-crc", FaultRate(&FaultOptions::crcRate)},
        {"--fault-drop", FaultRate(&FaultOptions::dropRate)},
        {"--fault-split", FaultRate(&FaultOptions::splitRate)},
        {"--fault-late", FaultRate(&FaultOptions::lateRate)},
        {"--fault-exception", FaultRate(&FaultOptions::exceptionRate)},
        {"--fault-garbage", FaultRate(&FaultOptions::garbageRate)},
        {"--fault-noise", FaultRate(&FaultOptions::noiseRate)},
        {"--split-gap", FaultInteger<std::int64_t>(&FaultOptions::splitGapMs, 0, kMaxMs)},
        {"--late", FaultInteger<std::int64_t>(&FaultOptions::lateMs, 0, kMaxMs)},
        {"--exception-code", FaultInteger<int>(&FaultOptions::exceptionCode, 1, 255)},
        {"--garbage-bytes", FaultInteger<int>(&FaultOptions::garbageBytes, 1, 256)},
        {"--noise-bytes", FaultInteger<int>(&FaultOptions::noiseBytes, 1, 1024)},
        {"--noise-gap", FaultInteger<std::int64_t>(&FaultOptions::noiseGapMs, 0, kMaxMs)},
        {"--wiring",
         [](SimOptions& o, std::string_view v) { return AddWiringFaults(v, o.wiring); }},
        {"--tcp",
         [](SimOptions& o, std::string_view v) {
             std::string_view host;
             std::string_view port = v;
             if (const std::size_t colon = v.rfind(':'); colon != std::string_view::npos) {
                 host = v.substr(0, colon);
                 port = v.substr(colon + 1);
                 if (host.starts_with('[') && host.ends_with(']')) {
                     host = host.substr(1, host.size() - 2);
                 }
             }
             const auto n = ReadInteger<int>(port, 0, 65535);
             if (!n) {
                 return false;
             }
             o.tcpHost = std::string(host);
             o.tcpPort = *n;
             return true;
         }},
        {"--framing",
         [](SimOptions& o, std::string_view v) {
             if (v == "rtu") {
                 o.framing = NetFraming::Rtu;
             } else if (v == "mbap") {
                 o.framing = NetFraming::Mbap;
             } else {
                 return false;
             }
             return true;
         }},
        {"--net-delay",
         [](SimOptions& o, std::string_view v) {
             const auto n = ReadInteger<std::int64_t>(v, 0, kMaxMs);
             if (n) {
                 o.net.delayMs = *n;
             }
             return n.has_value();
         }},
        {"--net-drop",
         [](SimOptions& o, std::string_view v) {
             const auto r = ReadRate(v);
             if (r) {
                 o.net.dropRate = *r;
             }
             return r.has_value();
         }},
        {"--net-split",
         [](SimOptions& o, std::string_view v) {
             const auto r = ReadRate(v);
             if (r) {
                 o.net.splitRate = *r;
             }
             return r.has_value();
         }},
        {"--net-close-after",
         [](SimOptions& o, std::string_view v) {
             const auto n = ReadInteger<std::uint64_t>(v, 1, UINT64_MAX);
             if (n) {
                 o.net.closeAfter = *n;
             }
             return n.has_value();
         }},
        {"--gateway-timeout",
         [](SimOptions& o, std::string_view v) {
             const auto n = ReadInteger<std::int64_t>(v, 1, kMaxMs);
             if (n) {
                 o.net.gatewayTimeoutMs = *n;
             }
             return n.has_value();
         }},
        {"--error", [](SimOptions& o, std::string_view v) { return AddMeterErrors(v, o.error); }},
        {"--creep",
         [](SimOptions& o, std::string_view v) {
             return AddMeterErrors("creep=" + std::string(v), o.error);
         }},
        {"--source",
         [](SimOptions& o, std::string_view v) {
             const auto point = ParseSourcePoint(v, o.source.value_or(SourcePoint{}));
             if (point) {
                 o.source = *point;
             }
             return point.has_value();
         }},
        {"--source-file",
         [](SimOptions& o, std::string_view v) {
             o.sourceFile = std::string(v);
             if (!o.source) {
                 o.source = SourcePoint{};
             }
             return !v.empty();
         }},
        {"--vanish-after",
         [](SimOptions& o, std::string_view v) {
             const auto n = ReadInteger<std::uint64_t>(v, 0, UINT64_MAX);
             if (n) {
                 o.faults.vanishAfter = *n;
             }
             return n.has_value();
         }},
    };
    return options;
}

// The options that describe one meter rather than the line.
bool IsMeterOption(std::string_view name) {
    static const std::set<std::string_view> names = {
        "--meter",       "--address",    "--turnaround",      "--fault-crc",     "--fault-drop",
        "--fault-split", "--fault-late", "--fault-exception", "--fault-garbage", "--fault-noise",
        "--split-gap",   "--late",       "--exception-code",  "--garbage-bytes", "--noise-bytes",
        "--noise-gap",   "--wiring",     "--vanish-after",    "--error",         "--creep"};
    return names.contains(name);
}

SimMeter CurrentMeter(const SimOptions& o) {
    return SimMeter{o.meter, o.address, o.pacing.turnaroundMs, o.faults, o.wiring, o.error};
}

// Starts describing the next meter: its options start from their defaults.
void NextMeter(SimOptions& o) {
    o.meters.push_back(CurrentMeter(o));
    o.meter = MeterKind::PanelMount;
    o.address = 1;
    o.pacing.turnaroundMs = 0;
    o.faults = FaultOptions{};
    o.wiring = Wiring{};
    o.error = MeterError{};
}

// Applies one option with its value; "" when it was good, else the error.
std::string Apply(SimOptions& o, std::string_view name, std::string_view value) {
    const auto& options = ValueOptions();
    const auto found = options.find(name);
    if (found == options.end()) {
        return "unknown option: " + std::string(name);
    }
    if (!found->second(o, value)) {
        return "bad value for " + std::string(name) + ": " + std::string(value);
    }
    return {};
}

// Reads a list: one meter per line, "#" starts a comment; `path` names it
// in the errors.
std::string MeterListText(SimOptions& o, std::string_view text, std::string_view path,
                          bool& meterStarted) {
    std::istringstream file{std::string(text)};
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;) {
            tokens.push_back(word);
        }
        if (tokens.empty()) {
            continue;
        }
        if (meterStarted) {
            NextMeter(o);
        }
        meterStarted = true;
        for (std::size_t k = 0; k < tokens.size(); ++k) {
            std::string_view name = tokens[k];
            std::string_view value;
            if (const auto eq = name.find('='); eq != std::string_view::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            } else if (k + 1 < tokens.size()) {
                value = tokens[++k];
            } else {
                return std::string(path) + ":" + std::to_string(number) + ": option " +
                       std::string(name) + " needs a value";
            }
            if (!IsMeterOption(name)) {
                return std::string(path) + ":" + std::to_string(number) + ": " + std::string(name) +
                       " is not a meter option";
            }
            if (std::string error = Apply(o, name, value); !error.empty()) {
                return std::string(path) + ":" + std::to_string(number) + ": " + error;
            }
        }
    }
    return {};
}

// Reads a list file (see MeterListText).
std::string ReadMeterList(SimOptions& o, std::string_view path, bool& meterStarted) {
    std::ifstream file{std::string(path), std::ios::binary};
    if (!file) {
        return "cannot read the meter list " + std::string(path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return MeterListText(o, text.str(), path, meterStarted);
}

// The meter being read ends the list; two meters at one address are an error.
void FinishMeters(OptionsResult& result) {
    SimOptions& o = result.options;
    o.meters.push_back(CurrentMeter(o));
    std::set<int> addresses;
    for (const SimMeter& meter : o.meters) {
        if (!addresses.insert(meter.address).second) {
            result.error = "two meters at address " + std::to_string(meter.address);
            return;
        }
        if (!o.source && !meter.error.none()) {
            // Without a source the meter measures its own load: there is no
            // true value for an error to be off from.
            result.error = "--error and --creep need --source or --source-file (meter at address " +
                           std::to_string(meter.address) + ")";
            return;
        }
    }
}

}  // namespace

OptionsResult ParseMeterList(std::string_view text, std::string_view name) {
    OptionsResult result;
    bool meterStarted = false;
    result.error = MeterListText(result.options, text, name, meterStarted);
    if (result.ok()) {
        FinishMeters(result);
    }
    return result;
}

std::optional<CalendarTime> ParseCalendarTime(std::string_view text) {
    // YYYY-MM-DD hh:mm:ss, 19 characters.
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' ||
        (text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    auto part = [&](std::size_t at, std::size_t length, int low, int high) {
        return ReadInteger<int>(text.substr(at, length), low, high);
    };
    const auto year = part(0, 4, 2000, 2255);
    const auto month = part(5, 2, 1, 12);
    const auto day = part(8, 2, 1, 31);
    const auto hour = part(11, 2, 0, 23);
    const auto minute = part(14, 2, 0, 59);
    const auto second = part(17, 2, 0, 59);
    if (!year || !month || !day || !hour || !minute || !second) {
        return std::nullopt;
    }
    CalendarTime t{*year, *month, *day, *hour, *minute, *second};
    // Reject days the month does not have (2023-02-30).
    if (CalendarFromEpochSeconds(EpochSeconds(t)) != t) {
        return std::nullopt;
    }
    return t;
}

OptionsResult ParseOptions(std::span<const std::string_view> args) {
    OptionsResult result;
    SimOptions& o = result.options;
    bool meterStarted = false;  // a --meter (or a list line) began the meter being read
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string_view arg = args[k];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        if (arg == "--no-pace") {
            o.pacing.paced = false;
            continue;
        }
        if (arg == "--replace-link") {
            o.replaceLink = true;
            continue;
        }
        if (arg == "--ignore-line-settings") {
            o.ignoreLineSettings = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--meters" && !ValueOptions().contains(name)) {
            result.error = "unknown option: " + std::string(arg);
            return result;
        }
        if (!value) {
            if (k + 1 >= args.size()) {
                result.error = "option " + std::string(name) + " needs a value";
                return result;
            }
            value = args[++k];
        }
        if (name == "--meters") {
            result.error = ReadMeterList(o, *value, meterStarted);
            if (!result.ok()) {
                return result;
            }
            continue;
        }
        if (name == "--meter") {
            if (meterStarted) {
                NextMeter(o);
            }
            meterStarted = true;
        }
        result.error = Apply(o, name, *value);
        if (!result.ok()) {
            return result;
        }
    }
    FinishMeters(result);
    return result;
}

std::string UsageText() {
    return R"(Usage: metersim [options]

Simulates meters on a pseudo-terminal, one RS-485 line, and answers Modbus RTU
read requests (function codes 1, 2, 3 and 4). Prints the device path on the
first line of standard output; runs until SIGINT or SIGTERM.

Several meters on the line: each --meter after the first starts the next
meter, and the meter options after it (--address, --turnaround, the faults and
--wiring) are that meter's own. Each meter answers its own address with its
own values; answers never overlap on the line. A meter that never answers is
--fault-drop 1.
  metersim --com 1 --meter panel --address 1 \
                   --meter rail --address 7 --turnaround 300 \
                   --meter rail --address 9 --fault-crc 0.2
  --meters FILE          one meter per line of FILE, written with the meter
                         options ("--meter rail --address 7 --turnaround 300");
                         blank lines and "#" comments are skipped

Meter and line:
  --meter panel|rail     meter family: panel-mount (default) or DIN-rail
  --address A            slave address, 1 to 247 (default 1)
  --baud B               line speed in baud (default 9600); answers are paced
                         at 11 bits per byte and a frame ends after a silence
                         of 3.5 characters (1.75 ms above 19200 baud)
  --parity N|E|O         the meter's parity: none (default), even or odd
  --ignore-line-settings answer whatever baud rate and parity the program set
                         on the line; without it a program whose settings
                         differ from the meter's is heard the way a real UART
                         would hear it: garbled, mostly not at all
  --piece-bytes N        paced answers reach the reader in pieces of up to N
                         bytes (1 to 256, default 16), each once its last byte
                         is in, as a serial port's receive FIFO hands them over
  --no-pace              write each answer at once instead of at the byte time
  --turnaround MS        the meter's time from the end of a request to the
                         start of its answer, MS give or take 20 % (default 0;
                         real meters take about 5 to 100 ms)
  --seed S               seed of all values and fault decisions (default: a
                         fresh one, printed at start); same seed, same run
  --start-time T         meter clock at start, "YYYY-MM-DD hh:mm:ss" (default:
                         now; 2024-01-01 00:00:00 when --seed is given)
  --com N                create the link comN (1 to 255) in the per-user port
                         folder so that metertest's port N reaches this meter;
                         removed on exit
  --replace-link         replace comN even if it points to a live device
  --log FILE             one line per received frame: monotonic ms, hex bytes
  --answer-log FILE      one line per answer written: monotonic ms, hex bytes
  --dump-values MS       print every register at MS ms after start (up to a
                         year) and exit

Faults (R is the share of answers, 0 to 1; decided per answer from the seed):
  --fault-crc R          answer with a wrong CRC
  --fault-drop R         no answer
  --fault-split R        answer in two pieces, --split-gap MS apart (default 100)
  --fault-late R         answer --late MS later (default 600)
  --fault-exception R    exception answer with --exception-code C (default 4)
  --fault-garbage R      --garbage-bytes N random bytes before the answer
                         (default 4)
  --fault-noise R        --noise-bytes N random bytes (default 16) --noise-gap
                         MS (default 20) after the answer
  --vanish-after N       close the pseudo-terminal after N answers and exit

Network (a serial-to-Ethernet gateway in front of the line instead of a
pseudo-terminal):
  --tcp [HOST:]PORT      listen on TCP PORT (0: any free port) at HOST (default:
                         every address); prints "listening on HOST:PORT" on the
                         first line of standard output; clients connect to it as
                         metertest's network ports do, one or several at a time
  --framing rtu|mbap     rtu (default): RTU over TCP, the line's bytes as they
                         are; mbap: Modbus TCP, the MBAP header and no CRC, and
                         exception 0B when no meter answers in the gateway
                         timeout (0A for unit 0 or above 247)
  --gateway-timeout MS   how long the gateway waits on its line (default 500)
  --net-delay MS         every answer that much later on the network
  --net-drop R           the share of answers the network loses
  --net-split R          the share of answers sent in two segments, 20 ms apart
  --net-close-after N    close a client's connection after N answers (a gateway
                         that reboots or times the connection out)

Wiring (what the meter measures when it is connected wrongly; --wiring may be
given more than once, or with faults separated by commas):
  --wiring reverse-ct=P      the CTs of phases P (a, b, c, e.g. b or abc) are
                             connected the wrong way round: their active and
                             reactive powers change sign
  --wiring missing-phase=P   the voltage leads of phases P are missing: their
                             voltages, powers and angles read 0
  --wiring negative-sequence the supply runs a-c-b: the DIN-rail meter's
                             angles read 240 degrees
  --wiring swap-currents=XY  the current leads of phases X and Y are swapped
                             (ab, bc or ca): each phase measures the other's
                             current against its own voltage
  --wiring three-wire        a three-wire supply on a meter set for four
                             wires: phase b on the neutral terminal, no phase b
                             CT; phases a and c read line voltages
  --wiring current-scale=X   currents read X times their value (0.01 to 100),
                             powers stay right: a scaling fault
  --wiring healthy           the default
Energy counters keep counting the load itself, whatever the wiring.

Test bench (an accuracy test's source and meters with known errors):
  --source "U=230 I=5 PF=0.5L F=50"
                         every meter on the line measures this source (phase
                         voltage V, current A, power factor with L or C, Hz)
                         instead of its own load; the panel-mount meter's
                         transformer ratios are then 1; energy registers count
                         the source's energy at each meter's own resolution
  --source-file FILE     the source's set point is read from FILE (one line as
                         for --source) and again whenever FILE changes: write
                         a new line to move the source while metersim runs
  --error LIST           this meter's measuring error, comma-separated:
                         U, I, P, Q, F = gain in % (with :OFFSET in V, A, W or
                         var per phase, e.g. I=0.3:0.002), PF = difference
                         (e.g. PF=-0.004); the meter without --error is exact
                         and serves as the reference
  --creep W              this meter's active energy register counts W watts
                         more than it measures, also with no current
  --help                 this text
)";
}

}  // namespace mt
