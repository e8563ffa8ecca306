// SPDX-License-Identifier: GPL-3.0-or-later
#include "linediagnostics.h"

#include "acquisition/outcomes.h"

#include <algorithm>

namespace mt {

QString CountsText(const LineCounts& counts) {
    const auto ms = [](qint64 value) {
        return value < 0 ? QStringLiteral("-") : QString::number(value);
    };
    return QStringLiteral(
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
             counts.since.toString(QStringLiteral("HH:mm:ss")));
}

LineDiagnostics::LineDiagnostics(QObject* parent) : QObject(parent) {
    counts_.since = QDateTime::currentDateTime();
}

void LineDiagnostics::reset() {
    counts_ = LineCounts{};
    counts_.since = QDateTime::currentDateTime();
    silentInARow_ = 0;
    recent_.clear();
    emit countsChanged(counts_);
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
            break;
        case AnswerOutcome::Malformed:
            ++counts_.malformed;
            break;
        case AnswerOutcome::Late:
            ++counts_.late;
            break;
    }
    // The request before got nothing in its window because its answer came
    // after it: it was late, not unanswered.
    if (record.previousAnswerLate && counts_.noAnswer > 0) {
        --counts_.noAnswer;
        ++counts_.late;
        if (!recent_.isEmpty() && recent_.back() == AnswerOutcome::NoAnswer) {
            recent_.back() = AnswerOutcome::Late;
        }
    }
    if (record.responseMs >= 0 && !record.cutShort) {
        counts_.lastResponseMs = record.responseMs;
        ++counts_.responses;
        counts_.responseTotalMs += record.responseMs;
    }
    recent_.append(record.check.outcome);
    if (recent_.size() > kRecentRequests) {
        recent_.removeFirst();
    }
    silentInARow_ = record.check.outcome == AnswerOutcome::NoAnswer ? silentInARow_ + 1 : 0;
    setHint(hintFor(record));
    emit countsChanged(counts_);
}

QString LineDiagnostics::hintFor(const RequestRecord& record) const {
    const auto recentCount = [this](AnswerOutcome outcome) {
        return static_cast<int>(std::count(recent_.begin(), recent_.end(), outcome));
    };
    // Most of the recent answers, and at least three of them.
    const auto most = [&](AnswerOutcome outcome) {
        const int count = recentCount(outcome);
        return count >= 3 && 2 * count > static_cast<int>(recent_.size());
    };
    switch (record.check.outcome) {
        case AnswerOutcome::Accepted:
            return {};
        case AnswerOutcome::Exception:
            return QStringLiteral("仪表异常应答（代码 %1）：%2")
                .arg(QString::number(record.check.exceptionCode, 16)
                         .rightJustified(2, QLatin1Char('0'))
                         .toUpper(),
                     ExceptionMeaning(record.check.exceptionCode));
        case AnswerOutcome::NoAnswer:
            if (silentInARow_ >= kSilentRequestsForHint) {
                return kNoAnswerHint;
            }
            break;
        case AnswerOutcome::BadCrc:
        case AnswerOutcome::Malformed:
        case AnswerOutcome::Late:
            break;
    }
    if (most(AnswerOutcome::BadCrc)) {
        return kCrcHint;
    }
    if (most(AnswerOutcome::Malformed)) {
        return kMalformedHint;
    }
    if (recentCount(AnswerOutcome::Late) >= 2) {
        return kLateHint;
    }
    return hint_;  // nothing new: what was said still stands
}

void LineDiagnostics::setHint(const QString& hint) {
    if (hint != hint_) {
        hint_ = hint;
        emit hintChanged(hint_);
    }
}

}  // namespace mt
