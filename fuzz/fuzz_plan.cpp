// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy test's plan file, as engineers hand plans to each other: any
// bytes are read without a crash, either into a plan or refused with a line
// of the file and a reason. A plan read is one the program can run (points,
// readings from 1 to 100, positive ratings) and survives being written out
// and read back (checked for every fourth input, chosen by its size).
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "accuracy/testplan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const mt::PlanLoad load = mt::ParsePlan(file);
    if (!load.plan) {
        const auto lines = static_cast<int>(file.count('\n')) + 1;
        if (load.line < 1 || load.line > lines || load.error.isEmpty()) {
            std::abort();
        }
        return 0;
    }
    const mt::TestPlan& plan = *load.plan;
    if (plan.points.isEmpty() || !(plan.un > 0) || !(plan.in > 0) || plan.imax < plan.in) {
        std::abort();
    }
    for (const mt::TestPoint& point : plan.points) {
        if (point.readings < 1 || point.readings > 100 || point.settleSeconds < 0 ||
            (point.kind == mt::PointKind::Error && point.judged.isEmpty())) {
            std::abort();
        }
    }
    if (size % 4 == 0) {
        const mt::PlanLoad again = mt::ParsePlan(mt::PlanCsv(plan));
        if (!again.plan || again.plan->points.size() != plan.points.size()) {
            std::abort();
        }
    }
    return 0;
}
