// SPDX-License-Identifier: GPL-3.0-or-later
#include "simdriver.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/crc16.h"
#include "platform/portmap.h"
#include "sim/options.h"

namespace mt::drive {

namespace {

constexpr char kRuntimeVariable[] = "XDG_RUNTIME_DIR";

bool CrcCorrect(const QByteArray& frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(frame.data()),
                                              static_cast<std::size_t>(frame.size()));
    const std::uint16_t crc = Crc16(bytes.first(bytes.size() - 2));
    return bytes[bytes.size() - 2] == (crc & 0xFF) && bytes[bytes.size() - 1] == (crc >> 8);
}

int Word(const QByteArray& bytes, int at) {
    if (bytes.size() < at + 2) {
        return -1;
    }
    return (static_cast<std::uint8_t>(bytes[at]) << 8) | static_cast<std::uint8_t>(bytes[at + 1]);
}

}  // namespace

PrivateRuntime::PrivateRuntime() {
    hadPrevious_ = qEnvironmentVariableIsSet(kRuntimeVariable);
    previous_ = qgetenv(kRuntimeVariable);
    if (dir_.isValid()) {
        qputenv(kRuntimeVariable, QFile::encodeName(dir_.path()));
    }
}

PrivateRuntime::~PrivateRuntime() {
    if (hadPrevious_) {
        qputenv(kRuntimeVariable, previous_);
    } else {
        qunsetenv(kRuntimeVariable);
    }
}

QList<SimLogLine> ParseSimLog(const QByteArray& text, int* badLines) {
    QList<SimLogLine> lines;
    int bad = 0;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const QList<QByteArray> parts = line.split(' ');
        bool ok = false;
        SimLogLine entry;
        entry.ms = parts.front().toLongLong(&ok);
        for (qsizetype i = 1; ok && i < parts.size(); ++i) {
            bool byteOk = false;
            const uint value = parts[i].toUInt(&byteOk, 16);
            ok = byteOk && parts[i].size() == 2 && value <= 0xFF;
            entry.bytes.append(static_cast<char>(value));
        }
        if (ok) {
            lines << entry;
        } else {
            ++bad;
        }
    }
    if (badLines != nullptr) {
        *badLines = bad;
    }
    return lines;
}

QList<SimLogLine> ReadSimLog(const QString& path, int* badLines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (badLines != nullptr) {
            *badLines = 0;
        }
        return {};
    }
    QByteArray text = file.readAll();
    // A last line without its line end may still be being written.
    const qsizetype end = text.lastIndexOf('\n');
    text.truncate(end + 1);
    return ParseSimLog(text, badLines);
}

const SimDump::Register* SimDump::find(int number) const {
    for (const Register& r : registers) {
        if (r.number == number) {
            return &r;
        }
    }
    return nullptr;
}

SimDump ParseSimDump(const QString& text) {
    SimDump dump;
    static const QRegularExpression bitLine(QStringLiteral("^(coil|input) (\\d+)\\t([01])$"));
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (const QRegularExpressionMatch m = bitLine.match(line); m.hasMatch()) {
            auto& states = m.captured(1) == QLatin1String("coil") ? dump.coils : dump.inputs;
            states.insert(m.captured(2).toInt(), m.captured(3) == QLatin1String("1"));
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('\t'));
        bool ok = false;
        const int number = parts.value(0).toInt(&ok);
        if (!ok || parts.size() < 4) {
            continue;
        }
        dump.registers << SimDump::Register{number, parts[1], parts[2].toLatin1(), parts[3]};
    }
    return dump;
}

double ResidentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    const double pages = fields.size() > 1 ? fields[1].toDouble() : 0;
    return pages * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

qint64 MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

QString MeterSimPath() {
    return QStringLiteral(METERSIM_PATH);
}

std::optional<SimDump> DumpSimValues(const QStringList& args, qint64 ms, QString* failure) {
    QProcess process;
    process.start(MeterSimPath(), args + QStringList{"--dump-values", QString::number(ms)});
    if (!process.waitForFinished(SimProcess::kPatienceMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (failure != nullptr) {
            *failure = QStringLiteral("metersim --dump-values failed: %1")
                           .arg(QString::fromLocal8Bit(process.readAllStandardError()));
        }
        process.kill();
        process.waitForFinished(SimProcess::kPatienceMs);
        return std::nullopt;
    }
    return ParseSimDump(QString::fromUtf8(process.readAllStandardOutput()));
}

SimProcess::SimProcess(QString logFolder, QString name)
    : logFolder_(std::move(logFolder)), name_(std::move(name)) {}

SimProcess::~SimProcess() {
    if (running()) {
        stop();
    }
}

QString SimProcess::requestLogPath() const {
    return logFolder_ + QLatin1Char('/') + name_ + QStringLiteral("-requests.log");
}

QString SimProcess::answerLogPath() const {
    return logFolder_ + QLatin1Char('/') + name_ + QStringLiteral("-answers.log");
}

bool SimProcess::running() const {
    return process_.state() != QProcess::NotRunning;
}

QString SimProcess::errorOutput() {
    stderr_ += process_.readAllStandardError();
    return QString::fromLocal8Bit(stderr_);
}

bool SimProcess::launch(const QStringList& arguments, QString* failure) {
    if (running()) {
        return fail(QStringLiteral("already running"), failure);
    }
    stderr_.clear();
    QFile::remove(requestLogPath());
    QFile::remove(answerLogPath());
    // The simulator must make its link where this process's port mapping
    // looks: the environment of this process, taken now.
    process_.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    process_.setReadChannel(QProcess::StandardOutput);
    // A simulator never outlives the program that started it, even when that
    // program crashes or is killed: it gets SIGTERM and removes its link.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    startedMs_ = MonotonicMs();
    process_.start(MeterSimPath(), arguments + QStringList{"--log", requestLogPath(),
                                                           "--answer-log", answerLogPath()});
    if (!process_.waitForStarted(kPatienceMs)) {
        return fail(QStringLiteral("did not start: %1").arg(process_.errorString()), failure);
    }
    const QDeadlineTimer deadline(kPatienceMs);
    while (!process_.canReadLine()) {
        if (!running()) {
            return fail(QStringLiteral("ended at once with status %1").arg(process_.exitCode()),
                        failure);
        }
        if (deadline.hasExpired()) {
            return fail(QStringLiteral("printed nothing within %1 ms").arg(kPatienceMs), failure);
        }
        process_.waitForReadyRead(50);
    }
    return true;
}

bool SimProcess::fail(const QString& why, QString* failure) {
    if (failure != nullptr) {
        *failure = QStringLiteral("metersim %1: %2 (stderr: %3)")
                       .arg(com_ > 0 ? QStringLiteral("on com%1").arg(com_)
                                     : QStringLiteral("on TCP port %1").arg(tcpPort_),
                            why, errorOutput().trimmed());
    }
    if (running()) {
        process_.kill();
        process_.waitForFinished(kPatienceMs);
    }
    return false;
}

bool SimProcess::start(int com, const QStringList& options, QString* failure) {
    com_ = com;
    tcpPort_ = 0;
    options_ = options;
    device_.clear();
    if (!launch(options + QStringList{"--com", QString::number(com)}, failure)) {
        return false;
    }
    device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    // The link is made before the device is printed; it is checked anyway,
    // since the whole point is that the port mapping finds it.
    const QString link = PortLinkFolder() + QStringLiteral("/com%1").arg(com);
    const QDeadlineTimer deadline(kPatienceMs);
    while (QFileInfo(link).symLinkTarget() != device_) {
        if (deadline.hasExpired()) {
            return fail(QStringLiteral("%1 does not point to %2").arg(link, device_), failure);
        }
        QThread::msleep(10);
    }
    return true;
}

bool SimProcess::startTcp(int port, const QStringList& options, QString* failure) {
    com_ = 0;
    tcpPort_ = port;
    options_ = options;
    device_.clear();
    if (!launch(options + QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(port)},
                failure)) {
        return false;
    }
    // "listening on 127.0.0.1:PORT"
    const QString line = QString::fromLocal8Bit(process_.readLine()).trimmed();
    const int listened = line.section(QLatin1Char(':'), -1).toInt();
    if (!line.startsWith(QStringLiteral("listening on ")) || listened <= 0) {
        return fail(QStringLiteral("printed \"%1\" instead of where it listens").arg(line),
                    failure);
    }
    tcpPort_ = listened;
    return true;
}

bool SimProcess::stop(QString* failure) {
    if (running()) {
        process_.terminate();
        if (!process_.waitForFinished(kPatienceMs)) {
            process_.kill();
            process_.waitForFinished(kPatienceMs);
            if (failure != nullptr) {
                *failure = QStringLiteral("metersim on com%1 did not end on SIGTERM").arg(com_);
            }
            errorOutput();
            return false;
        }
    }
    errorOutput();
    const bool clean = process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    if (!clean && failure != nullptr) {
        *failure = QStringLiteral("metersim on com%1 ended with status %2: %3")
                       .arg(com_)
                       .arg(process_.exitCode())
                       .arg(QString::fromLocal8Bit(stderr_).trimmed());
    }
    return clean;
}

bool SimProcess::waitForExit(int timeoutMs) {
    if (running() && !process_.waitForFinished(timeoutMs)) {
        return false;
    }
    errorOutput();
    return true;
}

int SimExchange::function() const {
    return request.bytes.size() > 1 ? static_cast<std::uint8_t>(request.bytes[1]) : -1;
}

int SimExchange::startRegister() const {
    return Word(request.bytes, 2);
}

int SimExchange::count() const {
    return Word(request.bytes, 4);
}

std::optional<SimPlan> PlanOf(const QStringList& options) {
    std::vector<std::string> owned;
    for (const QString& option : options) {
        owned.push_back(option.toStdString());
    }
    const std::vector<std::string_view> args(owned.begin(), owned.end());
    const OptionsResult parsed = ParseOptions(args);
    if (!parsed.ok() || !parsed.options.seed) {
        return std::nullopt;
    }
    return SimPlan{parsed.options.faults, *parsed.options.seed, parsed.options.address,
                   parsed.options.baud};
}

qint64 SimPlan::lineFreeMs(const QList<SimLogLine>& answers) const {
    const LineTiming timing(baud);
    qint64 free = 0;
    for (const SimLogLine& answer : answers) {
        qint64 us = answer.bytes.size() * timing.CharacterUs();
        if (faults.splitRate > 0) {
            us += faults.splitGapMs * 1000;
        }
        if (faults.noiseRate > 0) {
            us += faults.noiseGapMs * 1000 + faults.noiseBytes * timing.CharacterUs();
        }
        free = std::max(free, answer.ms + us / 1000 + 1);
    }
    return free;
}

std::optional<QList<SimExchange>> PairExchanges(const QList<SimLogLine>& requests,
                                                const QList<SimLogLine>& answers,
                                                const SimPlan& simPlan, QString* failure) {
    const FaultPlan plan = simPlan.plan();
    const auto fail = [&](const QString& why) -> std::optional<QList<SimExchange>> {
        if (failure != nullptr) {
            *failure = why;
        }
        return std::nullopt;
    };
    QList<SimExchange> exchanges;
    std::uint64_t answerNumber = 0;
    qsizetype nextAnswer = 0;
    for (const SimLogLine& request : requests) {
        SimExchange exchange;
        exchange.request = request;
        const QByteArray& bytes = request.bytes;
        const auto address = bytes.isEmpty() ? 0 : static_cast<std::uint8_t>(bytes[0]);
        // What the meter takes for a request of its own; a frame longer than
        // 256 bytes is an overrun and is not answered either.
        exchange.answered = bytes.size() >= 4 && bytes.size() <= 256 && CrcCorrect(bytes) &&
                            address != 0 && address == simPlan.address;
        if (exchange.answered) {
            exchange.faults = plan.Decide(answerNumber++);
        }
        // The last answers may be missing from the log: the meter vanished,
        // or the run ended, before they went out.
        if (exchange.answered && !exchange.faults.drop && nextAnswer < answers.size()) {
            exchange.sent = answers[nextAnswer++];
            exchange.frame = exchange.sent->bytes;
            if (exchange.faults.garbage) {
                exchange.frame.remove(0, simPlan.faults.garbageBytes);
            }
            const int function = exchange.frame.size() > 1
                                     ? static_cast<std::uint8_t>(exchange.frame[1]) & 0x7F
                                     : -1;
            if (exchange.frame.isEmpty() || exchange.frame[0] != bytes[0] ||
                function != exchange.function()) {
                return fail(QStringLiteral("the answer %1 does not fit the request %2")
                                .arg(HexBytes(exchange.sent->bytes), HexBytes(bytes)));
            }
        }
        exchanges << exchange;
    }
    if (nextAnswer != answers.size()) {
        return fail(QStringLiteral("%1 of %2 answers are left over after the last request")
                        .arg(answers.size() - nextAnswer)
                        .arg(answers.size()));
    }
    return exchanges;
}

QString HexBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

}  // namespace mt::drive
