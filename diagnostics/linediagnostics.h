// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>

#include "acquisition/acquisition.h"
#include "link/answercheck.h"
#include "platform/serialport.h"

namespace mt {

// What became of a monitor's requests since the counters last started.
struct LineCounts {
    qint64 requests = 0;
    qint64 accepted = 0;    // 正常
    qint64 noAnswer = 0;    // 无应答
    qint64 badCrc = 0;      // 校验错误
    qint64 exceptions = 0;  // 异常
    qint64 malformed = 0;   // 格式错误
    qint64 late = 0;        // 迟到
    // Of the exceptions, those a network gateway gave (0A, 0B).
    qint64 gatewayExceptions = 0;
    // Answers a network gateway sent that the transport dropped (another
    // request's, or bytes out of framing), and answers from another unit.
    qint64 dropped = 0;
    qint64 unitMismatches = 0;
    qint64 lastResponseMs = -1;
    qint64 responses = 0;  // answers whose response time went into the average
    qint64 responseTotalMs = 0;
    QDateTime since;

    qint64 averageResponseMs() const {
        return responses > 0 ? (responseTotalMs + responses / 2) / responses : -1;
    }
};

// The counters in one line for the status bar.
QString CountsText(const LineCounts& counts);

// Counts the outcome of every request and works out a plain-language hint
// about the line: after several requests in a row without an answer, an
// exception with its meaning, most answers failing their CRC, and so on. A
// correct answer clears the hint. It only observes: nothing it does reaches
// the screen's fields or the line.
class LineDiagnostics : public QObject {
    Q_OBJECT

public:
    // Requests in a row without an answer before the hint says so.
    static constexpr int kSilentRequestsForHint = 3;
    // The recent requests the rates of bad answers are judged over.
    static constexpr int kRecentRequests = 10;

    static QString noAnswerHint() { return tr("仪表无应答：请检查仪表地址、波特率、校验位和接线"); }
    static QString crcHint() {
        return tr("多数应答校验错误：请检查波特率和校验位是否与仪表一致，以及线路干扰");
    }
    static QString malformedHint() {
        return tr("多数应答格式错误：线路上可能有干扰，或有另一个主站在通信");
    }
    static QString gatewayPathHint() {
        return tr(
            "网关路径不可用（异常 0A）：网关找不到通往该仪表的路径，"
            "请检查网关的串口配置和仪表地址");
    }
    static QString gatewayTargetHint() {
        return tr(
            "网关后的仪表无应答（异常 0B）：请检查网关的串口设置（波特率、校验位）、"
            "RS-485 接线和仪表地址");
    }
    static QString unitMismatchHint() {
        return tr("应答来自另一个仪表地址：请检查网关的地址映射和仪表地址");
    }
    static QString droppedAnswersHint() {
        return tr("网关送回了不属于当前请求的应答，已丢弃：可能有另一个主站在使用这个网关");
    }
    static QString lateAnswersHint() {
        return tr("仪表应答迟到：仪表响应慢或波特率太低，应答在等待时间内收不全");
    }
    // Late answers measured before the hint names the meter's turnaround.
    static constexpr int kLateAnswersForHint = 3;
    // Measured turnarounds agree when they lie this close to their median:
    // a share of it, or at least the absolute amount.
    static constexpr int kTurnaroundSpreadPercent = 25;
    static constexpr int kTurnaroundSpreadMs = 50;
    // Once named, a slow meter stays named until this many requests in a row
    // were answered in their own windows, with no late answer among them.
    static constexpr int kAcceptedForFineLine = kRecentRequests;

    explicit LineDiagnostics(QObject* parent = nullptr);

    const LineCounts& counts() const { return counts_; }
    // The hint of the moment; empty when the line looks fine.
    const QString& hint() const { return hint_; }

    // The time the screen waits for each answer; the hint about a slow
    // meter compares the meter's turnaround with it. 0: not known.
    void setAnswerWindowMs(int ms) { answerWindowMs_ = ms; }

    // One request has ended.
    void add(const RequestRecord& record);
    // The answer to an earlier request came after its window: that request
    // counts late instead of unanswered, if it is still among the recent ones.
    void addLate(const mt::LateAnswer& late);
    // The transport dropped or found odd what it received (network gateways).
    void addTransportNote(mt::TransportNote note);
    // The counters start again from zero, now.
    void reset();

signals:
    void countsChanged(const mt::LineCounts& counts);
    void hintChanged(const QString& hint);

private:
    void setHint(const QString& hint);
    QString hintFor(AnswerOutcome outcome, std::uint8_t exceptionCode) const;
    QString lateHint() const;
    bool slowMeter() const;
    qint64 medianTurnaroundMs() const;
    int silentInARow() const;
    // Forgets the measured turnarounds and the slow meter.
    void forgetSlowMeter();

    LineCounts counts_;
    QString hint_;
    struct Recent {
        quint64 number = 0;
        AnswerOutcome outcome = AnswerOutcome::NoAnswer;
    };
    QList<Recent> recent_;
    // The turnarounds of the latest late answers, newest last.
    QList<qint64> lateTurnarounds_;
    int answerWindowMs_ = 0;
    // The hint named a slow meter, and it has not been cleared since.
    bool slowNamed_ = false;
    // Requests answered in their own windows since the last late answer or
    // failed request.
    int acceptedInARow_ = 0;
};

}  // namespace mt
