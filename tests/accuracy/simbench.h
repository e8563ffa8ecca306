// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Simulated meters on a fake port, all measuring one source: the meters
// answer with metersim's own slaves, so their errors are known exactly.

#include <QHash>
#include <QSet>
#include <QString>
#include <memory>

#include "link/meterkind.h"
#include "support/fakeserialport.h"

namespace mt::test {

class SimBench {
public:
    // `source` as metersim's --source reads it: "U=230 I=5 PF=1".
    explicit SimBench(const QString& source);
    ~SimBench();

    // A meter at `address` with metersim's --error (empty: exact).
    bool add(MeterKind kind, int address, const QString& errors = {});
    // The source moves now; keys left out keep their values.
    bool set(const QString& point);

    FakeSerialPort port;
    QSet<int> muted;           // addresses that do not answer
    QHash<int, int> dropNext;  // address: how many of its next requests go unanswered

private:
    struct Meters;
    std::unique_ptr<Meters> meters_;
};

}  // namespace mt::test
