// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <optional>
#include <vector>

#include "link/meterkind.h"
#include "platform/serialport.h"
#include "search/searchplan.h"

class QTimer;

namespace mt {

// Something the search met at one baud rate, parity and address.
struct SearchFind {
    enum class Kind {
        Meter,        // answered the common read with data; family from the panel-only read
        OtherDevice,  // answered the common read with an exception: a device, but not one of ours
        BadCrc,       // a whole frame with a wrong CRC: something is there, the line garbles it
        Garbled,      // bytes that made no frame: likewise
        LateAnswer,   // a right frame from another address: an answer that came after its timeout
        LineRefused,  // the port would not open at this baud rate and parity: the line was skipped
    };
    Kind kind = Kind::Meter;
    // The probed address; for a late answer the address that answered.
    int address = 0;
    SearchLine line;
    std::optional<MeterKind> family;  // with Meter, when the panel-only read told
    std::uint8_t exceptionCode = 0;   // with OtherDevice
    // From the write of the common read to the last byte of its answer (ms).
    double responseMs = -1;
    QString detail;  // with LineRefused: the operating system's words

    static SearchFind At(Kind kind, int address, const SearchLine& line) {
        SearchFind find;
        find.kind = kind;
        find.address = address;
        find.line = line;
        return find;
    }
};

// Where the search stands: tries over, of how many, at most how long the
// rest takes, and the try under way.
struct SearchProgress {
    int done = 0;
    int total = 0;
    qint64 msLeft = 0;
    SearchLine line;
    int address = 0;
};

enum class SearchEnd {
    Completed,   // every try was made
    FoundMeter,  // stopped at the first meter, as asked
    Cancelled,   // cancel()
    Failed,      // the port could not be opened or went away; see failure()
};

// Looks for meters on a line: for every baud rate and parity of the plan it
// opens the port with those settings (8 data bits, 1 stop bit), then sends
// each address of the range one read that both families answer (function 4,
// register 70, one register). An address that answers with data gets a
// second read of registers 10 and 11, which only the panel-mount meter has;
// its answer tells the family.
//
// Everything waits on events: a read ends as soon as its answer is whole
// (ProbeAnswerComplete) or when its limit has passed (the request's line
// time plus the answer timeout, one single-shot timer); after bytes came,
// the next request waits for the line's inter-frame silence. The settings
// are changed by closing and opening the port, once per baud rate and
// parity, never on an open port. A port that will not open at some baud
// rate and parity skips that line (and reports it); a port that is missing,
// busy or lost ends the search.
//
// The port is this search's alone while it runs and is closed when it ends.
class MeterSearch : public QObject {
    Q_OBJECT

public:
    MeterSearch(SerialPort& port, int portNumber, SearchPlan plan, QObject* parent = nullptr);
    ~MeterSearch() override;

    void setStopAtFirstMeter(bool stop) { stopAtFirstMeter_ = stop; }

    // Starts the first try. A port that cannot be opened ends the search
    // with Failed before this returns.
    void start();
    // Ends the search at once and closes the port; nothing more is reported
    // but finished(Cancelled).
    void cancel();

    bool running() const { return running_; }
    const SearchPlan& plan() const { return plan_; }
    const std::vector<SearchFind>& finds() const { return finds_; }
    int triesDone() const { return triesDone_; }
    // Every request written, the panel-only reads included.
    int readsSent() const { return readsSent_; }
    // The sum of the limits of the reads sent so far (µs): what the search
    // may take at most for them.
    qint64 limitOfReadsSentUs() const { return limitOfReadsUs_; }
    // Why the search failed (with SearchEnd::Failed).
    const std::optional<PortError>& failure() const { return failure_; }

signals:
    void progressed(const mt::SearchProgress& progress);
    void found(const mt::SearchFind& find);
    void finished(mt::SearchEnd end);

private:
    enum class Read { Common, PanelOnly };
    enum class Phase { Idle, Awaiting, Silence, LinkWait };
    enum class LineOpening { Open, Refused, Failed };

    const SearchLine& line() const;
    LineOpening openLine();
    void nextTry();
    void send(Read read);
    void onCommEvent(mt::CommEvent kind);
    void onWaitOver();
    void endRead();
    void endTry();
    void afterSilence(Read next);
    void report(const SearchFind& find);
    void fail(const PortError& error);
    void finish(SearchEnd end);

    SerialPort& port_;
    int portNumber_;
    SearchPlan plan_;
    bool stopAtFirstMeter_ = false;
    QTimer* wait_ = nullptr;
    QElapsedTimer clock_;

    bool running_ = false;
    bool foundMeter_ = false;
    Phase phase_ = Phase::Idle;
    Read read_ = Read::Common;
    // After a silence: the panel-only read of the same address, or the next try.
    std::optional<Read> afterSilence_;
    std::size_t lineIndex_ = 0;
    bool lineOpen_ = false;
    int address_ = 0;
    QByteArray received_;
    qint64 sentNs_ = 0;
    qint64 lastByteNs_ = 0;
    double commonResponseMs_ = -1;

    std::vector<SearchFind> finds_;
    int triesDone_ = 0;
    int readsSent_ = 0;
    qint64 limitOfReadsUs_ = 0;
    std::optional<PortError> failure_;
};

}  // namespace mt
