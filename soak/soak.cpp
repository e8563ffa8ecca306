// SPDX-License-Identifier: GPL-3.0-or-later
// metertest_soak: both monitors polling simulated meters at once, with every
// fault of the line at the same time and meters that vanish and come back,
// for as long as asked. Passes when nothing crashed or hung, memory stayed
// flat after the warm-up, and every text a field showed was one the
// simulator really served for that field (late DIN-rail answers, which the
// cycle is known for, are counted apart).
//
// With --record, both monitors also record to a file each, and every filled
// cell of every row must be a text the simulator served for its field.
//
//   metertest_soak [--minutes M | --seconds S] [--seed N] [--scale 1|2|4] [--keep DIR]
//                  [--record]

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "analysis.h"
#include "diagnostics/linediagnostics.h"
#include "drive/csvread.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "monitor/portpanel.h"
#include "monitor/valuefield.h"
#include "panel_meter/switchpanelview.h"
#include "trend/trendstore.h"
#include "trend/trendview.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::soak;

namespace {

// Generous bounds: only a hang takes this long.
constexpr qint64 kStallLimitMs = 20000;  // the event loop did not run
constexpr qint64 kTickLimitMs = 60000;   // one tick did not end
constexpr qint64 kCloseLimitMs = 20000;  // the panel did not show a vanished meter closed
// The trend store's size in ticks: full within the first minutes.
constexpr int kTrendTicks = 60;
// Memory counts as flat when it grows by no more than this after the warm-up.
constexpr double kRssGrowthLimitMiB = 2.0;
// AddressSanitizer keeps freed memory in quarantine, so resident memory
// grows there whatever the program does: it is reported, not judged.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kJudgeRss = false;
#else
constexpr bool kJudgeRss = true;
#endif

struct Options {
    qint64 seconds = 180;
    std::uint64_t seed = 1;
    int scale = 4;
    QString keep;
    bool record = false;
};

void Usage(FILE* to) {
    std::fputs(
        "Usage: metertest_soak [--minutes M | --seconds S] [--seed N] [--scale 1|2|4] "
        "[--keep DIR] [--record]\n"
        "Both monitors poll simulated meters with every line fault at once; the meters\n"
        "vanish and come back. --scale 4 (default) runs pauses, intervals, line speed and\n"
        "fault delays four times faster than real; --scale 1 is real time. --keep leaves\n"
        "the simulator logs and the screen record in DIR. --record has both monitors\n"
        "record to CSV files there and checks every row against the simulator logs.\n",
        to);
}

std::optional<Options> ParseArgs(const QStringList& args) {
    Options options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        bool ok = true;
        if (arg == "--minutes" || arg == "--seconds") {
            const auto v = value();
            const double amount = v ? v->toDouble(&ok) : 0;
            ok = ok && v && amount > 0;
            options.seconds = static_cast<qint64>(arg == "--minutes" ? amount * 60 : amount);
        } else if (arg == "--seed") {
            const auto v = value();
            options.seed = v ? v->toULongLong(&ok) : 0;
            ok = ok && v;
        } else if (arg == "--scale") {
            const auto v = value();
            options.scale = v ? v->toInt(&ok) : 0;
            ok = ok && v && (options.scale == 1 || options.scale == 2 || options.scale == 4);
        } else if (arg == "--keep") {
            const auto v = value();
            ok = v.has_value();
            options.keep = v.value_or(QString());
        } else if (arg == "--record") {
            options.record = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            std::exit(0);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "metertest_soak: bad argument '%s'\n", qPrintable(arg));
            Usage(stderr);
            return std::nullopt;
        }
    }
    return options;
}

// A small deterministic generator for the run's choices.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Keeps track of the event loop from another thread: if it does not come
// round for kStallLimitMs, the run is over.
class Watchdog {
public:
    Watchdog() : beat_(MonotonicMs()) {
        thread_ = std::thread([this] {
            while (!stop_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const qint64 gap = MonotonicMs() - beat_.load();
                longest_ = std::max(longest_.load(), gap);
                if (gap > kStallLimitMs) {
                    std::fprintf(stderr,
                                 "metertest_soak: FAIL: the event loop stalled for %lld ms\n",
                                 static_cast<long long>(gap));
                    std::fflush(stderr);
                    std::_Exit(3);
                }
            }
        });
    }
    ~Watchdog() {
        stop_ = true;
        thread_.join();
    }
    void beat() {
        const qint64 now = MonotonicMs();
        longest_ = std::max(longest_.load(), now - beat_.load());
        beat_ = now;
    }
    qint64 longestGapMs() const { return longest_; }

private:
    std::atomic<qint64> beat_;
    std::atomic<qint64> longest_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// One simulator run: its command line and its logs.
struct Generation {
    QStringList options;
    QString requestLog;
    QString answerLog;
};

// One monitor with the simulated meter it polls.
struct Side {
    MeterKind meter = MeterKind::PanelMount;
    int com = 0;
    QString name;
    MonitorWindow* form = nullptr;
    WatchedSerialPort* port = nullptr;
    LiveServices* live = nullptr;
    TickCounter* ticks = nullptr;
    // The panel-mount monitor alternates its two acquisition modes, one
    // simulator run each; the DIN-rail monitor has one.
    bool alternateModes = false;

    bool ticking() const { return form->acquisition().tickRunning(); }
    bool acquiring() const { return form->acquisition().state().anyRunning(); }
    void startAcquisition(int generation) const {
        if (alternateModes && generation % 2 == 1) {
            form->onSecondaryClicked();
        } else {
            form->onPrimaryClicked();
        }
    }
    // A click on the button whose acquisition runs.
    void stopAcquisition() const {
        const AcquisitionState& state = form->acquisition().state();
        if (state.primary.running) {
            form->onPrimaryClicked();
        } else if (state.secondary.running) {
            form->onSecondaryClicked();
        }
    }

    std::unique_ptr<SimProcess> sim;
    QList<Generation> generations;
    OutcomeTally outcomes;
    enum class Phase { Polling, Lost } phase = Phase::Polling;
    qint64 lostAtMs = 0;
    int vanishes = 0;
    qint64 tickRows = 0;  // ticks that ended while recording
};

class Soak : public QObject {
public:
    Soak(const Options& options, const QString& folder)
        : options_(options),
          folder_(folder),
          panel_(2200 / options.scale),
          rail_(2500 / options.scale),
          records_(folder + QStringLiteral("/screen-record.txt")) {}

    int run();

private:
    void setUpSide(Side& side, MeterKind meter, int com, MonitorWindow& form,
                   WatchedSerialPort& port, LiveServices& live, TickCounter& ticks);
    void stopAndSettle();
    // What the simulators served against what the screens showed; the
    // fault counts of both sides.
    Verdict judge(FaultCounts& panelCounts, FaultCounts& railCounts);
    void checkMessagesAndPorts();
    void report(const Verdict& verdict, const FaultCounts& panelCounts,
                const FaultCounts& railCounts, double rssEnd);
    QStringList simOptions(const Side& side, int generation) const;
    bool startGeneration(Side& side);
    void supervise();
    void checkTicks(Side& side);
    void watchSimulator(Side& side);
    void sampleSwitches();
    void fail(const QString& why);
    void connectRecords();
    bool analyse(Side& side, ServedValues& served, FaultCounts& counts);
    void checkDiagnostics();
    void startRecordings();
    void checkRecordings(const ServedValues& served);

    Options options_;
    QString folder_;
    LivePanelMonitor panel_;
    LiveRailMonitor rail_;
    QFile records_;
    Side sides_[2];
    Watchdog watchdog_;
    QTimer supervisor_;
    qint64 startMs_ = 0;
    bool finish_ = false;
    QStringList failures_;
    std::uint8_t shownOutputs_ = 0;
    std::uint8_t shownInputs_ = 0;
    double rssStart_ = 0;
    double rssWarm_ = 0;
    double rssMax_ = 0;
    qint64 lastRssMs_ = 0;
    bool warm_ = false;
};

QStringList Soak::simOptions(const Side& side, int generation) const {
    const int scale = options_.scale;
    const std::uint64_t seed =
        Mix(options_.seed * 1000003ULL + static_cast<std::uint64_t>(generation) * 2 +
            (side.meter == MeterKind::DinRail ? 1 : 0)) %
        1000000000ULL;
    // The meter vanishes after a number of answers that gives a few
    // vanishings a minute.
    const std::uint64_t span = side.meter == MeterKind::PanelMount ? 40 : 90;
    const std::uint64_t vanishAfter = (span + Mix(seed) % (3 * span)) * scale / 4 + 10;
    const auto ms = [&](int realMs) { return QString::number(std::max(1, realMs / scale)); };
    return {"--meter",
            side.meter == MeterKind::PanelMount ? "panel" : "rail",
            "--seed",
            QString::number(seed),
            "--baud",
            QString::number(9600 * scale),
            "--fault-crc",
            "0.05",
            "--fault-drop",
            "0.05",
            "--fault-split",
            "0.08",
            "--split-gap",
            ms(60),
            "--fault-late",
            "0.04",
            "--late",
            ms(600),
            "--fault-exception",
            "0.04",
            "--fault-garbage",
            "0.04",
            "--fault-noise",
            "0.06",
            "--noise-gap",
            ms(20),
            "--vanish-after",
            QString::number(vanishAfter)};
}

bool Soak::startGeneration(Side& side) {
    const int generation = static_cast<int>(side.generations.size());
    side.sim = std::make_unique<SimProcess>(folder_,
                                            QStringLiteral("%1-%2").arg(side.name).arg(generation));
    const QStringList options = simOptions(side, generation);
    QString failure;
    if (!side.sim->start(side.com, options, &failure)) {
        fail(failure);
        return false;
    }
    side.generations << Generation{options, side.sim->requestLogPath(), side.sim->answerLogPath()};
    // As a user would: the port list, the open button, the start button.
    if (!OpenPortAsUser(*side.form, side.com)) {
        fail(QStringLiteral("%1: com%2 did not open").arg(side.name).arg(side.com));
        return false;
    }
    side.startAcquisition(generation);
    if (!side.acquiring()) {
        fail(QStringLiteral("%1: acquisition did not start").arg(side.name));
        return false;
    }
    side.phase = Side::Phase::Polling;
    return true;
}

void Soak::fail(const QString& why) {
    std::fprintf(stderr, "metertest_soak: FAIL: %s\n", qPrintable(why));
    failures_ << why;
    finish_ = true;
}

void Soak::checkTicks(Side& side) {
    if (side.ticks->runningForMs() > kTickLimitMs) {
        fail(QStringLiteral("%1: a tick has run for %2 s").arg(side.name).arg(kTickLimitMs / 1000));
    }
}

void Soak::watchSimulator(Side& side) {
    const qint64 now = MonotonicMs();
    if (side.phase == Side::Phase::Polling) {
        if (side.sim->running()) {
            return;
        }
        const QString said = side.sim->errorOutput();
        if (side.sim->process().exitStatus() != QProcess::NormalExit ||
            side.sim->process().exitCode() != 0 || !said.contains(QStringLiteral("closed"))) {
            fail(QStringLiteral("%1: the simulator ended unexpectedly: %2").arg(side.name, said));
            return;
        }
        side.phase = Side::Phase::Lost;
        side.lostAtMs = now;
        ++side.vanishes;
        return;
    }
    // The meter vanished: once the panel shows the port closed and no tick
    // is under way any more, the meter comes back and the user starts again.
    if (!PanelOf(*side.form).shownOpen() && !side.ticking() && !side.acquiring()) {
        startGeneration(side);
    } else if (now - side.lostAtMs > kCloseLimitMs) {
        fail(QStringLiteral("%1: the panel still shows the port open %2 s after the meter vanished")
                 .arg(side.name)
                 .arg(kCloseLimitMs / 1000));
    }
}

void Soak::sampleSwitches() {
    const std::uint8_t outputs =
        SwitchStatusShown(ControlOf<SwitchPanelView>(panel_.form, "Picture1"));
    const std::uint8_t inputs =
        SwitchStatusShown(ControlOf<SwitchPanelView>(panel_.form, "Picture2"));
    if (outputs != shownOutputs_) {
        shownOutputs_ = outputs;
        records_.write(SwitchRecord(SwitchPanelKind::Outputs, outputs));
    }
    if (inputs != shownInputs_) {
        shownInputs_ = inputs;
        records_.write(SwitchRecord(SwitchPanelKind::Inputs, inputs));
    }
}

void Soak::supervise() {
    watchdog_.beat();
    const qint64 now = MonotonicMs();
    for (Side& side : sides_) {
        checkTicks(side);
        if (!finish_) {
            watchSimulator(side);
        }
    }
    sampleSwitches();
    if (now - lastRssMs_ >= 1000) {
        lastRssMs_ = now;
        const double rss = ResidentMiB();
        rssMax_ = std::max(rssMax_, rss);
        // The warm-up is the first third of the run (at most a minute).
        if (!warm_ && now - startMs_ >= std::min<qint64>(60000, options_.seconds * 1000 / 3)) {
            warm_ = true;
            rssWarm_ = rss;
        }
    }
    if (now - startMs_ >= options_.seconds * 1000) {
        finish_ = true;
    }
}

void Soak::connectRecords() {
    const auto watchFields = [this](QWidget* form, MeterKind meter) {
        for (ValueFieldEdit* field : form->findChildren<ValueFieldEdit*>()) {
            const QString name = field->objectName();
            connect(field, &QLineEdit::textChanged, this, [this, meter, name](const QString& text) {
                records_.write(FieldRecord(meter, name, text));
            });
        }
    };
    watchFields(&panel_.form, MeterKind::PanelMount);
    watchFields(&rail_.form, MeterKind::DinRail);
    // The fields are written when this runs.
    connect(&rail_.form.acquisition(), &AcquisitionEngine::answerAccepted, this,
            [this](const QByteArray& answer) {
                records_.write(RailAnswerRecord(rail_.form.acquisition().BlockTag(),
                                                rail_.request.StartRegister, answer));
            });
}

bool Soak::analyse(Side& side, ServedValues& served, FaultCounts& counts) {
    for (const Generation& generation : side.generations) {
        const auto plan = PlanOf(generation.options);
        QString failure;
        const auto exchanges =
            plan ? PairExchanges(ReadSimLog(generation.requestLog),
                                 ReadSimLog(generation.answerLog), *plan, &failure)
                 : std::nullopt;
        if (!exchanges) {
            failures_ << QStringLiteral("%1: the logs %2 do not pair: %3")
                             .arg(side.name, generation.requestLog, failure);
            return false;
        }
        side.meter == MeterKind::PanelMount ? served.addPanel(*exchanges)
                                            : served.addRail(*exchanges);
        counts.add(*exchanges);
        side.outcomes.add(*exchanges);
    }
    return true;
}

void Soak::setUpSide(Side& side, MeterKind meter, int com, MonitorWindow& form,
                     WatchedSerialPort& port, LiveServices& live, TickCounter& ticks) {
    side.meter = meter;
    side.com = com;
    side.name =
        meter == MeterKind::PanelMount ? QStringLiteral("panel-mount") : QStringLiteral("DIN-rail");
    side.form = &form;
    side.port = &port;
    side.live = &live;
    side.ticks = &ticks;
    side.alternateModes = meter == MeterKind::PanelMount;
    live.pauseDivisor = options_.scale;
    port.keepWrites = false;
    // The trend window open and redrawing all along, over a small store that
    // is soon full: memory must stay flat while its oldest ticks go.
    form.setTrendCapacity(kTrendTicks);
    if (TrendView* trend = form.trendWindow()) {
        int shown = 0;
        for (const TrendSeries& series : form.trendStore()->series()) {
            if (shown++ < 6) {
                trend->setSeriesShown(series.key, true);
            }
        }
        trend->setSpan(4);
        trend->widget()->show();
    } else {
        std::fprintf(stderr, "soak: the trend window could not be opened\n");
    }
    ControlOf<QComboBox>(form, "Combo3").setCurrentText(QString::number(9600 * options_.scale));
}

// Stops as a user would and lets every tick run out.
void Soak::stopAndSettle() {
    for (Side& side : sides_) {
        side.stopAcquisition();
    }
    if (!WaitUntil([this] { return !sides_[0].ticking() && !sides_[1].ticking(); },
                   static_cast<int>(kTickLimitMs))) {
        failures_ << QStringLiteral("a tick did not end after acquisition stopped");
    }
    RunEventsFor(500);
}

Verdict Soak::judge(FaultCounts& panelCounts, FaultCounts& railCounts) {
    ServedValues served(2000 / options_.scale);
    const bool paired =
        analyse(sides_[0], served, panelCounts) && analyse(sides_[1], served, railCounts);
    Verdict verdict;
    if (paired && records_.open(QIODevice::ReadOnly)) {
        verdict = Judge(records_, served);
    }
    if (verdict.wrongFieldValues != 0 || verdict.unknownAnswers != 0 || verdict.badRecords != 0) {
        failures_ << QStringLiteral(
                         "%1 values in a wrong field, %2 answers taken that were never "
                         "served, %3 unreadable records")
                         .arg(verdict.wrongFieldValues)
                         .arg(verdict.unknownAnswers)
                         .arg(verdict.badRecords);
    }
    if (paired && options_.record) {
        checkRecordings(served);
    }
    if (served.answersTaken() == 0 || verdict.fieldChanges == 0) {
        failures_ << QStringLiteral("nothing was polled");
    }
    return verdict;
}

QString RecordingPath(const QString& folder, const QString& side) {
    return QStringLiteral("%1/%2.csv").arg(folder, side);
}

void Soak::startRecordings() {
    for (Side& side : sides_) {
        if (!side.form->startRecording(RecordingPath(folder_, side.name))) {
            fail(QStringLiteral("%1: the recording did not start").arg(side.name));
            return;
        }
        connect(side.form, &MonitorWindow::tickRead, this, [&side] { ++side.tickRows; });
    }
}

// Each recording holds one row per tick that ended, reads back as a strict
// CSV table, and every filled value cell holds a text the simulator served
// for that field (for the DIN-rail meter also what a late answer shows,
// which the screen shows too).
void Soak::checkRecordings(const ServedValues& served) {
    for (Side& side : sides_) {
        const bool wasRecording = side.form->recording();
        side.form->stopRecording();
        QString failure;
        const auto table = ReadCsvFile(RecordingPath(folder_, side.name), &failure);
        if (!wasRecording || !table) {
            failures_ << QStringLiteral("%1: the recording %2")
                             .arg(side.name,
                                  wasRecording ? failure : QStringLiteral("ended early"));
            continue;
        }
        const QList<MonitorWindow::Reading>& readings = side.form->readings();
        const int first = side.meter == MeterKind::PanelMount ? 2 : 1;
        qint64 filled = 0;
        qint64 empty = 0;
        qint64 wrong = 0;
        for (const QStringList& row : table->rows) {
            for (qsizetype i = 0; i < readings.size(); ++i) {
                const QString& key = readings[i].key;
                const QString& cell = row[first + i];
                ++(cell.isEmpty() ? empty : filled);
                const bool isSwitch = key.startsWith(QStringLiteral("Picture"));
                const bool fine =
                    cell.isEmpty() || (isSwitch ? cell == QString::fromUtf8(kSwitchClosedCaption) ||
                                                      cell == QString::fromUtf8(kSwitchOpenCaption)
                                                : served.served(side.meter, key, cell) ||
                                                      (side.meter == MeterKind::DinRail &&
                                                       served.lateRail(key, cell)));
                if (!fine && wrong++ < 3) {
                    std::fprintf(stderr, "metertest_soak: %s recorded %s \"%s\", never served\n",
                                 qPrintable(side.name), qPrintable(readings[i].heading),
                                 qPrintable(cell));
                }
            }
        }
        const qint64 rows = table->rows.size();
        std::printf(
            "%-16s %s\n", "recording",
            qPrintable(QStringLiteral("%1: %2 rows for %3 ticks, %4 cells filled, %5 "
                                      "empty, %6 never served; %7 KiB")
                           .arg(side.name)
                           .arg(rows)
                           .arg(side.tickRows)
                           .arg(filled)
                           .arg(empty)
                           .arg(wrong)
                           .arg(QFileInfo(RecordingPath(folder_, side.name)).size() / 1024)));
        if (rows != side.tickRows || rows != side.form->recordedRows() || wrong != 0 ||
            filled == 0) {
            failures_ << QStringLiteral("%1: %2 rows recorded for %3 ticks, %4 cells never served")
                             .arg(side.name)
                             .arg(rows)
                             .arg(side.tickRows)
                             .arg(wrong);
        }
    }
}

// Each monitor's line counters agree with what its simulators logged. A
// vanishing meter waits for its last answer to be read before it goes, so
// up to two requests may go out that it never logs; they count as
// unanswered.
void Soak::checkDiagnostics() {
    for (const Side& side : sides_) {
        for (const QString& failure :
             side.outcomes.compare(side.form->diagnostics().counts(), 2 * side.vanishes)) {
            failures_ << QStringLiteral("%1: %2").arg(side.name, failure);
        }
    }
}

// One loss warning per vanishing and no other message, no write to a lost
// port, the program never ended, no tick left running.
void Soak::checkMessagesAndPorts() {
    for (const Side& side : sides_) {
        int warnings = 0;
        for (const LiveServices::Message& message : side.live->messages) {
            if (message.text.startsWith(PortPanel::disconnectedText()) &&
                message.icon == MessageIcon::Warning) {
                ++warnings;
            } else {
                failures_ << QStringLiteral("%1 showed the message \"%2\"")
                                 .arg(side.name, message.text.section('\n', 0, 0));
            }
        }
        if (warnings != side.vanishes) {
            failures_ << QStringLiteral("%1: %2 loss warnings for %3 vanishings")
                             .arg(side.name)
                             .arg(warnings)
                             .arg(side.vanishes);
        }
        if (side.port->writesAfterLoss != 0) {
            failures_ << QStringLiteral("%1: %2 writes to a lost port")
                             .arg(side.name)
                             .arg(side.port->writesAfterLoss);
        }
        if (side.live->endProgramCalls != 0) {
            failures_ << QStringLiteral("%1 ended the program").arg(side.name);
        }
        if (side.ticks->runningForMs() != 0) {
            failures_ << QStringLiteral("%1: a tick is still under way at the end").arg(side.name);
        }
    }
}

void Soak::report(const Verdict& verdict, const FaultCounts& panelCounts,
                  const FaultCounts& railCounts, double rssEnd) {
    FaultCounts all = panelCounts;
    all += railCounts;
    const Side& panel = sides_[0];
    const Side& rail = sides_[1];
    const double growth = rssEnd - rssWarm_;
    const auto line = [](const char* what, const QString& text) {
        std::printf("%-16s %s\n", what, qPrintable(text));
    };
    std::printf("== soak summary\n");
    line("run", QStringLiteral("%1 s, time scale 1/%2, seed %3")
                    .arg((MonotonicMs() - startMs_) / 1000)
                    .arg(options_.scale)
                    .arg(options_.seed));
    line("requests", QStringLiteral("%1 (panel-mount %2, DIN-rail %3); answers sent %4")
                         .arg(all.requests)
                         .arg(panelCounts.requests)
                         .arg(railCounts.requests)
                         .arg(all.sent));
    line("faults", QStringLiteral("corrupt CRC %1, dropped %2, split %3, late %4, exception %5, "
                                  "garbage %6, noise %7")
                       .arg(all.corruptCrc)
                       .arg(all.dropped)
                       .arg(all.split)
                       .arg(all.late)
                       .arg(all.exception)
                       .arg(all.garbage)
                       .arg(all.noise));
    line("vanished", QStringLiteral("panel-mount %1, DIN-rail %2 times; came back and restarted "
                                    "each time")
                         .arg(panel.vanishes)
                         .arg(rail.vanishes));
    line("ticks", QStringLiteral("panel-mount %1 (longest %2 ms), DIN-rail %3 (longest %4 ms)")
                      .arg(panel.ticks->completed())
                      .arg(panel.ticks->longestMs())
                      .arg(rail.ticks->completed())
                      .arg(rail.ticks->longestMs()));
    line("event loop", QStringLiteral("longest time between two rounds %1 ms (limit %2 ms)")
                           .arg(watchdog_.longestGapMs())
                           .arg(kStallLimitMs));
    line("screen", QStringLiteral("%1 field changes, %2 switch changes, %3 DIN-rail answers taken")
                       .arg(verdict.fieldChanges)
                       .arg(verdict.switchChanges)
                       .arg(verdict.railAnswersTaken));
    line("wrong-field", QString::number(verdict.wrongFieldValues));
    line("late answers",
         QStringLiteral("DIN-rail %1 answers taken under another request's block tag (%2 field "
                        "values changed by them); panel-mount none possible (any would count as "
                        "wrong-field)")
             .arg(verdict.lateAnswers)
             .arg(verdict.lateFieldValues));
    for (const Side& side : sides_) {
        line("counters", QStringLiteral("%1: %2").arg(
                             side.name, CountsText(side.form->diagnostics().counts())));
    }
    line("messages", QStringLiteral("panel-mount %1, DIN-rail %2 (one loss warning per vanishing)")
                         .arg(panel.live->messages.size())
                         .arg(rail.live->messages.size()));
    const auto held = [](const Side& side) {
        const TrendStore* store = side.form->trendStore();
        return store == nullptr ? QStringLiteral("none")
                                : QStringLiteral("%1 of %2 ticks held (store of %3)")
                                      .arg(store->size())
                                      .arg(store->added())
                                      .arg(store->capacity());
    };
    line("trend", QStringLiteral("window open all along; panel-mount %1, DIN-rail %2")
                      .arg(held(panel), held(rail)));
    line("RSS", QStringLiteral("start %1 MiB, after warm-up %2 MiB, end %3 MiB, growth %4 MiB "
                               "(%5), peak %6 MiB")
                    .arg(rssStart_, 0, 'f', 1)
                    .arg(rssWarm_, 0, 'f', 1)
                    .arg(rssEnd, 0, 'f', 1)
                    .arg(growth, 0, 'f', 1)
                    .arg(kJudgeRss ? QStringLiteral("limit %1").arg(kRssGrowthLimitMiB, 0, 'f', 1)
                                   : QStringLiteral("not judged under AddressSanitizer"))
                    .arg(rssMax_, 0, 'f', 1));
    for (const QString& example : verdict.examples) {
        line("example", example);
    }
    for (const QString& failure : failures_) {
        line("failure", failure);
    }
    line("result", failures_.isEmpty() ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    std::fflush(stdout);
}

int Soak::run() {
    if (!records_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "metertest_soak: cannot write %s\n", qPrintable(records_.fileName()));
        return 2;
    }
    setUpSide(sides_[0], MeterKind::PanelMount, 1, panel_.form, panel_.port, panel_.live,
              panel_.ticks);
    setUpSide(sides_[1], MeterKind::DinRail, 2, rail_.form, rail_.port, rail_.live, rail_.ticks);
    connectRecords();
    if (options_.record) {
        startRecordings();
    }
    startMs_ = MonotonicMs();
    rssStart_ = ResidentMiB();
    for (Side& side : sides_) {
        if (!startGeneration(side)) {
            break;
        }
    }
    connect(&supervisor_, &QTimer::timeout, this, &Soak::supervise);
    supervisor_.start(50);

    // The run itself: the monitors tick inside this loop.
    WaitUntil([this] { return finish_; }, static_cast<int>(options_.seconds * 1000 + 600000));

    stopAndSettle();
    const double rssEnd = ResidentMiB();
    if (!warm_) {
        rssWarm_ = rssStart_;
    }
    supervisor_.stop();
    for (Side& side : sides_) {
        QString failure;
        if (side.sim && side.sim->running() && !side.sim->stop(&failure)) {
            failures_ << failure;
        }
    }
    records_.close();

    FaultCounts panelCounts;
    FaultCounts railCounts;
    const Verdict verdict = judge(panelCounts, railCounts);
    checkMessagesAndPorts();
    checkDiagnostics();
    const double growth = rssEnd - rssWarm_;
    if (kJudgeRss && growth > kRssGrowthLimitMiB) {
        failures_ << QStringLiteral("resident memory grew by %1 MiB after the warm-up")
                         .arg(growth, 0, 'f', 1);
    }
    report(verdict, panelCounts, railCounts, rssEnd);
    return failures_.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The private runtime folder comes first: before the application and
    // before anything asks QStandardPaths where the comN links live.
    const PrivateRuntime runtime;
    if (!runtime.valid()) {
        std::fprintf(stderr, "metertest_soak: cannot make a runtime folder\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const auto options = ParseArgs(app.arguments());
    if (!options) {
        return 2;
    }
    QString folder = runtime.path();
    if (!options->keep.isEmpty()) {
        folder = QDir(options->keep).absolutePath();
        QDir().mkpath(folder);
    }
    Soak soak(*options, folder);
    return soak.run();
}
