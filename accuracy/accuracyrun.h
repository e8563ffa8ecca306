// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "accuracy/accuracymath.h"
#include "accuracy/testplan.h"
#include "bus/buslist.h"
#include "bus/buspoller.h"

class QTimer;

namespace mt {

// A meter under test (or the reference meter) on the line.
struct TestPosition {
    BusMeter meter;
    ActiveClass activeClass = ActiveClass::C1;
    double valueClass = 0.5;  // voltage and current, %
    bool reference = false;   // 基准表: its readings are the reference values

    bool operator==(const TestPosition&) const = default;
};

// The smallest step a family's reading of a quantity moves in, at `value`:
// the DIN-rail meter's scaled integers, the panel-mount meter's singles (seven
// significant digits; energy counted in Wh).
double ReadingStep(MeterKind kind, std::optional<Quantity> q, double value);
// A reading in the record's units (W, var, VA, kWh) from a family's text.
std::optional<double> ReadingValue(MeterKind kind, std::optional<Quantity> q, const QString& text);
// The field of the active energy register: "WPPT" or "SWT".
const char* EnergyField(MeterKind kind);

// What a point found for one position.
struct PositionResult {
    bool reference = false;
    QString note;  // e.g. 无应答 when the position stopped answering
    std::array<std::optional<Judgement>, kQuantityCount> quantities{};
    // Creep and register check.
    std::optional<double> startKwh;
    std::optional<double> endKwh;
    std::optional<double> energyError;  // %, register check
    std::optional<double> energyLimit;
    double energyResolution = 0;  // % (register check)
    std::optional<AccuracyVerdict> registerVerdict;

    // Fail if anything failed; Pass if something passed and nothing failed
    // or was too coarse to judge; otherwise nothing. Quantities without a
    // limit or a reference at the point do not count.
    std::optional<AccuracyVerdict> overall() const;
};

enum class PointState { NotRun, Done, Stopped, Skipped };
QString PointStateText(PointState state);

struct PointResult {
    PointState state = PointState::NotRun;
    SetValues set;
    // The reference of each quantity (mean of the reference meter's readings,
    // or the typed value) and the steps of the readings.
    std::array<std::optional<double>, kQuantityCount> reference{};
    double referenceAdvanceKwh = 0;
    int rounds = 0;    // accepted rounds
    int repeated = 0;  // rounds not accepted (a missing answer): taken again
    int elapsedSeconds = 0;
    QDateTime finishedAt;
    QList<PositionResult> positions;
};

// Runs a test plan over the positions on one line: for each point it shows
// the set point, waits for the engineer (or, in auto mode, for the reference
// to reach the set point and stay there for the settle time), then takes N
// rounds with the bus overview's poller. Only rounds in which the reference
// and every position still in the test answered count; any other round is
// taken again. Driven by the poller's rounds and single-shot timers only.
class AccuracyRun : public QObject {
    Q_OBJECT

public:
    enum class Phase {
        Idle,       // not running
        Waiting,    // the source is to be set: 继续 (or auto) starts the point
        Settling,   // the settle time runs
        Measuring,  // rounds are taken
        Paused,     // the line or the reference was lost: waiting for 继续
        Finished,   // every point done
    };

    AccuracyRun(SerialPort& port, BusFamilies families, QObject* parent = nullptr);
    ~AccuracyRun() override;

    void setPlan(const TestPlan& plan);
    const TestPlan& plan() const { return plan_; }
    // Other positions than before clear the results measured so far.
    void setPositions(const QList<TestPosition>& positions);
    const QList<TestPosition>& positions() const { return positions_; }
    // The reference: the position marked as reference (false), or values typed
    // per point (true).
    void setTypedReference(bool typed) { typedReference_ = typed; }
    bool typedReference() const { return typedReference_; }
    // The typed reference values of a point; the set values until typed.
    void setTypedValues(int point, const QHash<Quantity, double>& values);
    QHash<Quantity, double> typedValues(int point) const;
    // Auto mode: a point starts once the reference is within `tolerance` % of
    // the set U and I (and 0.02 of the PF) for the settle time.
    void setAutoStart(bool on, double tolerancePercent = 2);
    bool autoStart() const { return autoStart_; }

    BusPoller& poller() { return *poller_; }
    Phase phase() const { return phase_; }
    int currentPoint() const { return point_; }
    const QList<PointResult>& results() const { return results_; }
    // Why the test is paused or could not start.
    QString message() const { return message_; }

    // Opens the line and shows the point `fromPoint` (its earlier results
    // are kept). Gives the port's error when it cannot be opened.
    PortResult start(int portNumber, const QString& settings, int fromPoint = 0);
    // 继续: the source is set (or, when paused, the line is back).
    void proceed();
    // Skips the current point (it keeps what it measured, marked 跳过).
    void skip();
    // Ends the test and closes the line; the current point keeps what it
    // measured, marked 已停止.
    void stop();
    bool running() const { return phase_ != Phase::Idle && phase_ != Phase::Finished; }

    // The settle or run time left (s), and the rounds of the point so far.
    int secondsLeft() const;
    int roundsTaken() const { return static_cast<int>(roundReadings_.size()); }
    // The time a creep or register-check point runs for (s), worked out from
    // the plan, the class and the registers' steps when the plan leaves it 0.
    int runSeconds(int point) const;
    // The set point's text for the big line: "U=230 V  I=5 A  PF=1  f=50 Hz".
    QString setPointText(int point) const;

signals:
    void phaseChanged(mt::AccuracyRun::Phase phase);
    // A point got its result (done, stopped or skipped).
    void pointFinished(int point);
    // A round was counted (or not).
    void progress();

private:
    void onRound(quint64 round);
    void beginPoint(int index);
    void startMeasuring();
    void finishPoint(PointState state);
    void pause(const QString& why);
    void setPhase(Phase phase);
    bool referenceAtSetPoint(quint64 round) const;
    int referenceIndex() const;
    QList<Quantity> neededQuantities() const;
    void judge(PointResult& result) const;
    QHash<Quantity, double> defaultTyped(int point) const;

    BusPoller* poller_ = nullptr;
    QTimer* timer_ = nullptr;
    TestPlan plan_;
    QList<TestPosition> positions_;
    QList<PointResult> results_;
    QHash<int, QHash<Quantity, double>> typed_;
    bool typedReference_ = false;
    bool autoStart_ = false;
    double tolerancePercent_ = 2;
    Phase phase_ = Phase::Idle;
    int point_ = 0;
    QString message_;
    int portNumber_ = 0;
    QString settings_;

    // The accepted rounds of the point: per position, per quantity (and the
    // energy register, last), the reading; NaN where not judged.
    using Reading = std::array<double, kQuantityCount + 1>;
    std::vector<std::vector<Reading>> roundReadings_;
    std::vector<std::vector<double>> steps_;  // per position, per quantity + energy
    std::vector<bool> dropped_;               // positions that stopped answering
    QElapsedTimer clock_;
    qint64 stableSinceMs_ = -1;
    qint64 deadlineMs_ = 0;  // settling or a register run: when it ends (clock_)
    bool registerStarted_ = false;
    int registerSeconds_ = 0;
};

}  // namespace mt
