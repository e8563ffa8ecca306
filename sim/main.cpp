// SPDX-License-Identifier: GPL-3.0-or-later
// metersim: a simulated meter on a pseudo-terminal. Opens the pair, serves
// the master side as a Modbus RTU slave, optionally links the slave device
// as comN into the per-user port folder that metertest reads, and runs until
// a signal (or a fault option) ends it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <pwd.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "faults.h"
#include "gateway.h"
#include "metermodel.h"
#include "options.h"
#include "portlink.h"
#include "pty.h"
#include "slave.h"
#include "uart.h"

namespace {

// --- signals -----------------------------------------------------------------

// SIGINT, SIGTERM and SIGHUP write a byte here, so the loop's poll wakes.
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    const ssize_t ignored = ::write(gSignalPipe[1], &byte, 1);
    (void)ignored;
}

bool CatchSignals() {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("metersim: pipe");
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

// --- clock and seed ------------------------------------------------------------

std::int64_t MonotonicUs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

mt::CalendarTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    mt::CalendarTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
    t.second = std::min(t.second, 59);  // a leap second would not be a valid time
    return t;
}

std::uint64_t FreshSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
           static_cast<std::uint64_t>(MonotonicUs());
}

// --- logs ------------------------------------------------------------------------

// "<ms> <hex> <hex> ...": one line of the request or the answer log.
std::string HexLine(std::int64_t us, const std::vector<std::uint8_t>& bytes) {
    std::string line = std::to_string(us / 1000);
    char hex[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    line += '\n';
    return line;
}

// A log file written line by line, so a reader sees each line at once. Without
// a path it writes nothing.
class LineLog {
public:
    LineLog() = default;
    LineLog(const LineLog&) = delete;
    LineLog& operator=(const LineLog&) = delete;
    ~LineLog() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    bool Open(const std::string& path) {
        if (path.empty()) {
            return true;
        }
        file_ = std::fopen(path.c_str(), "w");
        if (file_ != nullptr) {
            std::setvbuf(file_, nullptr, _IOLBF, 0);
        }
        return file_ != nullptr;
    }
    void Write(const std::string& line) {
        if (file_ != nullptr) {
            std::fputs(line.c_str(), file_);
        }
    }

private:
    std::FILE* file_ = nullptr;
};

// --- setting up the line -----------------------------------------------------------

std::string PortFolder() {
    // The folder metertest looks in for comN. Without XDG_RUNTIME_DIR Qt
    // falls back to <temp>/runtime-<user> and warns about the variable;
    // metertest takes the same folder then, so it is worked out here the
    // same way (made for the user alone, as Qt would) without the warning.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const passwd* user = ::getpwuid(::geteuid());
        const QString fallback = QDir::tempPath() + QStringLiteral("/runtime-") +
                                 QFile::decodeName(user != nullptr ? user->pw_name : "");
        if (!QFileInfo::exists(fallback)) {
            ::mkdir(QFile::encodeName(fallback).constData(), 0700);
        }
        return (fallback + QStringLiteral("/metertest/ports")).toStdString();
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        return {};
    }
    return (runtime + QStringLiteral("/metertest/ports")).toStdString();
}

const char* MeterName(mt::MeterKind kind) {
    return kind == mt::MeterKind::PanelMount ? "panel-mount" : "DIN-rail";
}

char ParityLetter(mt::Parity parity) {
    switch (parity) {
        case mt::Parity::Even:
            return 'E';
        case mt::Parity::Odd:
            return 'O';
        case mt::Parity::Mark:
            return 'M';
        case mt::Parity::Space:
            return 'S';
        case mt::Parity::None:
            break;
    }
    return 'N';
}

// Creates the link comN to the pseudo-terminal. Gives false, having said why,
// when the simulator cannot go on; `linkPath` is the link made.
bool LinkAsCom(int com, const mt::Pty& pty, bool replace, std::string& linkPath) {
    const mt::LinkResult link = mt::CreatePortLink(PortFolder(), com, pty.path, replace);
    switch (link.status) {
        case mt::LinkStatus::Created:
            break;
        case mt::LinkStatus::ReplacedStale:
        case mt::LinkStatus::Replaced:
            std::fprintf(stderr, "metersim: %s: %s\n", link.path.c_str(), link.message.c_str());
            break;
        case mt::LinkStatus::Taken:
            std::fprintf(stderr,
                         "metersim: com%d is taken (%s); stop that program or pass "
                         "--replace-link\n",
                         com, link.message.c_str());
            return false;
        case mt::LinkStatus::NotALink:
        case mt::LinkStatus::Failed:
            std::fprintf(stderr, "metersim: %s\n", link.message.c_str());
            return false;
    }
    linkPath = link.path;
    return true;
}

// The device on the first line of standard output (scripts and tests wait
// for it), what runs where on standard error: one line per meter.
void Announce(const mt::SimOptions& options, std::uint64_t seed, const mt::Pty& pty,
              const std::string& linkPath) {
    std::printf("%s\n", pty.path.c_str());
    std::fflush(stdout);
    for (const mt::SimMeter& meter : options.meters) {
        const std::string wiring =
            meter.wiring.healthy() ? std::string() : ", wiring " + mt::WiringText(meter.wiring);
        const std::string turnaround =
            meter.turnaroundMs > 0 ? ", turnaround " + std::to_string(meter.turnaroundMs) + " ms"
                                   : std::string();
        std::fprintf(stderr,
                     "metersim: %s meter, address %u, %u baud, parity %c%s%s%s, seed %" PRIu64
                     " on %s%s%s\n",
                     MeterName(meter.meter), unsigned{meter.address}, options.baud,
                     ParityLetter(options.parity), options.pacing.paced ? "" : " (not paced)",
                     turnaround.c_str(), wiring.c_str(), seed, pty.path.c_str(),
                     linkPath.empty() ? "" : " as ", linkPath.c_str());
    }
    if (options.source) {
        std::fprintf(stderr, "metersim: every meter measures the source %s%s%s\n",
                     mt::SourcePointText(*options.source).c_str(),
                     options.sourceFile.empty() ? "" : ", set from ", options.sourceFile.c_str());
    }
}

// --- the meter on the line -----------------------------------------------------------

// The event loop: takes requests off the line, frames them, has the slave
// answer them and writes each answer's bytes when they are due. Unless line
// settings are ignored, it follows the baud rate and parity the program sets
// on the pseudo-terminal: while they differ from the meter's, each side
// hears the other through its own UART (see ReceiveCharacters), so requests
// arrive garbled and are mostly not answered at all.
// One meter on the line: its slave, its faults, its own turnaround and the
// count of its answers.
struct LineMeter {
    const mt::Slave& slave;
    const mt::FaultPlan& plan;
    mt::Pacing pacing;
    std::optional<std::uint64_t> vanishAfter;
    std::uint64_t answerNumber = 0;
};

class MeterLoop {
public:
    MeterLoop(const mt::SimOptions& options, std::vector<LineMeter> meters, const mt::Pty& pty,
              LineLog& requestLog, LineLog& answerLog)
        : options_(options),
          meters_(std::move(meters)),
          timing_(options.baud),
          pty_(pty),
          requestLog_(requestLog),
          answerLog_(answerLog),
          startUs_(MonotonicUs()),
          lastReceivedUs_(startUs_),
          lineFreeUs_(startUs_),
          meterFormat_(mt::MeterFormat(options.baud, options.parity)),
          programFormat_(meterFormat_),
          vanishing_(std::any_of(meters_.begin(), meters_.end(), [](const LineMeter& meter) {
              return meter.vanishAfter && *meter.vanishAfter == 0;
          })) {}

    // Serves until a signal comes, or until the device vanishes and its last
    // bytes are written.
    void Run() {
        while (!signalled_ && !(vanishing_ && queue_.empty())) {
            if (!WaitForWork()) {
                break;
            }
            const std::int64_t now = MonotonicUs();
            if (signalled_) {
                break;
            }
            if (readable_) {
                Receive(now);
            }
            if (framer_.Pending() && now - lastReceivedUs_ >= timing_.SilenceUs()) {
                framer_.Silence(frames_);
            }
            for (const mt::ReceivedFrame& frame : frames_) {
                Answer(frame, now);
            }
            frames_.clear();
            WriteDue(now);
        }
    }

    bool Signalled() const { return signalled_; }
    bool Vanishing() const { return vanishing_; }
    std::uint64_t AnswersSent() const { return answersSent_; }

private:
    // Sleeps until bytes come in, a signal comes, a frame's silence has
    // passed or queued bytes are due. False on a poll error.
    bool WaitForWork() {
        const std::int64_t now = MonotonicUs();
        std::int64_t wakeUs = -1;
        if (framer_.Pending()) {
            wakeUs = lastReceivedUs_ + timing_.SilenceUs();
        }
        if (!queue_.empty() && (wakeUs < 0 || queue_.begin()->first < wakeUs)) {
            wakeUs = queue_.begin()->first;
        }
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (wakeUs >= 0) {
            const std::int64_t waitUs = std::max<std::int64_t>(0, wakeUs - now);
            timeout.tv_sec = static_cast<time_t>(waitUs / 1000000);
            timeout.tv_nsec = static_cast<long>(waitUs % 1000000 * 1000);
            timeoutPointer = &timeout;
        }
        pollfd fds[2] = {{pty_.master, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, timeoutPointer, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::perror("metersim: poll");
            return false;
        }
        signalled_ = ready > 0 && (fds[1].revents & POLLIN) != 0;
        readable_ = ready > 0 && (fds[0].revents & POLLIN) != 0;
        return true;
    }

    // True while the program's settings differ from the meter's.
    bool Garbled() const {
        return !options_.ignoreLineSettings && !mt::SameSettings(programFormat_, meterFormat_);
    }

    // Reads the settings the program has made on the line now, and says on
    // standard error when they begin, or stop, to differ from the meter's.
    void FollowLine() {
        if (options_.ignoreLineSettings) {
            return;
        }
        const std::optional<mt::LineSeen> seen = pty_.ReadLine();
        if (!seen) {
            return;
        }
        const mt::CharacterFormat program = mt::ProgramFormat(*seen, options_.parity);
        if (program == programFormat_) {
            return;
        }
        const bool wasGarbled = Garbled();
        programFormat_ = program;
        if (Garbled()) {
            // Without the odd or stick flag the line cannot tell N from E.
            const bool flagged = seen->oddFlag || seen->stickFlag;
            std::fprintf(stderr,
                         "metersim: the line is set to %u baud, parity %s; the meter listens at "
                         "%u baud, parity %c: requests arrive garbled\n",
                         program.baud,
                         flagged ? std::string(1, ParityLetter(program.parity)).c_str() : "N or E",
                         meterFormat_.baud, ParityLetter(meterFormat_.parity));
        } else if (wasGarbled) {
            std::fprintf(stderr, "metersim: the line is at the meter's settings again\n");
        }
    }

    // Takes everything waiting on the line into the framer, as the meter's
    // UART hears it.
    void Receive(std::int64_t now) {
        FollowLine();
        std::uint8_t buffer[4096];
        for (;;) {
            const ssize_t n = ::read(pty_.master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            std::span<const std::uint8_t> bytes(buffer, static_cast<std::size_t>(n));
            std::vector<std::uint8_t> heard;
            if (Garbled()) {
                heard = mt::ReceiveBytes(bytes, programFormat_, meterFormat_);
                bytes = heard;
            }
            framer_.Feed(bytes, now / 1000, frames_);
            lastReceivedUs_ = now;
        }
    }

    // Logs one frame and queues its answer, if it gets one.
    void Answer(const mt::ReceivedFrame& frame, std::int64_t now) {
        requestLog_.Write(HexLine(frame.firstByteMs * 1000, frame.bytes));
        if (vanishing_) {
            return;  // the device is going away: nothing more is answered
        }
        // Every meter hears the frame; only the one at its address answers.
        LineMeter* meter = &meters_.front();
        for (LineMeter& candidate : meters_) {
            if (!frame.bytes.empty() && candidate.slave.Address() == frame.bytes.front()) {
                meter = &candidate;
            }
        }
        const mt::SlaveReply reply = meter->slave.Handle(frame, (now - startUs_) / 1000);
        if (!reply.HasAnswer()) {
            return;
        }
        std::vector<mt::TimedChunk> chunks =
            meter->plan.Transmission(reply.answer, meter->answerNumber++, timing_, meter->pacing);
        if (Garbled()) {
            // The program's UART hears the answer at its own settings.
            for (mt::TimedChunk& chunk : chunks) {
                chunk.bytes = mt::ReceiveBytes(chunk.bytes, meterFormat_, programFormat_);
            }
            std::erase_if(chunks, [](const mt::TimedChunk& chunk) { return chunk.bytes.empty(); });
        }
        if (chunks.empty()) {
            return;
        }
        // One line: an answer never starts before the previous one has
        // left it, so bytes of two answers cannot interleave. The meter's
        // turnaround counts from its own request: a slow meter that gets
        // the next request before it has answered the last one does not add
        // one turnaround to the next.
        const std::int64_t baseUs = std::max(now, lineFreeUs_ - chunks.front().atUs);
        std::vector<std::uint8_t> sent;
        for (const mt::TimedChunk& chunk : chunks) {
            queue_.emplace(baseUs + chunk.atUs, chunk.bytes);
            if (!chunk.noise) {
                sent.insert(sent.end(), chunk.bytes.begin(), chunk.bytes.end());
            }
            lineFreeUs_ = std::max(lineFreeUs_, baseUs + chunk.atUs);
        }
        answerLog_.Write(HexLine(baseUs + chunks.front().atUs, sent));
        ++answersSent_;
        if (meter->vanishAfter && meter->answerNumber >= *meter->vanishAfter) {
            vanishing_ = true;
        }
    }

    // Writes what is due. Bytes nobody reads are lost, as on a real line.
    void WriteDue(std::int64_t now) {
        while (!queue_.empty() && queue_.begin()->first <= now) {
            const std::vector<std::uint8_t>& bytes = queue_.begin()->second;
            const ssize_t written = ::write(pty_.master, bytes.data(), bytes.size());
            (void)written;
            queue_.erase(queue_.begin());
        }
    }

    const mt::SimOptions& options_;
    std::vector<LineMeter> meters_;
    const mt::LineTiming timing_;
    const mt::Pty& pty_;
    LineLog& requestLog_;
    LineLog& answerLog_;

    const std::int64_t startUs_;
    mt::RequestFramer framer_;
    std::vector<mt::ReceivedFrame> frames_;
    // Bytes by the moment they are due.
    std::multimap<std::int64_t, std::vector<std::uint8_t>> queue_;
    std::int64_t lastReceivedUs_;
    std::int64_t lineFreeUs_;  // when the last queued byte has left the line
    const mt::CharacterFormat meterFormat_;
    mt::CharacterFormat programFormat_;  // as the line showed it last
    std::uint64_t answersSent_ = 0;
    bool vanishing_;
    bool signalled_ = false;
    bool readable_ = false;
};

// Lets the program on the other side take the last answer before the line
// goes: closing drops whatever it has not read yet. The kernel hands written
// bytes to the other side a moment later, so the line counts as read once it
// has stayed empty for 50 ms (or after 1 s, when nobody reads at all).
void WaitUntilRead(const mt::Pty& pty) {
    const std::int64_t giveUpUs = MonotonicUs() + 1000000;
    std::int64_t emptySinceUs = MonotonicUs();
    for (;;) {
        const std::int64_t now = MonotonicUs();
        const int unread = pty.Unread();
        if (unread < 0 || now >= giveUpUs) {
            break;
        }
        if (unread > 0) {
            emptySinceUs = now;
        } else if (now - emptySinceUs >= 50000) {
            break;
        }
        ::usleep(2000);
    }
}

// Re-reads the source's control file whenever it changes (its time or size),
// before a request's values are made: the first line that is not blank or a
// "#" comment is the new set point, counted from that request on. A bad line
// is reported once and the source stays as it was.
std::function<void(mt::SimSource&, std::int64_t)> SourceFileFollower(const std::string& path) {
    struct Seen {
        timespec mtime{};
        off_t size = -1;
        bool missing = false;
    };
    auto seen = std::make_shared<Seen>();
    return [path, seen](mt::SimSource& source, std::int64_t ms) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            if (!seen->missing) {
                std::fprintf(stderr, "metersim: source file %s: %s\n", path.c_str(),
                             std::strerror(errno));
                seen->missing = true;
            }
            return;
        }
        seen->missing = false;
        if (info.st_mtim.tv_sec == seen->mtime.tv_sec &&
            info.st_mtim.tv_nsec == seen->mtime.tv_nsec && info.st_size == seen->size) {
            return;
        }
        seen->mtime = info.st_mtim;
        seen->size = info.st_size;
        std::FILE* file = std::fopen(path.c_str(), "r");
        if (file == nullptr) {
            return;
        }
        char line[512];
        std::string text;
        while (std::fgets(line, sizeof line, file) != nullptr) {
            std::string_view view(line);
            while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) {
                view.remove_prefix(1);
            }
            if (view.empty() || view.front() == '#' || view.front() == '\n' ||
                view.front() == '\r') {
                continue;
            }
            text = std::string(view);
            break;
        }
        std::fclose(file);
        if (text.empty()) {
            return;  // written in two steps: the next look finds the line
        }
        const auto point = mt::ParseSourcePoint(text, source.At(ms));
        if (!point) {
            std::fprintf(stderr, "metersim: source file %s: not a set point: %s", path.c_str(),
                         text.c_str());
            return;
        }
        if (*point != source.At(ms)) {
            source.Set(ms, *point);
            std::fprintf(stderr, "metersim: source %s from %lld ms\n",
                         mt::SourcePointText(*point).c_str(), static_cast<long long>(ms));
        }
    };
}

}  // namespace

// The meters behind a serial gateway on the network: until a signal.
int ServeTcp(const mt::SimOptions& options, const std::vector<LineMeter>& meters,
             std::uint64_t seed, LineLog& requestLog, LineLog& answerLog) {
    std::vector<mt::GatewayMeter> behind;
    for (const LineMeter& meter : meters) {
        behind.push_back(mt::GatewayMeter{&meter.slave, &meter.plan, meter.pacing});
    }
    mt::TcpGateway gateway(std::move(behind), options.framing, options.net,
                           mt::LineTiming(options.baud), seed);
    std::string error;
    const std::string host = options.tcpHost.value_or("");
    if (!gateway.Listen(host, *options.tcpPort, error)) {
        std::fprintf(stderr, "metersim: %s\n", error.c_str());
        return 1;
    }
    gateway.SetLogs(
        [&](std::int64_t us, const std::vector<std::uint8_t>& bytes) {
            requestLog.Write(HexLine(us, bytes));
        },
        [&](std::int64_t us, const std::vector<std::uint8_t>& bytes) {
            answerLog.Write(HexLine(us, bytes));
        });
    // The first line says where: tests and scripts read the port from it.
    std::printf("listening on %s:%d\n", host.empty() ? "0.0.0.0" : host.c_str(), gateway.Port());
    std::fflush(stdout);
    std::string list;
    for (const mt::SimMeter& meter : options.meters) {
        list += (list.empty() ? "" : ", ") +
                std::string(meter.meter == mt::MeterKind::PanelMount ? "panel-mount" : "DIN-rail") +
                " at " + std::to_string(meter.address);
    }
    std::fprintf(stderr,
                 "metersim: %s behind a gateway on TCP port %d (%s), line %u baud, seed %" PRIu64
                 "\n",
                 list.c_str(), gateway.Port(),
                 options.framing == mt::NetFraming::Mbap ? "Modbus TCP" : "RTU over TCP",
                 options.baud, seed);
    gateway.Run(gSignalPipe[0]);
    return 0;
}

int main(int argc, char* argv[]) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const mt::OptionsResult parsed = mt::ParseOptions(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "metersim: %s\n(metersim --help lists the options)\n",
                     parsed.error.c_str());
        return 2;
    }
    const mt::SimOptions& options = parsed.options;
    if (options.help) {
        std::fputs(mt::UsageText().c_str(), stdout);
        return 0;
    }

    const std::uint64_t seed = options.seed ? *options.seed : FreshSeed();
    const mt::CalendarTime start = options.startTime.value_or(
        options.seed ? mt::CalendarTime{2024, 1, 1, 0, 0, 0} : LocalNow());
    // Each meter its own values: the first keeps the seed itself, so that a
    // single meter runs as it always did.
    std::vector<std::unique_ptr<mt::MeterModel>> models;
    std::vector<std::unique_ptr<mt::Slave>> slaves;
    std::vector<std::unique_ptr<mt::FaultPlan>> plans;
    std::vector<LineMeter> meters;
    std::unique_ptr<mt::SimSource> source;
    if (options.source) {
        source = std::make_unique<mt::SimSource>(*options.source);
        if (!options.sourceFile.empty()) {
            source->SetFollower(SourceFileFollower(options.sourceFile));
        }
    }
    for (std::size_t i = 0; i < options.meters.size(); ++i) {
        const mt::SimMeter& meter = options.meters[i];
        const std::uint64_t meterSeed = seed + i * 0x9E3779B97F4A7C15ULL;
        models.push_back(
            std::make_unique<mt::MeterModel>(meter.meter, meterSeed, start, meter.wiring));
        if (source) {
            models.back()->FollowSource(source.get(), meter.error);
        }
        slaves.push_back(std::make_unique<mt::Slave>(*models.back(), meter.address));
        plans.push_back(std::make_unique<mt::FaultPlan>(meter.faults, meterSeed));
        mt::Pacing pacing = options.pacing;
        pacing.turnaroundMs = meter.turnaroundMs;
        meters.push_back(
            LineMeter{*slaves.back(), *plans.back(), pacing, meter.faults.vanishAfter});
    }
    if (options.dumpValuesMs) {
        std::fputs(mt::RegisterDump(*models.front(), *options.dumpValuesMs).c_str(), stdout);
        return 0;
    }

    LineLog requestLog;
    LineLog answerLog;
    if (!requestLog.Open(options.logFile) || !answerLog.Open(options.answerLogFile)) {
        std::fprintf(stderr, "metersim: cannot write the log: %s\n", std::strerror(errno));
        return 1;
    }
    if (!CatchSignals()) {
        return 1;
    }
    if (options.tcpPort) {
        return ServeTcp(options, meters, seed, requestLog, answerLog);
    }
    mt::Pty pty;
    std::string error;
    if (!pty.Open(error)) {
        std::fprintf(stderr, "metersim: %s\n", error.c_str());
        return 1;
    }
    if (!pty.PresetLine(mt::MeterFormat(options.baud, options.parity))) {
        std::fprintf(stderr, "metersim: cannot put %u baud on %s: %s\n", options.baud,
                     pty.path.c_str(), std::strerror(errno));
    }
    std::string linkPath;
    if (options.com && !LinkAsCom(*options.com, pty, options.replaceLink, linkPath)) {
        pty.Close();
        return 1;
    }
    Announce(options, seed, pty, linkPath);

    MeterLoop loop(options, std::move(meters), pty, requestLog, answerLog);
    loop.Run();

    const bool vanished = loop.Vanishing() && !loop.Signalled();
    if (vanished) {
        WaitUntilRead(pty);
    }
    pty.Close();
    if (!linkPath.empty()) {
        mt::RemoveOwnLink(linkPath, pty.path);
    }
    if (vanished) {
        std::fprintf(stderr, "metersim: closed %s after %" PRIu64 " answers\n", pty.path.c_str(),
                     loop.AnswersSent());
    }
    return 0;
}
