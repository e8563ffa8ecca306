// SPDX-License-Identifier: GPL-3.0-or-later
#include "linediagnostics.h"

#include "acquisition/outcomes.h"

#include <algorithm>
#include <cstdlib>

namespace mt {

QString CountsText(const LineCounts& counts) {
    const auto ms = [](qint64 value) {
        return value < 0 ? QStringLiteral("-") : QString::number(value);
    };
    return LineDiagnostics::tr(
               "请求 %1  正常 %2  无应答 %3  校验错误 %4  异常 %5  格式错误 %6  "
               "迟到 %7  响应 %8/%9 ms  自 %10")
               .arg(counts.requests)
               .arg(counts.accepted)
               .arg(counts.noAnswer)
               .arg(counts.badCrc)
               .arg(counts.exceptions)
               .arg(counts.malformed)
               .arg(counts.late)
               .arg(ms(counts.lastResponseMs), ms(counts.averageResponseMs()),
                    counts.since.toString(QStringLiteral("HH:mm:ss")))
           // What only a network gateway gives, when it did.
           + (counts.gatewayExceptions > 0
                  ? LineDiagnostics::tr("  网关异常 %1").arg(counts.gatewayExceptions)
                  : QString()) +
           (counts.dropped > 0 ? LineDiagnostics::tr("  丢弃 %1").arg(counts.dropped) : QString()) +
           (counts.unitMismatches > 0
                ? LineDiagnostics::tr("  地址不符 %1").arg(counts.unitMismatches)
                : QString());
}

LineDiagnostics::LineDiagnostics(QObject* parent) : QObject(parent) {
    counts_.since = QDateTime::currentDateTime();
}

void LineDiagnostics::reset() {
    counts_ = LineCounts{};
    counts_.since = QDateTime::currentDateTime();
    recent_.clear();
    forgetSlowMeter();
    acceptedInARow_ = 0;
    emit countsChanged(counts_);
}

void LineDiagnostics::forgetSlowMeter() {
    lateTurnarounds_.clear();
    slowNamed_ = false;
}

void LineDiagnostics::add(const RequestRecord& record) {
    ++counts_.requests;
    switch (record.check.outcome) {
        case AnswerOutcome::Accepted:
            ++counts_.accepted;
            break;
        case AnswerOutcome::NoAnswer:
            ++counts_.noAnswer;
            break;
        case AnswerOutcome::BadCrc:
            ++counts_.badCrc;
            break;
        case AnswerOutcome::Exception:
            ++counts_.exceptions;
            if (record.check.exceptionCode == 0x0A || record.check.exceptionCode == 0x0B) {
                ++counts_.gatewayExceptions;
            }
            break;
        case AnswerOutcome::Malformed:
            ++counts_.malformed;
            break;
        case AnswerOutcome::Late:
            ++counts_.late;
            break;
    }
    if (record.responseMs >= 0 && !record.cutShort) {
        counts_.lastResponseMs = record.responseMs;
        ++counts_.responses;
        counts_.responseTotalMs += record.responseMs;
    }
    recent_.append(Recent{record.number, record.check.outcome});
    if (recent_.size() > kRecentRequests) {
        recent_.removeFirst();
    }
    acceptedInARow_ = record.check.outcome == AnswerOutcome::Accepted ? acceptedInARow_ + 1 : 0;
    // The line looks fine again, or the meter fell silent: what was measured
    // of its turnaround no longer holds.
    if (acceptedInARow_ >= kAcceptedForFineLine || silentInARow() >= kSilentRequestsForHint) {
        forgetSlowMeter();
    }
    setHint(hintFor(record.check.outcome, record.check.exceptionCode));
    emit countsChanged(counts_);
}

void LineDiagnostics::addTransportNote(TransportNote note) {
    if (note == TransportNote::UnitMismatch) {
        ++counts_.unitMismatches;
        setHint(unitMismatchHint());
    } else {
        ++counts_.dropped;
        setHint(droppedAnswersHint());
    }
    emit countsChanged(counts_);
}

void LineDiagnostics::addLate(const LateAnswer& late) {
    const auto it = std::find_if(recent_.begin(), recent_.end(), [&](const Recent& r) {
        return r.number == late.request && r.outcome == AnswerOutcome::NoAnswer;
    });
    if (it == recent_.end() || counts_.noAnswer == 0) {
        return;  // counted before the counters started again, or long ago
    }
    it->outcome = AnswerOutcome::Late;
    --counts_.noAnswer;
    ++counts_.late;
    acceptedInARow_ = 0;
    if (late.turnaroundMs >= 0) {
        lateTurnarounds_.append(late.turnaroundMs);
        if (lateTurnarounds_.size() > kRecentRequests) {
            lateTurnarounds_.removeFirst();
        }
    }
    setHint(hintFor(AnswerOutcome::Late, 0));
    emit countsChanged(counts_);
}

// Requests at the end of the recent ones that got nothing.
int LineDiagnostics::silentInARow() const {
    int silent = 0;
    for (auto it = recent_.rbegin(); it != recent_.rend() && it->outcome == AnswerOutcome::NoAnswer;
         ++it) {
        ++silent;
    }
    return silent;
}

// Enough late answers were measured with turnarounds that agree, and their
// typical turnaround is long for the screen's wait. Whatever else the line
// does: a slow meter's answers also leave requests unanswered, are taken for
// the next request when they are as long as its answer, and are cut in two
// by the end of a window.
bool LineDiagnostics::slowMeter() const {
    if (answerWindowMs_ <= 0 || lateTurnarounds_.size() < kLateAnswersForHint) {
        return false;
    }
    const qint64 median = medianTurnaroundMs();
    if (median <= answerWindowMs_ / 2) {
        return false;
    }
    const qint64 spread =
        std::max<qint64>(kTurnaroundSpreadMs, median * kTurnaroundSpreadPercent / 100);
    const auto agreeing = std::count_if(lateTurnarounds_.begin(), lateTurnarounds_.end(),
                                        [&](qint64 ms) { return std::abs(ms - median) <= spread; });
    return agreeing >= kLateAnswersForHint;
}

qint64 LineDiagnostics::medianTurnaroundMs() const {
    QList<qint64> sorted = lateTurnarounds_;
    std::sort(sorted.begin(), sorted.end());
    return sorted.isEmpty() ? -1 : sorted.at(sorted.size() / 2);
}

// The meter answers, but later than the screen waits: with enough measured
// turnarounds that agree, the hint names the typical one (the median, to 10 ms) and the
// screen's wait.
QString LineDiagnostics::lateHint() const {
    if (!slowMeter()) {
        return lateAnswersHint();
    }
    const qint64 median = medianTurnaroundMs();
    const qint64 rounded = std::max<qint64>(10, (median + 5) / 10 * 10);
    return tr("仪表应答约 %1 ms，超过本画面 %2 ms 的等待：应答被算作迟到。"
              "请提高波特率，或减小仪表自身的应答延时设置")
        .arg(rounded)
        .arg(answerWindowMs_);
}

QString LineDiagnostics::hintFor(AnswerOutcome outcome, std::uint8_t exceptionCode) const {
    const auto recentCount = [this](AnswerOutcome wanted) {
        return static_cast<int>(std::count_if(
            recent_.begin(), recent_.end(), [&](const Recent& r) { return r.outcome == wanted; }));
    };
    // Most of the recent answers, and at least three of them.
    const auto most = [&](AnswerOutcome wanted) {
        const int count = recentCount(wanted);
        return count >= 3 && 2 * count > static_cast<int>(recent_.size());
    };
    // A slow meter, once named, stays named until the line looks fine: a run
    // of answers in their own windows with no late one among them. Answers
    // of the same length as the next request's are taken for it, so single
    // correct answers do not tell that the meter got faster.
    if (slowNamed_ && outcome == AnswerOutcome::Accepted) {
        return lateHint();
    }
    switch (outcome) {
        case AnswerOutcome::Accepted:
            return {};
        case AnswerOutcome::Exception:
            if (exceptionCode == 0x0A) {
                return gatewayPathHint();
            }
            if (exceptionCode == 0x0B) {
                return gatewayTargetHint();
            }
            return tr("仪表异常应答（代码 %1）：%2")
                .arg(QString::number(exceptionCode, 16)
                         .rightJustified(2, QLatin1Char('0'))
                         .toUpper(),
                     ExceptionMeaning(exceptionCode));
        case AnswerOutcome::NoAnswer:
            if (silentInARow() >= kSilentRequestsForHint) {
                return noAnswerHint();
            }
            break;
        case AnswerOutcome::BadCrc:
        case AnswerOutcome::Malformed:
        case AnswerOutcome::Late:
            break;
    }
    // A meter slower than the wait explains the rest too: its answers that
    // straddle two windows are malformed in both.
    if (slowNamed_ || slowMeter()) {
        return lateHint();
    }
    if (most(AnswerOutcome::BadCrc)) {
        return crcHint();
    }
    if (most(AnswerOutcome::Malformed)) {
        return malformedHint();
    }
    if (recentCount(AnswerOutcome::Late) >= 2) {
        return lateHint();
    }
    return hint_;  // nothing new: what was said still stands
}

void LineDiagnostics::setHint(const QString& hint) {
    if (!slowNamed_ && slowMeter() && hint == lateHint()) {
        slowNamed_ = true;
    }
    if (hint != hint_) {
        hint_ = hint;
        emit hintChanged(hint_);
    }
}

}  // namespace mt
