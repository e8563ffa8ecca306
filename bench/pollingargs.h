// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of the benchmarks that poll metersim for a while:
// "--seconds S" (at least 5) and "--tsv FILE".

#include <QStringList>
#include <algorithm>
#include <string>

namespace mt::bench {

struct PollingArgs {
    int seconds = 0;
    std::string tsv;
};

inline PollingArgs ParsePollingArgs(const QStringList& args, int defaultSeconds) {
    PollingArgs parsed{defaultSeconds, {}};
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--seconds")) {
            parsed.seconds = std::max(5, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--tsv")) {
            parsed.tsv = args[i + 1].toStdString();
        }
    }
    return parsed;
}

}  // namespace mt::bench
