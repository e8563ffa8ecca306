// SPDX-License-Identifier: GPL-3.0-or-later
// metertest-cli: the meter readings and checks of the windows, for scripts,
// test lines and SSH sessions. Qt Core only: no display, no window system.

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>

#include "accuracy/accuracyrun.h"
#include "accuracy/recordrows.h"
#include "analysis/checks.h"
#include "analysis/readingvalues.h"
#include "bus/buslist.h"
#include "bus/buspoller.h"
#include "cliargs.h"
#include "cliformat.h"
#include "csv/durablecsvfile.h"
#include "meterreader.h"
#include "platform/language.h"
#include "platform/lineport.h"
#include "platform/portadvice.h"
#include "platform/portmap.h"
#include "platform/settingsstore.h"
#include "search/metersearch.h"
#include "shell/busfamilies.h"

using namespace mt;
using namespace mt::cli;

namespace {

// Exit statuses (documented in the man page).
constexpr int kAllGood = 0;
constexpr int kCheckFailed = 1;
constexpr int kLineFault = 2;
constexpr int kUsage = 64;
constexpr int kCannotOpen = 69;
constexpr int kInterrupted = 130;

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(gSignalPipe[1], &byte, 1);
}

void Error(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("metertest-cli: %1\n").arg(text)), stderr);
    std::fflush(stderr);
}

void Out(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

// Ctrl-C and SIGTERM call `onSignal` on the event loop (through a pipe: a
// signal handler may do nothing more). Nothing when no pipe could be made.
std::unique_ptr<QSocketNotifier> OnInterrupt(const std::function<void()>& onSignal) {
    if (gSignalPipe[0] < 0 && ::pipe(gSignalPipe) != 0) {
        Error(QStringLiteral("no signal pipe"));
        return nullptr;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    auto notifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [onSignal] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(gSignalPipe[0], &byte, 1);
        onSignal();
    });
    return notifier;
}

// A device path is reached through a port link of this run's own, in a
// private runtime folder: the port numbers the windows use stay untouched.
std::unique_ptr<QTemporaryDir> LinkDevice(const QString& device, int* number) {
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !QDir(dir->path()).mkpath(QStringLiteral("metertest/ports")) ||
        !QFile::link(device, dir->filePath(QStringLiteral("metertest/ports/com1")))) {
        return nullptr;
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir->path()));
    *number = 1;
    return dir;
}

class Run : public QObject {
public:
    Run(const CliArgs& args, SerialPort& port)
        : args_(args),
          reader_(port, args.family, args.address, args.secondary,
                  args.timeoutMs > 0 ? args.timeoutMs
                                     : (args.family == MeterKind::PanelMount ? 500 : 200)) {
        context_.port = args.port;
        context_.family =
            args.family == MeterKind::PanelMount ? QStringLiteral("panel") : QStringLiteral("rail");
        context_.address = args.address;
        if (args.family == MeterKind::PanelMount) {
            context_.mode =
                QCoreApplication::translate("ReadingTexts", args.secondary ? "二次" : "一次");
        }
        format_ = args.format.value_or(::isatty(STDOUT_FILENO) ? Format::Table : Format::Json);
        connect(&reader_, &MeterReader::requestDone, this, [this](const RequestOutcome& outcome) {
            ++requests_;
            accepted_ += outcome.check.outcome == AnswerOutcome::Accepted ? 1 : 0;
            if (args_.verbose) {
                std::fputs(qPrintable(OutcomeLine(outcome) + QLatin1Char('\n')), stderr);
            }
        });
        connect(&reader_, &MeterReader::finished, this, &Run::onReading);
        connect(&port, &SerialPort::deviceLost, this, [this](const QString& detail) {
            reader_.stop();
            Error(QStringLiteral("the line was lost: %1").arg(detail));
            finish(kLineFault);
        });
        next_ = new QTimer(this);
        next_->setSingleShot(true);
        connect(next_, &QTimer::timeout, this, &Run::startReading);
    }

    void startReading() {
        clock_.start();
        reader_.start();
    }

    void interrupt() {
        reader_.stop();
        next_->stop();
        finish(kInterrupted);
    }

private:
    void onReading(const Reading& reading) {
        ++readings_;
        if (!reading.complete()) {
            status_ = kLineFault;
        }
        if (args_.command == Command::Check) {
            const PhaseReadings values =
                ReadPhaseValues(args_.family, context_.mode, reading.texts);
            const std::vector<CheckResult> results = RunChecks(values, Thresholds{});
            Out(FormatChecks(format_, context_, reading, results, Conclusion(results)));
            if (status_ == kAllGood) {
                for (const CheckResult& r : results) {
                    if (r.verdict == Verdict::Attention || r.verdict == Verdict::Fault) {
                        status_ = kCheckFailed;
                    }
                }
            }
            finish(status_);
            return;
        }
        Out(FormatReading(format_, context_, reading, readings_ == 1));
        if (!args_.follow && readings_ >= args_.count) {
            finish(status_);
            return;
        }
        next_->start(static_cast<int>(std::max<qint64>(0, args_.intervalMs - clock_.elapsed())));
    }

    void finish(int status) {
        if (finished_) {
            return;
        }
        finished_ = true;
        std::fflush(stdout);
        Error(SummaryLine(readings_, requests_, accepted_)
                  .mid(QStringLiteral("metertest-cli: ").size()));
        QCoreApplication::exit(status);
    }

    CliArgs args_;
    MeterReader reader_;
    ReadingContext context_;
    Format format_ = Format::Table;
    QTimer* next_ = nullptr;
    QElapsedTimer clock_;
    int readings_ = 0;
    int requests_ = 0;
    int accepted_ = 0;
    int status_ = kAllGood;
    bool finished_ = false;
};

// The meter search: its finds as they come, a progress line on a terminal.
int RunSearch(const CliArgs& args, int number, Format format) {
    LinePort port;
    SearchPlan plan = SearchPlan::Make(args.bauds, args.parities, args.firstAddress,
                                       args.lastAddress, args.timeoutMs);
    if (!LineSettingsApplyToPort(number)) {
        // Behind a gateway the line's settings are the gateway's: addresses only.
        plan = SearchPlan::Make({9600}, {'N'}, args.firstAddress, args.lastAddress, args.timeoutMs);
    }
    MeterSearch search(port, number, plan);
    search.setStopAtFirstMeter(args.firstOnly);
    const bool progress = ::isatty(STDERR_FILENO);
    int finds = 0;
    int meters = 0;
    QObject::connect(&search, &MeterSearch::found, [&](const SearchFind& find) {
        if (progress) {
            std::fputs("\r\033[K", stderr);
        }
        Out(FormatFind(format, args.port, find, finds == 0));
        ++finds;
        meters += find.kind == SearchFind::Kind::Meter ? 1 : 0;
    });
    QObject::connect(&search, &MeterSearch::progressed, [&](const SearchProgress& p) {
        if (progress) {
            std::fprintf(stderr, "\r\033[K%d/%d  %d,%c  address %d  %llds left", p.done, p.total,
                         p.line.baud, p.line.parity, p.address,
                         static_cast<long long>(p.msLeft / 1000));
            std::fflush(stderr);
        }
    });
    int status = kAllGood;
    QObject::connect(&search, &MeterSearch::finished, [&](SearchEnd end) {
        if (progress) {
            std::fputs("\r\033[K", stderr);
        }
        if (end == SearchEnd::Failed) {
            status = kCannotOpen;
            if (search.failure()) {
                Error(PortOpenAdvice(*search.failure(), port.deviceName()));
            }
        } else if (end == SearchEnd::Cancelled) {
            status = kInterrupted;
        } else if (meters == 0) {
            status = kLineFault;
        }
        if (finds == 0 && format == Format::Csv) {
            Out(FindCsvHeader());  // a table with no rows, for the script reading it
        }
        Error(QStringLiteral("%1 of %2 tries, %3 meter(s) found")
                  .arg(search.triesDone())
                  .arg(plan.totalTries())
                  .arg(meters));
        QCoreApplication::exit(status);
    });
    const auto interrupt = OnInterrupt([&] { search.cancel(); });
    if (!interrupt) {
        return kLineFault;
    }
    QTimer::singleShot(0, &search, &MeterSearch::start);
    QCoreApplication::exec();
    return status;
}

// Says why the line of a bus round or an accuracy test did not open, and
// gives the exit status for it.
int OpenFailed(const PortError& error, const CliArgs& args, const LinePort& port) {
    const bool settings = error.kind == PortError::Kind::BadSettings;
    const QString advice = PortOpenAdvice(error, port.deviceName());
    Error(settings ? QStringLiteral("--settings '%1': %2").arg(args.settings, advice) : advice);
    return settings ? kUsage : kCannotOpen;
}

// Reads the list file of a bus round or an accuracy test; nothing (and the
// reason said) when it cannot be used.
std::optional<QList<BusMeter>> ReadList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Error(QStringLiteral("--list '%1': %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    const BusListImport list = ParseBusList(file.read(4 * 1024 * 1024));
    for (const BusListProblem& problem : list.problems) {
        Error(QStringLiteral("%1 line %2: %3 (left out)")
                  .arg(path)
                  .arg(problem.line)
                  .arg(problem.reason));
    }
    if (list.meters.isEmpty()) {
        Error(QStringLiteral("--list '%1': no meter in the list").arg(path));
        return std::nullopt;
    }
    return list.meters;
}

// Rounds of the bus overview over the meters of a list file.
int RunBus(const CliArgs& args, int number, Format format) {
    const std::optional<QList<BusMeter>> meters = ReadList(args.listFile);
    if (!meters) {
        return kUsage;
    }
    LinePort port;
    BusPoller poller(port, MeasurementFamilies());
    poller.setMeters(*meters);
    poller.setIntervalMs(args.intervalMs);
    int status = kAllGood;
    quint64 rounds = 0;
    bool ended = false;
    const auto end = [&](int code) {
        if (ended) {
            return;
        }
        ended = true;
        poller.stop();
        Error(QStringLiteral("%1 round(s), %2 request(s)").arg(rounds).arg(poller.requestsSent()));
        QCoreApplication::exit(code);
    };
    QObject::connect(&poller, &BusPoller::roundFinished, [&](quint64 round, qint64) {
        rounds = round;
        const QDateTime now = QDateTime::currentDateTime();
        for (const BusMeterStatus& meter : poller.meters()) {
            if (!meter.meter.enabled) {
                continue;
            }
            Out(FormatBusRecord(format, args.port, round, now, meter,
                                round == 1 && &meter == &poller.meters().front()));
            bool any = false;
            for (auto it = meter.texts.constBegin(); it != meter.texts.constEnd(); ++it) {
                any |= meter.fresh(it.key(), round);
            }
            if (!any) {
                status = kLineFault;  // a meter gave nothing this round
            }
        }
        if (!args.follow && round >= static_cast<quint64>(args.count)) {
            // After the poller's signal has returned.
            QTimer::singleShot(0, &poller, [&] { end(status); });
        }
    });
    QObject::connect(&poller, &BusPoller::failed, [&](const QString& reason) {
        Error(QStringLiteral("the line was lost: %1").arg(reason));
        QTimer::singleShot(0, &poller, [&] { end(kLineFault); });
    });
    const auto interrupt = OnInterrupt([&] { end(kInterrupted); });
    if (!interrupt) {
        return kLineFault;
    }
    const PortResult started = poller.start(number, args.settings);
    if (!started) {
        return OpenFailed(started.error(), args, port);
    }
    return QCoreApplication::exec();
}

// The accuracy test over the meters of a list file, against the reference
// among them, point by point from a plan file.
int RunTest(const CliArgs& args, int number, Format format) {
    QFile planFile(args.planFile);
    if (!planFile.open(QIODevice::ReadOnly)) {
        Error(QStringLiteral("--plan '%1': %2").arg(args.planFile, planFile.errorString()));
        return kUsage;
    }
    const QByteArray planBytes = planFile.read(1024 * 1024 + 1);
    if (planBytes.size() > 1024 * 1024) {
        Error(QStringLiteral("--plan '%1': too large for a plan").arg(args.planFile));
        return kUsage;
    }
    const PlanLoad load = ParsePlan(planBytes);
    if (!load.plan) {
        Error(QStringLiteral("--plan '%1' line %2: %3")
                  .arg(args.planFile)
                  .arg(load.line)
                  .arg(load.error));
        return kUsage;
    }
    const std::optional<QList<BusMeter>> meters = ReadList(args.listFile);
    if (!meters) {
        return kUsage;
    }
    QList<TestPosition> positions;
    bool referenceFound = false;
    bool underTest = false;
    for (const BusMeter& meter : *meters) {
        TestPosition position;
        position.meter = meter;
        position.reference = meter.address == args.referenceAddress;
        position.activeClass = *ActiveClassOf(args.activeClass);
        for (const auto& [address, cls] : args.classes) {
            if (address == meter.address) {
                position.activeClass = *ActiveClassOf(cls);
            }
        }
        referenceFound = referenceFound || (position.reference && meter.enabled);
        underTest = underTest || (!position.reference && meter.enabled);
        positions.append(position);
    }
    for (const auto& [address, cls] : args.classes) {
        if (std::none_of(meters->begin(), meters->end(),
                         [&](const BusMeter& m) { return m.address == address; })) {
            Error(QStringLiteral("--class %1=%2: no meter at address %1 in the list")
                      .arg(address)
                      .arg(cls));
            return kUsage;
        }
    }
    if (!referenceFound) {
        Error(QStringLiteral("--reference %1: no enabled meter at that address in the list")
                  .arg(args.referenceAddress));
        return kUsage;
    }
    if (!underTest) {
        Error(QStringLiteral("--list '%1': no meter under test besides the reference")
                  .arg(args.listFile));
        return kUsage;
    }

    LinePort port;
    AccuracyRun run(port, AccuracyFamilies());
    run.setPlan(*load.plan);
    run.setPositions(positions);
    run.setAutoStart(!args.prompt);
    bool printed = false;
    bool ended = false;
    const auto end = [&](int code) {
        if (ended) {
            return;
        }
        ended = true;
        run.stop();
        QCoreApplication::exit(code);
    };
    QObject::connect(&run, &AccuracyRun::pointFinished, [&](int point) {
        Out(FormatTestPoint(format, args.port, run, point, !printed));
        printed = true;
    });
    // --prompt: Enter on standard input starts the point shown.
    std::unique_ptr<QSocketNotifier> enter;
    if (args.prompt) {
        enter = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(enter.get(), &QSocketNotifier::activated, [&] {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                enter->setEnabled(false);
                Error(QStringLiteral("standard input closed: the test ends"));
                QTimer::singleShot(0, &run, [&] { end(kInterrupted); });
                return;
            }
            if (run.phase() == AccuracyRun::Phase::Waiting) {
                run.proceed();
            }
        });
    }
    QObject::connect(&run, &AccuracyRun::phaseChanged, [&](AccuracyRun::Phase phase) {
        const int point = run.currentPoint();
        const int count = static_cast<int>(run.plan().points.size());
        if (phase == AccuracyRun::Phase::Waiting) {
            Error(QStringLiteral("point %1/%2 (%3): set the source to %4%5")
                      .arg(point + 1)
                      .arg(count)
                      .arg(PointKindText(run.plan().points.at(point).kind), run.setPointText(point),
                           args.prompt ? QStringLiteral(", then press Enter")
                                       : QStringLiteral("; waiting for the reference to read it")));
        } else if (phase == AccuracyRun::Phase::Paused) {
            Error(run.message());
            QTimer::singleShot(0, &run, [&] { end(kLineFault); });
        } else if (phase == AccuracyRun::Phase::Finished) {
            int status = kAllGood;
            for (int k = 0; k < run.positions().size(); ++k) {
                const TestPosition& position = run.positions().at(k);
                if (position.reference || !position.meter.enabled) {
                    continue;
                }
                const std::optional<AccuracyVerdict> verdict = OverallVerdict(run, k);
                if (verdict != AccuracyVerdict::Pass) {
                    status = kCheckFailed;
                }
                Error(QStringLiteral("address %1: %2")
                          .arg(position.meter.address)
                          .arg(verdict ? VerdictText(*verdict) : QStringLiteral("-")));
                if (!args.recordsFolder.isEmpty()) {
                    DurableCsvFile csv;
                    QString why;
                    const QString path =
                        QDir(args.recordsFolder)
                            .filePath(RecordBaseName(position, k) + QStringLiteral(".csv"));
                    if (!csv.open(path, RecordCsvHeader(), &why)) {
                        Error(QStringLiteral("--records: %1: %2").arg(path, why));
                        status = kLineFault;
                        continue;
                    }
                    for (const QStringList& row : RecordCsvRows(run, k)) {
                        csv.append(row);
                    }
                    csv.close();
                }
            }
            QTimer::singleShot(0, &run, [&, status] { end(status); });
        }
    });
    const auto interrupt = OnInterrupt([&] { end(kInterrupted); });
    if (!interrupt) {
        return kLineFault;
    }
    const PortResult started = run.start(number, args.settings);
    if (!started) {
        return OpenFailed(started.error(), args, port);
    }
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    ParseResult parsed = ParseCliArgs(arguments);
    if (!parsed.error.isEmpty()) {
        Error(parsed.error);
        return kUsage;
    }
    CliArgs& args = parsed.args;
    if (args.command == Command::Help) {
        Out((args.helpFor.isEmpty() ? ProgramHelp() : CommandHelp(args.helpFor)).toUtf8());
        return kAllGood;
    }
    std::unique_ptr<QTemporaryDir> privateLinks;
    int number = args.portNumber;
    if (number == 0) {
        if (!QFile::exists(args.port)) {
            Error(QStringLiteral("cannot open %1: no such device").arg(args.port));
            return kCannotOpen;
        }
        privateLinks = LinkDevice(args.port, &number);
        if (!privateLinks) {
            Error(QStringLiteral("cannot open %1: no private port link could be made")
                      .arg(args.port));
            return kCannotOpen;
        }
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("metertest"));
    const std::shared_ptr<SettingsStore> settings = SettingsStore::open();
    InstallLanguage(
        args.language.isEmpty()
            ? StartLanguage(settings->saved().language)
            : (args.language == QLatin1String("en") ? Language::English : Language::Chinese));
    // The windows' network ports, unless a device path was given; a lost
    // line ends the run instead of waiting for it to come back.
    if (!privateLinks) {
        NetworkPortMap network = settings->saved().network;
        if (const QByteArray extra = qgetenv("METERTEST_NETWORK_PORTS"); !extra.isEmpty()) {
            if (const auto ports = ParseNetworkPortList(extra.toStdString())) {
                for (const auto& [n, endpoint] : *ports) {
                    network[n] = endpoint;
                }
            }
        }
        SetNetworkPorts(network);
    }
    std::map<int, bool> noReconnect;
    for (int n = 1; n <= 16; ++n) {
        noReconnect[n] = false;
    }
    SetAutoReconnectChoices(noReconnect);

    if (args.command == Command::Test) {
        return RunTest(
            args, number,
            args.format.value_or(::isatty(STDOUT_FILENO) ? Format::Table : Format::Json));
    }
    if (args.command == Command::Bus) {
        return RunBus(args, number,
                      args.format.value_or(::isatty(STDOUT_FILENO) ? Format::Table : Format::Json));
    }
    if (args.command == Command::Search) {
        return RunSearch(
            args, number,
            args.format.value_or(::isatty(STDOUT_FILENO) ? Format::Table : Format::Json));
    }

    LinePort port;
    PortResult result = port.setPortNumber(number);
    if (result) {
        result = port.setSettings(args.settings);
    }
    if (!result && result.error().kind == PortError::Kind::BadSettings) {
        Error(QStringLiteral("--settings '%1': %2")
                  .arg(args.settings, PortOpenAdvice(result.error(), port.deviceName())));
        return kUsage;
    }
    if (result) {
        result = port.open();
    }
    if (!result) {
        Error(PortOpenAdvice(result.error(), port.deviceName()));
        return kCannotOpen;
    }
    // A gateway on the network: connected, or the reason it is not.
    QString lost;
    const auto lostConnection =
        QObject::connect(&port, &SerialPort::deviceLost, [&](const QString& detail) {
            lost = detail;
            QCoreApplication::exit(kCannotOpen);
        });
    if (port.linkState() == LinkState::Connecting) {
        const auto connected = QObject::connect(&port, &SerialPort::linkStateChanged,
                                                [](LinkState state, const QString&) {
                                                    if (state == LinkState::Connected) {
                                                        QCoreApplication::exit(0);
                                                    }
                                                });
        const int status = QCoreApplication::exec();
        QObject::disconnect(connected);
        if (status != 0 || port.linkState() != LinkState::Connected) {
            Error(lost.isEmpty() ? QStringLiteral("%1: no connection").arg(args.port) : lost);
            return kCannotOpen;
        }
    }
    QObject::disconnect(lostConnection);

    // Ctrl-C and SIGTERM: the reading under way ends, the port closes and
    // what was printed stays printed.
    Run run(args, port);
    const auto interrupt = OnInterrupt([&] { run.interrupt(); });
    if (!interrupt) {
        return kLineFault;
    }
    QTimer::singleShot(0, &run, &Run::startReading);
    const int status = QCoreApplication::exec();
    port.close();
    return status;
}
