// SPDX-License-Identifier: GPL-3.0-or-later
#include "accuracyrun.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace mt {

namespace {

constexpr int kEnergySlot = kQuantityCount;  // the energy register's place in a reading
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Seven significant digits: the step of the last one.
double SingleStep(double value) {
    const double size = std::abs(value);
    if (size == 0 || !std::isfinite(size)) {
        return 0;
    }
    return std::pow(10.0, std::floor(std::log10(size)) - 6);
}

bool IsPower(std::optional<Quantity> q) {
    return q && (*q == Quantity::Pa || *q == Quantity::Pb || *q == Quantity::Pc ||
                 *q == Quantity::P || *q == Quantity::Q || *q == Quantity::S);
}

}  // namespace

const char* EnergyField(MeterKind kind) {
    return kind == MeterKind::PanelMount ? "WPPT" : "SWT";
}

double ReadingStep(MeterKind kind, std::optional<Quantity> q, double value) {
    if (kind == MeterKind::PanelMount) {
        // Singles on the primary side, voltages shown to 0.1 V; the energy
        // counter moves in Wh.
        const double single = SingleStep(value);
        if (!q) {
            return std::max(single, 0.001);
        }
        if (*q == Quantity::Ua || *q == Quantity::Ub || *q == Quantity::Uc) {
            return std::max(single, 0.1);
        }
        return single;
    }
    if (!q) {
        return 0.01;  // kWh
    }
    switch (*q) {
        case Quantity::Ua:
        case Quantity::Ub:
        case Quantity::Uc:
            return 0.1;
        case Quantity::Ia:
        case Quantity::Ib:
        case Quantity::Ic:
        case Quantity::F:
            return 0.01;
        case Quantity::PF:
            return 0.001;
        case Quantity::P:
        case Quantity::Q:
        case Quantity::S:
            // The totals are the sums of the three phases' rounded values.
            return 30;
        default:
            return 10;  // 0.01 kW, kvar, kVA
    }
}

std::optional<double> ReadingValue(MeterKind kind, std::optional<Quantity> q, const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    // The DIN-rail meter gives its powers in kW, kvar and kVA.
    if (kind == MeterKind::DinRail && IsPower(q)) {
        return value * 1000;
    }
    return value;
}

std::optional<AccuracyVerdict> PositionResult::overall() const {
    std::optional<AccuracyVerdict> other;
    bool passed = false;
    auto take = [&](AccuracyVerdict v) {
        if (v == AccuracyVerdict::Pass) {
            passed = true;
        } else if (!other || v == AccuracyVerdict::Fail) {
            if (!other || *other != AccuracyVerdict::Fail) {
                other = v;
            }
        }
    };
    // Quantities without a limit or without a reference at the point (the
    // reactive power at cos φ 1) are shown, not judged.
    auto judged = [](AccuracyVerdict v) {
        return v != AccuracyVerdict::NoLimit && v != AccuracyVerdict::NoReference;
    };
    for (const std::optional<Judgement>& j : quantities) {
        if (j && judged(j->verdict)) {
            take(j->verdict);
        }
    }
    if (registerVerdict && judged(*registerVerdict)) {
        take(*registerVerdict);
    }
    if (other) {
        return other;
    }
    if (passed) {
        return AccuracyVerdict::Pass;
    }
    return std::nullopt;
}

QString PointStateText(PointState state) {
    switch (state) {
        case PointState::NotRun:
            return AccuracyRun::tr("未做");
        case PointState::Done:
            return AccuracyRun::tr("完成");
        case PointState::Stopped:
            return AccuracyRun::tr("已停止");
        case PointState::Skipped:
            return AccuracyRun::tr("跳过");
    }
    return {};
}

AccuracyRun::AccuracyRun(SerialPort& port, BusFamilies families, QObject* parent)
    : QObject(parent) {
    poller_ = new BusPoller(port, std::move(families), this);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(poller_, &BusPoller::roundFinished, this, [this](quint64 round) { onRound(round); });
    connect(poller_, &BusPoller::failed, this, [this](const QString& reason) {
        pause(tr("线路断开：%1。试验已暂停，线路恢复后按“继续”重做本点").arg(reason));
    });
    // The end of the settle time: the next round starts the readings.
    connect(timer_, &QTimer::timeout, this, [this] { emit progress(); });
    clock_.start();
}

AccuracyRun::~AccuracyRun() {
    poller_->stop();
}

void AccuracyRun::setPlan(const TestPlan& plan) {
    plan_ = plan;
    results_.clear();
    for (int k = 0; k < plan_.points.size(); ++k) {
        PointResult result;
        result.set = SetValuesOf(plan_, plan_.points.at(k));
        results_.append(result);
    }
    typed_.clear();
}

void AccuracyRun::setPositions(const QList<TestPosition>& positions) {
    if (positions != positions_) {
        // The results belong to the positions they were measured on: with
        // other positions (or another reference) they would be read as
        // another meter's.
        for (PointResult& result : results_) {
            const SetValues set = result.set;
            result = PointResult{};
            result.set = set;
        }
    }
    positions_ = positions;
    QList<BusMeter> meters;
    for (const TestPosition& position : positions_) {
        meters.append(position.meter);
    }
    poller_->setMeters(meters);
}

void AccuracyRun::setTypedValues(int point, const QHash<Quantity, double>& values) {
    typed_.insert(point, values);
}

QHash<Quantity, double> AccuracyRun::defaultTyped(int point) const {
    QHash<Quantity, double> values;
    if (point < 0 || point >= plan_.points.size()) {
        return values;
    }
    const SetValues set = SetValuesOf(plan_, plan_.points.at(point));
    for (int k = 0; k < kQuantityCount; ++k) {
        values.insert(static_cast<Quantity>(k), SetValueOf(set, static_cast<Quantity>(k)));
    }
    return values;
}

QHash<Quantity, double> AccuracyRun::typedValues(int point) const {
    QHash<Quantity, double> values = defaultTyped(point);
    const QHash<Quantity, double> typed = typed_.value(point);
    for (auto it = typed.begin(); it != typed.end(); ++it) {
        values.insert(it.key(), it.value());
    }
    return values;
}

void AccuracyRun::setAutoStart(bool on, double tolerancePercent) {
    autoStart_ = on;
    tolerancePercent_ = tolerancePercent;
}

int AccuracyRun::referenceIndex() const {
    if (typedReference_) {
        return -1;
    }
    for (int k = 0; k < positions_.size(); ++k) {
        if (positions_.at(k).reference && positions_.at(k).meter.enabled) {
            return k;
        }
    }
    return -1;
}

PortResult AccuracyRun::start(int portNumber, const QString& settings, int fromPoint) {
    message_.clear();
    if (plan_.points.isEmpty()) {
        message_ = tr("方案中没有试验点");
        return PortError{PortError::Kind::Other, message_};
    }
    if (!typedReference_ && referenceIndex() < 0) {
        message_ = tr("没有基准表：请把一个表位标为基准表，或选择手动输入基准值");
        return PortError{PortError::Kind::Other, message_};
    }
    const bool anyUnderTest =
        std::any_of(positions_.begin(), positions_.end(),
                    [](const TestPosition& p) { return p.meter.enabled && !p.reference; });
    if (!anyUnderTest) {
        message_ = tr("没有被试表：请添加表位");
        return PortError{PortError::Kind::Other, message_};
    }
    portNumber_ = portNumber;
    settings_ = settings;
    if (!poller_->running()) {
        const PortResult opened = poller_->start(portNumber, settings);
        if (!opened) {
            message_ = opened.error().detail;
            return opened;
        }
    }
    beginPoint(std::clamp(fromPoint, 0, static_cast<int>(plan_.points.size()) - 1));
    return {};
}

void AccuracyRun::beginPoint(int index) {
    point_ = index;
    roundReadings_.clear();
    steps_.assign(static_cast<std::size_t>(positions_.size()),
                  std::vector<double>(kQuantityCount + 1, 0.0));
    dropped_.assign(static_cast<std::size_t>(positions_.size()), false);
    stableSinceMs_ = -1;
    registerStarted_ = false;
    registerSeconds_ = 0;
    timer_->stop();
    PointResult& result = results_[point_];
    const SetValues set = result.set;
    result = PointResult{};
    result.set = set;
    message_.clear();
    setPhase(Phase::Waiting);
}

void AccuracyRun::proceed() {
    if (phase_ == Phase::Paused) {
        if (!poller_->running()) {
            const PortResult opened = poller_->start(portNumber_, settings_);
            if (!opened) {
                message_ = tr("线路仍打不开：%1").arg(opened.error().detail);
                emit progress();
                return;
            }
        }
        beginPoint(point_);
        return;
    }
    if (phase_ != Phase::Waiting) {
        return;
    }
    const int settle = plan_.points.at(point_).settleSeconds;
    deadlineMs_ = clock_.elapsed() + settle * 1000LL;
    timer_->start(settle * 1000);
    setPhase(Phase::Settling);
}

void AccuracyRun::skip() {
    if (!running() || phase_ == Phase::Paused) {
        if (phase_ == Phase::Paused) {
            finishPoint(PointState::Skipped);
        }
        return;
    }
    finishPoint(PointState::Skipped);
}

void AccuracyRun::stop() {
    if (phase_ == Phase::Idle) {
        return;
    }
    timer_->stop();
    poller_->stop();
    if (phase_ != Phase::Finished) {
        PointResult& result = results_[point_];
        result.state = PointState::Stopped;
        judge(result);
        result.finishedAt = QDateTime::currentDateTime();
        emit pointFinished(point_);
    }
    setPhase(Phase::Idle);
}

void AccuracyRun::pause(const QString& why) {
    if (!running()) {
        return;
    }
    timer_->stop();
    message_ = why;
    // What the point had is dropped: it is measured anew on 继续.
    roundReadings_.clear();
    setPhase(Phase::Paused);
}

void AccuracyRun::setPhase(Phase phase) {
    phase_ = phase;
    emit phaseChanged(phase);
    emit progress();
}

int AccuracyRun::secondsLeft() const {
    if (phase_ != Phase::Settling && !(phase_ == Phase::Measuring && registerStarted_)) {
        return 0;
    }
    return static_cast<int>(std::max<qint64>(0, (deadlineMs_ - clock_.elapsed() + 999) / 1000));
}

QString AccuracyRun::setPointText(int point) const {
    if (point < 0 || point >= plan_.points.size()) {
        return {};
    }
    const TestPoint& p = plan_.points.at(point);
    const SetValues set = SetValuesOf(plan_, p);
    return tr("U=%1 V  I=%2 A  PF=%3  f=%4 Hz")
        .arg(QString::number(set.u, 'g', 6), QString::number(set.i, 'g', 6), PowerFactorText(p.pf),
             QString::number(set.f, 'g', 6));
}

QList<Quantity> AccuracyRun::neededQuantities() const {
    const TestPoint& p = plan_.points.at(point_);
    if (p.kind == PointKind::Error) {
        return p.judged;
    }
    return {};
}

bool AccuracyRun::referenceAtSetPoint(quint64 round) const {
    const SetValues set = results_.at(point_).set;
    const int ref = referenceIndex();
    if (ref < 0) {
        return true;  // typed reference: nothing on the line to watch
    }
    const BusMeterStatus& status = poller_->meters().at(ref);
    const MeterKind kind = positions_.at(ref).meter.kind;
    auto near = [&](Quantity q, double target, double tolerance) {
        const QString field = QString::fromLatin1(QuantityField(q));
        if (!status.fresh(field, round)) {
            return false;
        }
        const std::optional<double> value = ReadingValue(kind, q, status.texts.value(field));
        if (!value) {
            return false;
        }
        if (target == 0) {
            return std::abs(*value) <= tolerance;
        }
        return std::abs(*value - target) <= std::abs(target) * tolerancePercent_ / 100;
    };
    for (const Quantity q : {Quantity::Ua, Quantity::Ub, Quantity::Uc}) {
        if (!near(q, set.u, 0)) {
            return false;
        }
    }
    // At no current the currents must read (nearly) nothing.
    for (const Quantity q : {Quantity::Ia, Quantity::Ib, Quantity::Ic}) {
        if (!near(q, set.i, 0.01)) {
            return false;
        }
    }
    if (set.i > 0) {
        const QString field = QString::fromLatin1(QuantityField(Quantity::PF));
        const std::optional<double> pf =
            ReadingValue(kind, Quantity::PF, status.texts.value(field));
        if (!status.fresh(field, round) || !pf || std::abs(std::abs(*pf) - set.pf) > 0.02) {
            return false;
        }
    }
    return true;
}

int AccuracyRun::runSeconds(int point) const {
    if (point < 0 || point >= plan_.points.size()) {
        return 0;
    }
    const TestPoint& p = plan_.points.at(point);
    if (p.seconds > 0 || p.kind == PointKind::Error) {
        return p.seconds;
    }
    // The strictest class among the positions under test sets the time.
    std::optional<ActiveClass> strictest;
    double meterStep = 0;
    double referenceStep = 0;
    for (int k = 0; k < positions_.size(); ++k) {
        const TestPosition& position = positions_.at(k);
        if (!position.meter.enabled) {
            continue;
        }
        const double step = ReadingStep(position.meter.kind, std::nullopt, 0);
        if (position.reference && !typedReference_) {
            referenceStep = std::max(referenceStep, step);
            continue;
        }
        meterStep = std::max(meterStep, step);
        if (!strictest || static_cast<int>(position.activeClass) < static_cast<int>(*strictest)) {
            strictest = position.activeClass;
        }
    }
    const ActiveClass cls = strictest.value_or(ActiveClass::C1);
    const SetValues set = SetValuesOf(plan_, p);
    if (p.kind == PointKind::Creep) {
        const double minutes =
            CreepMinutes(cls, meterStep > 0 ? 1 / meterStep : 0, 3, plan_.un, plan_.imax);
        return static_cast<int>(std::ceil(minutes * 60));
    }
    const std::optional<double> limit =
        ActivePowerLimit(cls, plan_.connection, set.currentFraction, p.pf);
    if (!limit || set.p <= 0) {
        return 60;
    }
    const double kwh = EnergyForCheckKwh(*limit, meterStep, referenceStep);
    return static_cast<int>(std::ceil(kwh / (set.p / 1000) * 3600));
}

void AccuracyRun::startMeasuring() {
    timer_->stop();
    roundReadings_.clear();
    registerStarted_ = false;
    setPhase(Phase::Measuring);
}

void AccuracyRun::onRound(quint64 round) {
    if (phase_ == Phase::Waiting) {
        if (!autoStart_) {
            return;
        }
        if (referenceAtSetPoint(round)) {
            if (stableSinceMs_ < 0) {
                stableSinceMs_ = clock_.elapsed();
            }
            if (clock_.elapsed() - stableSinceMs_ >=
                plan_.points.at(point_).settleSeconds * 1000LL) {
                startMeasuring();
            }
        } else {
            stableSinceMs_ = -1;
        }
        emit progress();
        return;
    }
    if (phase_ == Phase::Settling) {
        // The round that spans the end of the settle time began before it:
        // readings start with the next one.
        if (clock_.elapsed() >= deadlineMs_ && !timer_->isActive()) {
            startMeasuring();
        }
        emit progress();
        return;
    }
    if (phase_ != Phase::Measuring) {
        return;
    }
    const TestPoint& point = plan_.points.at(point_);
    PointResult& result = results_[point_];
    const int ref = referenceIndex();
    const QList<BusMeterStatus>& meters = poller_->meters();
    if (ref >= 0 && meters.at(ref).state == BusState::Offline) {
        pause(tr("基准表（地址 %1）无应答，试验已暂停；恢复后按“继续”重做本点")
                  .arg(positions_.at(ref).meter.address));
        return;
    }
    bool anyLeft = false;
    for (int k = 0; k < positions_.size(); ++k) {
        if (!positions_.at(k).meter.enabled || k == ref) {
            continue;
        }
        if (meters.at(k).state == BusState::Offline && !dropped_[static_cast<std::size_t>(k)]) {
            dropped_[static_cast<std::size_t>(k)] = true;
        }
        anyLeft = anyLeft || !dropped_[static_cast<std::size_t>(k)];
    }
    if (!anyLeft) {
        pause(tr("被试表都无应答，试验已暂停；恢复后按“继续”重做本点"));
        return;
    }

    // Every field the point needs, from this round, of every position still in.
    const QList<Quantity> needed = neededQuantities();
    const bool registers = point.kind != PointKind::Error;
    std::vector<Reading> readings(static_cast<std::size_t>(positions_.size()));
    for (int k = 0; k < positions_.size(); ++k) {
        Reading& reading = readings[static_cast<std::size_t>(k)];
        reading.fill(kNaN);
        if (!positions_.at(k).meter.enabled || dropped_[static_cast<std::size_t>(k)]) {
            continue;
        }
        const BusMeterStatus& status = meters.at(k);
        const MeterKind kind = positions_.at(k).meter.kind;
        auto take = [&](std::optional<Quantity> q, const QString& field, int slot) {
            if (!status.fresh(field, round)) {
                return false;
            }
            const std::optional<double> value = ReadingValue(kind, q, status.texts.value(field));
            if (!value) {
                return false;
            }
            reading[static_cast<std::size_t>(slot)] = *value;
            double& step = steps_[static_cast<std::size_t>(k)][static_cast<std::size_t>(slot)];
            step = std::max(step, ReadingStep(kind, q, *value));
            return true;
        };
        bool whole = true;
        for (const Quantity q : needed) {
            whole = take(q, QString::fromLatin1(QuantityField(q)), static_cast<int>(q)) && whole;
        }
        if (registers) {
            whole =
                take(std::nullopt, QString::fromLatin1(EnergyField(kind)), kEnergySlot) && whole;
        }
        if (!whole) {
            // Never an older value in its place: the round is taken again.
            ++result.repeated;
            emit progress();
            return;
        }
    }
    if (registers && !registerStarted_) {
        registerStarted_ = true;
        registerSeconds_ = runSeconds(point_);
        deadlineMs_ = clock_.elapsed() + registerSeconds_ * 1000LL;
        roundReadings_.push_back(std::move(readings));
        ++result.rounds;
        emit progress();
        return;
    }
    roundReadings_.push_back(std::move(readings));
    ++result.rounds;
    if (registers) {
        // The first and the latest accepted rounds are what the registers say.
        if (roundReadings_.size() > 2) {
            roundReadings_.erase(roundReadings_.begin() + 1);
        }
        result.elapsedSeconds = registerSeconds_ - secondsLeft();
        if (clock_.elapsed() >= deadlineMs_) {
            result.elapsedSeconds = registerSeconds_;
            finishPoint(PointState::Done);
            return;
        }
        emit progress();
        return;
    }
    if (static_cast<int>(roundReadings_.size()) >= point.readings) {
        finishPoint(PointState::Done);
        return;
    }
    emit progress();
}

void AccuracyRun::judge(PointResult& result) const {
    const TestPoint& point = plan_.points.at(point_);
    const int ref = referenceIndex();
    const QHash<Quantity, double> typed = typedValues(point_);
    result.positions.clear();
    LimitInputs inputs;
    inputs.connection = plan_.connection;
    inputs.current = result.set.currentFraction;
    inputs.pf = point.pf;

    auto column = [&](int position, int slot) {
        std::vector<double> values;
        for (const std::vector<Reading>& round : roundReadings_) {
            const double v =
                round[static_cast<std::size_t>(position)][static_cast<std::size_t>(slot)];
            if (!std::isnan(v)) {
                values.push_back(v);
            }
        }
        return values;
    };
    // The reference of each judged quantity.
    std::array<double, kQuantityCount> referenceSteps{};
    for (const Quantity q : point.judged) {
        const auto slot = static_cast<std::size_t>(q);
        if (ref >= 0) {
            const std::vector<double> values = column(ref, static_cast<int>(q));
            if (!values.empty()) {
                result.reference[slot] = StatisticsOf(values).mean;
                referenceSteps[slot] =
                    steps_.empty() ? 0 : steps_[static_cast<std::size_t>(ref)][slot];
            }
        } else {
            result.reference[slot] = typed.value(q);
        }
    }
    const double hours = static_cast<double>(result.elapsedSeconds) / 3600;
    if (point.kind == PointKind::Energy) {
        if (ref >= 0) {
            const std::vector<double> e = column(ref, kEnergySlot);
            result.referenceAdvanceKwh = e.size() >= 2 ? e.back() - e.front() : 0;
        } else {
            result.referenceAdvanceKwh = typed.value(Quantity::P) / 1000 * hours;
        }
    }

    for (int k = 0; k < positions_.size(); ++k) {
        const TestPosition& position = positions_.at(k);
        PositionResult pr;
        pr.reference = k == ref;
        if (!position.meter.enabled) {
            pr.note = BusStateText(BusState::Disabled);
            result.positions.append(pr);
            continue;
        }
        if (!dropped_.empty() && dropped_[static_cast<std::size_t>(k)]) {
            pr.note = tr("无应答");
        }
        inputs.activeClass = position.activeClass;
        inputs.valueClass = position.valueClass;
        if (point.kind == PointKind::Error) {
            for (const Quantity q : point.judged) {
                const auto slot = static_cast<std::size_t>(q);
                const std::vector<double> values = column(k, static_cast<int>(q));
                if (values.empty() || !result.reference[slot]) {
                    continue;
                }
                const double step = steps_.empty() ? 0 : steps_[static_cast<std::size_t>(k)][slot];
                pr.quantities[slot] = Judge(q, values, *result.reference[slot], step,
                                            referenceSteps[slot], QuantityLimit(q, inputs));
            }
        } else {
            const std::vector<double> e = column(k, kEnergySlot);
            if (!e.empty()) {
                pr.startKwh = e.front();
                pr.endKwh = e.back();
            }
            if (e.size() >= 2 && !pr.reference) {
                const double advance = e.back() - e.front();
                const double step =
                    steps_.empty() ? 0 : steps_[static_cast<std::size_t>(k)][kEnergySlot];
                if (point.kind == PointKind::Creep) {
                    pr.registerVerdict =
                        advance <= step / 2 ? AccuracyVerdict::Pass : AccuracyVerdict::Fail;
                } else {
                    pr.energyLimit = ActivePowerLimit(position.activeClass, plan_.connection,
                                                      result.set.currentFraction, point.pf);
                    pr.energyError = EnergyError(advance, result.referenceAdvanceKwh);
                    const double refStep = ref >= 0 && !steps_.empty()
                                               ? steps_[static_cast<std::size_t>(ref)][kEnergySlot]
                                               : 0;
                    if (!pr.energyError) {
                        pr.registerVerdict = AccuracyVerdict::NoReference;
                    } else {
                        pr.energyResolution = (step + refStep) / result.referenceAdvanceKwh * 100;
                        if (!pr.energyLimit) {
                            pr.registerVerdict = AccuracyVerdict::NoLimit;
                        } else if (std::abs(*pr.energyError) - pr.energyResolution >
                                   *pr.energyLimit) {
                            pr.registerVerdict = AccuracyVerdict::Fail;
                        } else if (pr.energyResolution > *pr.energyLimit / 2) {
                            pr.registerVerdict = AccuracyVerdict::TooCoarse;
                        } else {
                            pr.registerVerdict = std::abs(*pr.energyError) <= *pr.energyLimit
                                                     ? AccuracyVerdict::Pass
                                                     : AccuracyVerdict::Fail;
                        }
                    }
                }
            }
        }
        result.positions.append(pr);
    }
}

void AccuracyRun::finishPoint(PointState state) {
    timer_->stop();
    PointResult& result = results_[point_];
    result.state = state;
    judge(result);
    result.finishedAt = QDateTime::currentDateTime();
    emit pointFinished(point_);
    if (point_ + 1 < plan_.points.size()) {
        beginPoint(point_ + 1);
        return;
    }
    poller_->stop();
    setPhase(Phase::Finished);
}

}  // namespace mt
