// SPDX-License-Identifier: GPL-3.0-or-later
// Time from process start to the first frame of the selection screen.
//
//   bench_startup [--runs N] [--platform NAME] [--tsv FILE]
//
// Starts itself N times (after one warm-up start that is not counted) as a
// probe that starts the program as metertest's main() does (mt::Program): the
// selection screen with the production monitor factory, show(), the event
// loop. The clock starts in the forked child right before exec, so loading
// the program and its libraries counts; it stops once the screen's window is
// exposed and the screen has painted itself. Both ends read CLOCK_MONOTONIC.
// Prints every run, then "metric<TAB>value<TAB>unit" lines (also to FILE).
// NAME is the Qt platform (offscreen by default; xcb needs DISPLAY).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "shell/program.h"

namespace {

constexpr const char* kStartedEnv = "METERTEST_BENCH_STARTED_NS";
constexpr const char* kResultFdEnv = "METERTEST_BENCH_RESULT_FD";
constexpr int kProbeTimeoutMs = 30000;

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// ---- probe: one start of the selection screen ------------------------------

// Notes, after each event has been handled, when the selection screen's
// window has been exposed and when the screen has painted itself.
class ProbeApplication : public QApplication {
public:
    using QApplication::QApplication;

    void watch(QWidget* screen) { screen_ = screen; }
    std::optional<std::int64_t> firstFrameNs() const {
        if (!exposedNs_ || !paintedNs_) {
            return std::nullopt;
        }
        return std::max(*exposedNs_, *paintedNs_);
    }
    std::optional<std::int64_t> exposedNs() const { return exposedNs_; }

    bool notify(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool handled = QApplication::notify(receiver, event);
        if (screen_ == nullptr || firstFrameNs()) {
            return handled;
        }
        if (type == QEvent::Expose && !exposedNs_ && receiver == screen_->windowHandle() &&
            screen_->windowHandle()->isExposed()) {
            exposedNs_ = MonotonicNs();
        } else if (type == QEvent::Paint && !paintedNs_ && receiver == screen_) {
            paintedNs_ = MonotonicNs();
        }
        if (firstFrameNs()) {
            QTimer::singleShot(0, this, &QCoreApplication::quit);
        }
        return handled;
    }

private:
    QWidget* screen_ = nullptr;
    std::optional<std::int64_t> exposedNs_;
    std::optional<std::int64_t> paintedNs_;
};

int Probe(int argc, char** argv, std::int64_t startedNs, int resultFd) {
    ProbeApplication app(argc, argv);
    mt::Program program;
    app.watch(&program.start());
    QTimer::singleShot(kProbeTimeoutMs, &app, &QCoreApplication::quit);
    program.start().show();
    QApplication::exec();

    const auto frameNs = app.firstFrameNs();
    if (!frameNs) {
        return 3;
    }
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%lld %lld\n",
                                     static_cast<long long>(*app.exposedNs() - startedNs),
                                     static_cast<long long>(*frameNs - startedNs));
    if (length <= 0 || write(resultFd, line, static_cast<std::size_t>(length)) != length) {
        return 4;
    }
    return 0;
}

// ---- launcher --------------------------------------------------------------

struct Sample {
    double exposedMs = 0;
    double firstFrameMs = 0;
};

// Runs one probe; nothing when it failed (the reason goes to standard error).
std::optional<Sample> RunProbe(const std::string& platform) {
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("bench_startup: pipe");
        return std::nullopt;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("bench_startup: fork");
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        // The launcher never starts a thread, so setting the environment
        // between fork and exec is safe.
        close(fds[0]);
        setenv(kResultFdEnv, std::to_string(fds[1]).c_str(), 1);
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
        setenv(kStartedEnv, std::to_string(MonotonicNs()).c_str(), 1);
        char name[] = "metertest";
        char* args[] = {name, nullptr};
        execv("/proc/self/exe", args);
        _exit(127);
    }
    close(fds[1]);

    std::string output;
    const std::int64_t deadline = MonotonicNs() + std::int64_t{kProbeTimeoutMs + 5000} * 1000000;
    bool timedOut = false;
    for (;;) {
        const std::int64_t leftMs = (deadline - MonotonicNs()) / 1000000;
        if (leftMs <= 0) {
            timedOut = true;
            break;
        }
        pollfd waiting{fds[0], POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(leftMs));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        char buffer[128];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    if (timedOut) {
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "bench_startup: probe "
                  << (timedOut ? std::string("timed out")
                      : WIFEXITED(status)
                          ? "exited with status " + std::to_string(WEXITSTATUS(status))
                          : "ended by signal " + std::to_string(WTERMSIG(status)))
                  << '\n';
        return std::nullopt;
    }
    long long exposedNs = 0;
    long long frameNs = 0;
    std::istringstream in(output);
    if (!(in >> exposedNs >> frameNs)) {
        std::cerr << "bench_startup: probe gave no result\n";
        return std::nullopt;
    }
    return Sample{static_cast<double>(exposedNs) / 1e6, static_cast<double>(frameNs) / 1e6};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string Fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

int Usage() {
    std::cerr << "usage: bench_startup [--runs N] [--platform NAME] [--tsv FILE]\n";
    return 2;
}

int Launch(int argc, char** argv) {
    int runs = 15;
    std::string platform = "offscreen";
    std::string tsvPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (i + 1 >= argc) {
            return Usage();
        }
        if (arg == "--runs") {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--platform") {
            platform = argv[++i];
        } else if (arg == "--tsv") {
            tsvPath = argv[++i];
        } else {
            return Usage();
        }
    }
    if (runs < 1 || platform.empty()) {
        return Usage();
    }

    if (!RunProbe(platform)) {  // warm-up: page cache, font cache
        return 1;
    }
    std::vector<double> frames;
    for (int run = 1; run <= runs; ++run) {
        const auto sample = RunProbe(platform);
        if (!sample) {
            return 1;
        }
        std::cout << "run " << run << ": exposed after " << Fixed(sample->exposedMs)
                  << " ms, first frame after " << Fixed(sample->firstFrameMs) << " ms\n";
        frames.push_back(sample->firstFrameMs);
    }
    const auto [least, most] = std::minmax_element(frames.begin(), frames.end());
    std::ostringstream summary;
    summary << "start to first frame, " << platform << ", median of " << runs << " (range "
            << Fixed(*least) << "-" << Fixed(*most) << " ms)\t" << Fixed(Median(frames))
            << "\tms\n";
    std::cout << "\nsummary\n" << summary.str();
    if (!tsvPath.empty()) {
        std::ofstream tsv(tsvPath);
        tsv << summary.str();
        if (!tsv) {
            std::cerr << "bench_startup: cannot write " << tsvPath << '\n';
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* started = std::getenv(kStartedEnv);
    const char* resultFd = std::getenv(kResultFdEnv);
    if (started != nullptr && resultFd != nullptr) {
        const std::int64_t startedNs = std::strtoll(started, nullptr, 10);
        const int fd = std::atoi(resultFd);
        // Monitors the probe might open must not see the bench's variables.
        unsetenv(kStartedEnv);
        unsetenv(kResultFdEnv);
        return Probe(argc, argv, startedNs, fd);
    }
    return Launch(argc, argv);
}
