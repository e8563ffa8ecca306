// SPDX-License-Identifier: GPL-3.0-or-later
#include "meterreader.h"

#include <QCoreApplication>
#include <QTimer>
#include <span>
#include <string>

#include "link/request.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/panelfields.h"
#include "panel_meter/panelschedule.h"
#include "platform/serialport.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railfields.h"
#include "rail_meter/railschedule.h"

namespace mt::cli {

namespace {

constexpr const char* kSwitchContext = "mt::SwitchPanelView";

AnswerBytes BytesOfAnswer(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QString Translated(const char* context, const char* text) {
    return QCoreApplication::translate(context, text);
}

// A two-line caption on one line: the break goes, with a space between
// words of a language that has them.
QString OneLine(QString caption) {
    const int at = static_cast<int>(caption.indexOf(QLatin1Char('\n')));
    if (at < 0) {
        return caption;
    }
    const bool words = at > 0 && caption[at - 1].unicode() < 0x2E80;
    return caption.replace(QLatin1Char('\n'), words ? QStringLiteral(" ") : QString());
}

QString SwitchKey(SwitchPanelKind panel, int channel) {
    return (panel == SwitchPanelKind::Outputs ? QStringLiteral("Out%1") : QStringLiteral("In%1"))
        .arg(channel + 1);
}

}  // namespace

int Reading::accepted() const {
    int n = 0;
    for (const RequestOutcome& r : requests) {
        n += r.check.outcome == AnswerOutcome::Accepted ? 1 : 0;
    }
    return n;
}

QList<FieldReading> EmptyFields(MeterKind family) {
    QList<FieldReading> fields;
    if (family == MeterKind::PanelMount) {
        // In screen order: down each column.
        for (int column = 0; column < 3; ++column) {
            for (const PanelFieldPlace& place : kPanelFields) {
                if (place.column == column) {
                    fields << FieldReading{QString::fromLatin1(place.name),
                                           Translated(kPanelFieldContext, place.caption),
                                           {},
                                           {},
                                           Translated(kPanelFieldContext, place.unit)};
                }
            }
        }
        for (const SwitchPanelKind panel : {SwitchPanelKind::Outputs, SwitchPanelKind::Inputs}) {
            for (int channel = 0; channel < 4; ++channel) {
                const char* caption =
                    panel == SwitchPanelKind::Outputs ? "开关量输出%1" : "开关量输入%1";
                fields << FieldReading{SwitchKey(panel, channel),
                                       Translated(kSwitchContext, caption).arg(channel + 1),
                                       {},
                                       {},
                                       {}};
            }
        }
    } else {
        for (const RailFieldLayout& layout : kRailFields) {
            fields << FieldReading{QString::fromLatin1(layout.name),
                                   OneLine(Translated(kRailFieldContext, layout.caption)),
                                   {},
                                   {},
                                   Translated(kRailFieldContext, layout.unit)};
        }
    }
    return fields;
}

MeterReader::MeterReader(SerialPort& port, MeterKind family, int address, bool secondary,
                         int answerWindowMs, QObject* parent)
    : QObject(parent),
      port_(port),
      family_(family),
      address_(address),
      secondary_(secondary),
      windowMs_(answerWindowMs) {
    if (family == MeterKind::PanelMount) {
        const auto& schedule = secondary ? std::span<const PollStep>(kSecondarySchedule)
                                         : std::span<const PollStep>(kPrimarySchedule);
        steps_ = QList<PollStep>(schedule.begin(), schedule.end());
    } else {
        steps_ = QList<PollStep>(RailPollSchedule.begin(), RailPollSchedule.end());
    }
    window_ = new QTimer(this);
    window_->setSingleShot(true);
    window_->setTimerType(Qt::PreciseTimer);
    connect(window_, &QTimer::timeout, this, &MeterReader::endStep);
    connect(&port_, &SerialPort::commEvent, this, &MeterReader::onArrival);
}

bool MeterReader::start() {
    if (running()) {
        return false;
    }
    reading_ = Reading{};
    reading_.startedAt = QDateTime::currentDateTime();
    reading_.fields = EmptyFields(family_);
    step_ = 0;
    sendStep();
    return true;
}

void MeterReader::stop() {
    window_->stop();
    step_ = -1;
}

void MeterReader::sendStep() {
    const PollStep& step = steps_[step_];
    if (step.blockTag) {
        blockTag_ = *step.blockTag;
    }
    const RequestResult request =
        MakeReadRequest(std::to_string(address_), step.function, step.start, step.count);
    port_.clearInput();
    pending_.clear();
    clock_.start();
    window_->start(windowMs_);
    if (!request.ok() ||
        !port_.write(QByteArray(reinterpret_cast<const char*>(request.frame.data()),
                                static_cast<qsizetype>(request.frame.size())))) {
        // Nothing went out (the line is gone): the window ends the step
        // with no answer, as on a silent line.
        return;
    }
}

void MeterReader::onArrival() {
    if (!running()) {
        return;
    }
    const PollStep& step = steps_[step_];
    pending_ += port_.readAll();
    // An answer as long as the read's, or an exception answer, ends the
    // wait at once; anything else waits for the window.
    if (pending_.size() >=
            static_cast<qsizetype>(ExpectedAnswerLength(step.function, step.count)) ||
        (pending_.size() == static_cast<qsizetype>(kExceptionAnswerLength) &&
         CheckAnswer(BytesOfAnswer(pending_), step.function, step.count).outcome ==
             AnswerOutcome::Exception)) {
        endStep();
    }
}

void MeterReader::endStep() {
    if (!running()) {
        return;
    }
    window_->stop();
    const PollStep step = steps_[step_];
    const QByteArray answer = pending_ + port_.readAll();
    pending_.clear();
    RequestOutcome outcome{step, CheckAnswer(BytesOfAnswer(answer), step.function, step.count),
                           clock_.elapsed()};
    if (outcome.check.outcome == AnswerOutcome::Accepted) {
        decode(answer, step);
    }
    reading_.requests << outcome;
    emit requestDone(outcome);
    if (++step_ < steps_.size()) {
        sendStep();
        return;
    }
    step_ = -1;
    emit finished(reading_);
}

void MeterReader::decode(const QByteArray& answer, const PollStep& step) {
    Q_UNUSED(step);
    std::vector<FieldText> texts;
    if (family_ == MeterKind::PanelMount) {
        const DecodedAnswer decoded = secondary_ ? DecodeSecondaryAnswer(BytesOfAnswer(answer))
                                                 : DecodePrimaryAnswer(BytesOfAnswer(answer));
        texts = decoded.fields;
        if (decoded.switches) {
            for (int channel = 0; channel < 4; ++channel) {
                const bool closed = (decoded.switches->status >> channel) & 1;
                reading_.texts.insert(SwitchKey(decoded.switches->panel, channel),
                                      Translated(kSwitchContext, closed ? "闭合" : "断开"));
            }
        }
    } else {
        texts = DecodeDinRailAnswer(BytesOfAnswer(answer), blockTag_);
    }
    for (const FieldText& text : texts) {
        reading_.texts.insert(
            QString::fromLatin1(text.field.data(), static_cast<qsizetype>(text.field.size())),
            QString::fromStdString(text.text));
    }
    for (FieldReading& field : reading_.fields) {
        const auto it = reading_.texts.constFind(field.key);
        if (it == reading_.texts.constEnd()) {
            continue;
        }
        field.text = *it;
        bool number = false;
        const double value = field.text.toDouble(&number);
        field.value = number ? std::optional<double>(value) : std::nullopt;
        // A switch: 1 closed, 0 open.
        if (field.key.startsWith(QLatin1String("Out")) ||
            field.key.startsWith(QLatin1String("In"))) {
            field.value = field.text == Translated(kSwitchContext, "闭合") ? 1.0 : 0.0;
        }
    }
}

}  // namespace mt::cli
