// metersim: a simulated meter on a pseudo-terminal. Opens the pair, serves
// the slave side as a Modbus RTU slave, optionally links it as comN into the
// per-user port folder that metertest reads, and runs until a signal (or a
// fault option) ends it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "faults.h"
#include "metermodel.h"
#include "options.h"
#include "portlink.h"
#include "slave.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    const ssize_t ignored = ::write(gSignalPipe[1], &byte, 1);
    (void)ignored;
}

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

// A log file written line by line, so a reader sees each line at once.
class LineLog {
public:
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
    ~LineLog() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

private:
    std::FILE* file_ = nullptr;
};

struct Pty {
    int master = -1;
    int slave = -1;  // held open so the line stays up while no program has it open
    std::string path;

    void Close() {
        if (slave >= 0) {
            ::close(slave);
        }
        if (master >= 0) {
            ::close(master);
        }
        slave = master = -1;
    }
};

bool OpenPty(Pty& pty, std::string& error) {
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (::ptsname_r(pty.master, name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    pty.path = name;
    pty.slave = ::open(name, O_RDWR | O_NOCTTY);
    if (pty.slave < 0) {
        error = "cannot open " + pty.path + ": " + std::strerror(errno);
        return false;
    }
    // Raw bytes both ways: no echo, no line editing, no character translation.
    termios raw{};
    if (::tcgetattr(pty.slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(pty.slave, TCSANOW, &raw);
    }
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    return true;
}

std::string PortFolder() {
    // The folder metertest looks in for comN.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        return {};
    }
    return (runtime + QStringLiteral("/metertest/ports")).toStdString();
}

const char* MeterName(mt::MeterKind kind) {
    return kind == mt::MeterKind::Panel ? "panel-mount" : "DIN-rail";
}

}  // namespace

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
    const mt::MeterModel model(options.meter, seed, start);
    if (options.dumpValuesMs) {
        std::fputs(mt::RegisterDump(model, *options.dumpValuesMs).c_str(), stdout);
        return 0;
    }
    const mt::Slave slave(model, options.address);
    const mt::FaultPlan plan(options.faults, seed);
    const mt::LineTiming timing(options.baud);

    LineLog requestLog;
    LineLog answerLog;
    if (!requestLog.Open(options.logFile) || !answerLog.Open(options.answerLogFile)) {
        std::fprintf(stderr, "metersim: cannot write the log: %s\n", std::strerror(errno));
        return 1;
    }

    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("metersim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
    ::signal(SIGPIPE, SIG_IGN);

    Pty pty;
    std::string error;
    if (!OpenPty(pty, error)) {
        std::fprintf(stderr, "metersim: %s\n", error.c_str());
        return 1;
    }

    std::string linkPath;
    if (options.com) {
        const mt::LinkResult link =
            mt::CreatePortLink(PortFolder(), *options.com, pty.path, options.replaceLink);
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
                             *options.com, link.message.c_str());
                pty.Close();
                return 1;
            case mt::LinkStatus::NotALink:
            case mt::LinkStatus::Failed:
                std::fprintf(stderr, "metersim: %s\n", link.message.c_str());
                pty.Close();
                return 1;
        }
        linkPath = link.path;
    }

    std::printf("%s\n", pty.path.c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "metersim: %s meter, address %u, %u baud%s, seed %" PRIu64 " on %s%s%s\n",
                 MeterName(options.meter), unsigned{options.address}, options.baud,
                 options.pacing.paced ? "" : " (not paced)", seed, pty.path.c_str(),
                 linkPath.empty() ? "" : " as ", linkPath.c_str());

    const std::int64_t startUs = MonotonicUs();
    mt::RequestFramer framer;
    std::vector<mt::ReceivedFrame> frames;
    std::multimap<std::int64_t, std::vector<std::uint8_t>>
        queue;  // bytes by the moment they are due
    std::int64_t lastReceivedUs = startUs;
    std::int64_t lineFreeUs = startUs;  // when the last queued byte has left the line
    std::uint64_t answerNumber = 0;
    std::uint64_t answersSent = 0;
    const auto vanishAfter = options.faults.vanishAfter;
    bool vanishing = vanishAfter && *vanishAfter == 0;
    bool signalled = false;

    while (!signalled && !(vanishing && queue.empty())) {
        std::int64_t now = MonotonicUs();
        std::int64_t wakeUs = -1;
        if (framer.Pending()) {
            wakeUs = lastReceivedUs + timing.SilenceUs();
        }
        if (!queue.empty() && (wakeUs < 0 || queue.begin()->first < wakeUs)) {
            wakeUs = queue.begin()->first;
        }
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (wakeUs >= 0) {
            const std::int64_t waitUs = std::max<std::int64_t>(0, wakeUs - now);
            timeout.tv_sec = static_cast<time_t>(waitUs / 1000000);
            timeout.tv_nsec = static_cast<long>(waitUs % 1000000 * 1000);
            timeoutPointer = &timeout;
        }
        pollfd fds[2] = {{pty.master, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, timeoutPointer, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::perror("metersim: poll");
            break;
        }
        now = MonotonicUs();
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
            signalled = true;
            break;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            std::uint8_t buffer[4096];
            for (;;) {
                const ssize_t n = ::read(pty.master, buffer, sizeof buffer);
                if (n <= 0) {
                    break;
                }
                framer.Feed({buffer, static_cast<std::size_t>(n)}, now / 1000, frames);
                lastReceivedUs = now;
            }
        }
        if (framer.Pending() && now - lastReceivedUs >= timing.SilenceUs()) {
            framer.Silence(frames);
        }
        for (const mt::ReceivedFrame& frame : frames) {
            requestLog.Write(HexLine(frame.firstByteMs * 1000, frame.bytes));
            if (vanishing) {
                continue;  // the device is going away: nothing more is answered
            }
            const mt::SlaveReply reply = slave.Handle(frame, (now - startUs) / 1000);
            if (!reply.HasAnswer()) {
                continue;
            }
            const std::vector<mt::TimedChunk> chunks =
                plan.Transmission(reply.answer, answerNumber++, timing, options.pacing);
            if (chunks.empty()) {
                continue;
            }
            // One line: an answer never starts before the previous one has
            // left it, so bytes of two answers cannot interleave.
            const std::int64_t baseUs = std::max(now, lineFreeUs);
            std::vector<std::uint8_t> sent;
            for (const mt::TimedChunk& chunk : chunks) {
                queue.emplace(baseUs + chunk.atUs, chunk.bytes);
                if (!chunk.noise) {
                    sent.insert(sent.end(), chunk.bytes.begin(), chunk.bytes.end());
                }
                lineFreeUs = std::max(lineFreeUs, baseUs + chunk.atUs);
            }
            answerLog.Write(HexLine(baseUs + chunks.front().atUs, sent));
            ++answersSent;
            if (vanishAfter && answersSent >= *vanishAfter) {
                vanishing = true;
            }
        }
        frames.clear();
        // Write what is due. Bytes nobody reads are lost, as on a real line.
        while (!queue.empty() && queue.begin()->first <= now) {
            const std::vector<std::uint8_t>& bytes = queue.begin()->second;
            const ssize_t written = ::write(pty.master, bytes.data(), bytes.size());
            (void)written;
            queue.erase(queue.begin());
        }
    }

    if (vanishing && !signalled) {
        // Let the program on the other side take the last answer before the
        // line goes: closing drops whatever it has not read yet. The kernel
        // hands written bytes to the other side a moment later, so the line
        // counts as read once it has stayed empty for 50 ms (or after 1 s,
        // when nobody reads at all).
        const std::int64_t giveUpUs = MonotonicUs() + 1000000;
        std::int64_t emptySinceUs = MonotonicUs();
        for (;;) {
            int unread = 0;
            const std::int64_t now = MonotonicUs();
            if (::ioctl(pty.slave, FIONREAD, &unread) != 0 || now >= giveUpUs) {
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
    pty.Close();
    if (!linkPath.empty()) {
        mt::RemoveOwnLink(linkPath, pty.path);
    }
    if (vanishing && !signalled) {
        std::fprintf(stderr, "metersim: closed %s after %" PRIu64 " answers\n", pty.path.c_str(),
                     answersSent);
    }
    return 0;
}
