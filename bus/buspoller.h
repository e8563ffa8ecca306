// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "acquisition/acquisition.h"
#include "analysis/checks.h"
#include "bus/buslist.h"
#include "bus/busreads.h"
#include "diagnostics/linediagnostics.h"
#include "platform/serialport.h"

class QTimer;

namespace mt {

// Where a meter of the overview stands.
enum class BusState {
    Waiting,   // not polled yet
    Online,    // 在线: its last request was answered, or fewer than three failed in a row
    Offline,   // 离线: three requests in a row failed; tried again every 30 s
    Disabled,  // 停用: not polled
};
QString BusStateText(BusState state);

// A meter of the overview with what its polling found.
struct BusMeterStatus {
    BusMeter meter;
    BusState state = BusState::Waiting;
    int failuresInRow = 0;
    // The field texts of its last answers, and the round each came in.
    QHash<QString, QString> texts;
    QHash<QString, quint64> textRounds;
    LineCounts counts;
    AnswerOutcome lastOutcome = AnswerOutcome::NoAnswer;
    // The meter's measured turnaround (ms; smoothed), and the margin its
    // answers are given on top of their line time.
    double turnaroundMs = -1;
    int marginMs = 0;
    qint64 nextRetryMs = 0;  // offline: when it is tried again (poller clock)
    std::optional<Verdict> wiring;

    // Whether the value of `field` came in `round` (or later).
    bool fresh(const QString& field, quint64 round) const {
        return textRounds.value(field, 0) >= round && round > 0;
    }
};

// Polls the meters of a list on one line, strictly one request at a time and
// driven by events alone: a request's wait ends when its answer is whole or
// its timeout has passed (one single-shot timer), the line's silence of 3.5
// characters follows every answer, and an offline meter costs one request
// every 30 s. Rounds follow each other as fast as the line allows, or start
// at a chosen interval.
//
// The timeout of a read is its request's and answer's line time plus a
// turnaround margin: kFirstMarginMs until the meter has answered, then twice
// its measured turnaround plus kMarginSlackMs, within kMinMarginMs and
// kMaxMarginMs.
class BusPoller : public QObject {
    Q_OBJECT

public:
    static constexpr int kFailuresForOffline = 3;
    static constexpr int kRetryMs = 30000;
    static constexpr int kFirstMarginMs = 500;
    static constexpr int kMinMarginMs = 30;
    static constexpr int kMaxMarginMs = 1000;
    static constexpr int kMarginSlackMs = 30;

    BusPoller(SerialPort& port, BusFamilies families, QObject* parent = nullptr);
    ~BusPoller() override;

    // The list; meters already known keep their findings.
    void setMeters(const QList<BusMeter>& meters);
    const QList<BusMeterStatus>& meters() const { return status_; }
    // The first margin and the offline retry, shorter in tests.
    void setFirstMarginMs(int ms) { firstMarginMs_ = ms; }
    void setRetryMs(int ms) { retryMs_ = ms; }
    // 0: as fast as the line allows.
    void setIntervalMs(int ms) { intervalMs_ = ms; }
    int intervalMs() const { return intervalMs_; }

    // Opens the port with these settings and starts the first round.
    PortResult start(int portNumber, const QString& settings);
    // Ends at once and closes the port.
    void stop();
    bool running() const { return running_; }

    // The round under way (1, 2, ...) and the last one completed.
    quint64 round() const { return round_; }
    quint64 completedRound() const { return round_ > 0 ? round_ - 1 : 0; }
    // Requests written so far and the most outstanding at any moment (one).
    quint64 requestsSent() const { return requests_; }
    qint64 lastRoundMs() const { return lastRoundMs_; }
    // The line-time limit of the last round (ms): per read, the request and
    // answer characters at 11 bits, the meter's turnaround and the silence.
    double lastRoundLimitMs() const { return lastRoundLimitMs_; }

    // The milliseconds of one character at the port's settings.
    double characterMs() const;

signals:
    void meterChanged(int index);
    void requestFinished(int index, const mt::RequestRecord& record);
    void roundFinished(quint64 round, qint64 ms);
    // The port could not be used any more (lost, or a write failed).
    void failed(const QString& reason);

private:
    void nextRead();
    void send(int index, const PollStep& step);
    void onCommEvent(mt::CommEvent kind);
    void endRead(bool timedOut);
    void finishRound();
    int timeoutMs(const BusMeterStatus& meter, const PollStep& step) const;
    void startRound();
    int baud() const;

    SerialPort& port_;
    BusFamilies families_;
    QList<BusMeterStatus> status_;
    QTimer* wait_ = nullptr;
    QElapsedTimer clock_;
    bool running_ = false;
    // What the one timer waits for.
    enum class Phase { Idle, Reading, Silence, Interval, LinkWait };
    Phase phase_ = Phase::Idle;
    int intervalMs_ = 0;
    int firstMarginMs_ = kFirstMarginMs;
    int retryMs_ = kRetryMs;

    quint64 round_ = 0;
    qint64 roundStartMs_ = 0;
    qint64 lastRoundMs_ = 0;
    double roundLimitMs_ = 0;
    double lastRoundLimitMs_ = 0;
    int meterIndex_ = 0;
    std::size_t readIndex_ = 0;
    bool meterAnswered_ = false;  // the meter under way answered a read this round

    // The read under way.
    std::optional<RequestRecord> record_;
    QByteArray collected_;
    std::int64_t writtenNs_ = 0;
    quint64 requests_ = 0;
    std::vector<std::unique_ptr<LineDiagnostics>> diagnostics_;
};

}  // namespace mt
