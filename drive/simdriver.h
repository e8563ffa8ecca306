// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Drives metersim as a process for end-to-end tests, the soak and the timing
// bench: a private runtime folder for the comN links, starting and stopping
// simulators, and reading what they logged.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

#include "sim/faults.h"

namespace mt::drive {

// Points XDG_RUNTIME_DIR of this process at a fresh private folder (removed
// again with this object), so that the comN links of the simulators started
// here are exactly the ones this process's port mapping finds, and no link of
// a simulator the user runs is met or touched.
//
// Order matters: create it first (first thing in main(), or in
// initTestCase()), before anything asks QStandardPaths for the runtime
// location (the port mapping does when a monitor fills its port list or a
// port opens), before any simulator is started (they inherit the variable),
// and before other threads run (changing the environment is not thread-safe).
// Only one may exist at a time; the previous value comes back when it goes.
class PrivateRuntime {
public:
    PrivateRuntime();
    ~PrivateRuntime();
    PrivateRuntime(const PrivateRuntime&) = delete;
    PrivateRuntime& operator=(const PrivateRuntime&) = delete;

    bool valid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    // A file in the folder, e.g. for simulator logs.
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

// One line of a --log or --answer-log file: CLOCK_MONOTONIC milliseconds and
// the bytes.
struct SimLogLine {
    qint64 ms = 0;
    QByteArray bytes;

    bool operator==(const SimLogLine&) const = default;
};

// Reads a simulator log. Lines that are not "<ms> <hex> <hex> ..." are left
// out and counted in `badLines` (a line may be cut short while the
// simulator still writes). A missing file gives an empty list.
QList<SimLogLine> ReadSimLog(const QString& path, int* badLines = nullptr);
QList<SimLogLine> ParseSimLog(const QByteArray& text, int* badLines = nullptr);

// The register map as --dump-values prints it.
struct SimDump {
    struct Register {
        int number = 0;
        QString name;
        QByteArray contents;  // the register contents as printed, hexadecimal text
        QString value;        // value and unit, or the time-stamp text
    };
    QList<Register> registers;
    QMap<int, bool> coils;
    QMap<int, bool> inputs;

    const Register* find(int number) const;
};
SimDump ParseSimDump(const QString& text);

// Milliseconds of CLOCK_MONOTONIC, the clock of the simulator's logs.
qint64 MonotonicMs();

// This process's resident memory in MiB (0 where it cannot be read).
double ResidentMiB();

// The metersim binary this build made.
QString MeterSimPath();

// Runs `metersim <args> --dump-values <ms>` and reads what it prints.
std::optional<SimDump> DumpSimValues(const QStringList& args, qint64 ms, QString* failure);

// One simulated meter, started as a process on a comN link in the private
// runtime folder, with its request and answer logs in `logFolder`.
class SimProcess {
public:
    // Only a broken simulator takes longer than this to start or to stop.
    static constexpr int kPatienceMs = 10000;

    // `name` names the log files: <logFolder>/<name>-requests.log and
    // <name>-answers.log.
    SimProcess(QString logFolder, QString name);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts metersim with `options` plus --com, --log and --answer-log, and
    // waits (bounded) until it has printed its device and the link comN
    // points to it. Gives false and says why in `failure` otherwise; the
    // process is then ended. Event processing is not needed meanwhile.
    bool start(int com, const QStringList& options, QString* failure);
    // Starts metersim behind a simulated gateway on 127.0.0.1:`port` (0: any
    // free port) with `options` plus --tcp and the logs, and waits (bounded)
    // until it says where it listens: tcpPort().
    bool startTcp(int port, const QStringList& options, QString* failure);
    // SIGTERM, a bounded wait, then SIGKILL. True when it ended by itself
    // with status 0 (or had already ended that way).
    bool stop(QString* failure = nullptr);
    // Waits (bounded) for a simulator that ends by itself (--vanish-after).
    // Blocks without processing events: while a monitor is to keep running,
    // wait with WaitUntil() for !running() instead.
    bool waitForExit(int timeoutMs);
    bool running() const;

    int com() const { return com_; }
    int tcpPort() const { return tcpPort_; }
    QString device() const { return device_; }
    QStringList options() const { return options_; }
    // MonotonicMs() just before the process was started: the simulator's
    // clock starts a little later, so answer-log times minus this are (a few
    // ms more than) the simulator's own time since its start.
    qint64 startedMs() const { return startedMs_; }
    QString requestLogPath() const;
    QString answerLogPath() const;
    // What it wrote to its standard error so far.
    QString errorOutput();
    QProcess& process() { return process_; }

    QList<SimLogLine> requests() const { return ReadSimLog(requestLogPath()); }
    QList<SimLogLine> answers() const { return ReadSimLog(answerLogPath()); }

private:
    // Starts the process with `arguments` and the logs, and waits until it
    // printed its first line.
    bool launch(const QStringList& arguments, QString* failure);
    bool fail(const QString& why, QString* failure);

    QString logFolder_;
    QString name_;
    QProcess process_;
    QByteArray stderr_;
    QStringList options_;
    QString device_;
    int com_ = 0;
    int tcpPort_ = 0;
    qint64 startedMs_ = 0;
};

// One request as the simulator received it, with the answer it gave.
struct SimExchange {
    SimLogLine request;
    // The answer's line of the answer log (bytes as sent, garbage included),
    // when one was sent.
    std::optional<SimLogLine> sent;
    // The meter's own answer frame: the sent bytes without the garbage in
    // front (still with a corrupted CRC or as an exception, if so decided).
    QByteArray frame;
    // The faults the simulator decided for this answer (none when the
    // request was not answered at all).
    FaultDecision faults;
    bool answered = false;  // the meter took it as a request for itself

    int function() const;       // of the request
    int startRegister() const;  // of the request
    int count() const;          // of the request
};

// The simulator's fault plan and address for a command line, or nothing when
// the options do not parse or give no --seed.
struct SimPlan {
    FaultOptions faults;
    std::uint64_t seed = 0;
    std::uint8_t address = 1;
    std::uint32_t baud = 9600;

    FaultPlan plan() const { return FaultPlan(faults, seed); }
    // When the last byte of the logged answers, and of any noise after
    // them, is due on the line at the latest (CLOCK_MONOTONIC ms; 0 when
    // nothing was sent). The simulator may lag behind its plan a little on a
    // busy machine.
    qint64 lineFreeMs(const QList<SimLogLine>& answers) const;
};
std::optional<SimPlan> PlanOf(const QStringList& options);

// Ties the answers of one simulator run to its requests. The simulator takes
// the requests in order, numbers those it answers (its address, correct CRC),
// and its fault plan decides per number which answers it drops; the answer
// log holds the others, in the same order. Gives nothing, and says why, when
// the logs do not fit together that way (an answer whose function code does
// not fit its request, or answers left over).
std::optional<QList<SimExchange>> PairExchanges(const QList<SimLogLine>& requests,
                                                const QList<SimLogLine>& answers,
                                                const SimPlan& plan, QString* failure);

// Hexadecimal text of bytes, "01 04 00 0A", for messages.
QString HexBytes(const QByteArray& bytes);

}  // namespace mt::drive
