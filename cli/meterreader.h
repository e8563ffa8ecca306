// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One complete reading of a meter, event-driven: the family's reads one at a
// time, each request written, its answer waited for (up to the answer window,
// never with a blocking sleep), checked with the monitors' own acceptance
// test and decoded with their decoders. Only accepted answers of this reading
// fill fields; a field no accepted answer filled stays empty.

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

#include "link/answercheck.h"
#include "link/meterkind.h"
#include "link/pollstep.h"

class QTimer;

namespace mt {
class SerialPort;
}

namespace mt::cli {

struct FieldReading {
    QString key;                  // the screen's object name ("UanT"), or Out1..Out4 / In1..In4
    QString caption;              // as the screen heads the field
    QString text;                 // as the screen shows it; empty when not read
    std::optional<double> value;  // the text as a number, when it is one
    QString unit;
};

struct RequestOutcome {
    PollStep step;
    AnswerCheck check;
    qint64 ms = 0;  // from the write to the answer (or to the end of the window)
};

struct Reading {
    QDateTime startedAt;
    QList<FieldReading> fields;     // every field of the family, in screen order
    QHash<QString, QString> texts;  // the fields read: key to text
    QList<RequestOutcome> requests;
    int accepted() const;
    bool complete() const { return accepted() == requests.size() && !requests.isEmpty(); }
};

class MeterReader : public QObject {
    Q_OBJECT

public:
    // `answerWindowMs`: how long a request waits for its answer.
    MeterReader(SerialPort& port, MeterKind family, int address, bool secondary, int answerWindowMs,
                QObject* parent = nullptr);

    const QList<PollStep>& steps() const { return steps_; }
    // Starts a reading; finished() comes when every read has had its answer
    // or its window. False when one is under way.
    bool start();
    bool running() const { return step_ >= 0; }
    // Ends a reading under way (its finished() does not come).
    void stop();

signals:
    void requestDone(const mt::cli::RequestOutcome& outcome);
    void finished(const mt::cli::Reading& reading);

private:
    void sendStep();
    void onArrival();
    void endStep();
    void decode(const QByteArray& answer, const PollStep& step);

    SerialPort& port_;
    MeterKind family_;
    int address_;
    bool secondary_;
    int windowMs_;
    QList<PollStep> steps_;
    QTimer* window_ = nullptr;
    QElapsedTimer clock_;
    int step_ = -1;
    std::int16_t blockTag_ = 0;
    QByteArray pending_;  // what came for the request under way
    Reading reading_;
};

// The fields a family shows, captions and units in the installed language,
// texts empty.
QList<FieldReading> EmptyFields(MeterKind family);

}  // namespace mt::cli
