// SPDX-License-Identifier: GPL-3.0-or-later
// A day's recording: 20,000 rows as wide as the DIN-rail screen's (45
// cells), handed to the recording file at the pace a writer keeps up with.
// Measures what a row costs the thread that polls (the hand-over only), how
// long the writer takes to put a row on the medium (write and fdatasync),
// and how resident memory and the file grow.
//
//   bench_recording [--rows N] [--folder DIR] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE); notes go to
// standard error.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "csv/csvtext.h"
#include "csv/durablecsvfile.h"
#include "drive/simdriver.h"
#include "metrics.h"

using namespace mt;

namespace {

bench::Metrics g_metrics;

void Metric(const std::string& name, double value, const char* unit) {
    g_metrics.add(name, value, unit);
}

QStringList Header() {
    QStringList cells{QStringLiteral("时间")};
    for (int i = 0; i < 41; ++i) {
        cells << QStringLiteral("相电压U%1 (V)").arg(i);
    }
    return cells << QStringLiteral("发送请求数") << QStringLiteral("正确应答数");
}

// A row of texts as the screen shows them, a few cells empty.
QStringList Row(int n) {
    QStringList cells{CsvTimeText(QDateTime::currentDateTime())};
    for (int i = 0; i < 41; ++i) {
        cells << ((n + i) % 13 == 0 ? QString()
                                    : QString::number(220.0 + (n * 41 + i) % 997 / 10.0));
    }
    return cells << QStringLiteral("11") << QString::number(11 - n % 3);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int rows = 20000;
    QString folder;
    std::string tsv;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--rows") {
            rows = std::max(100, args[i + 1].toInt());
        } else if (args[i] == "--folder") {
            folder = args[i + 1];
        } else if (args[i] == "--tsv") {
            tsv = args[i + 1].toStdString();
        }
    }
    QTemporaryDir temporary(folder.isEmpty() ? QDir::tempPath() + "/bench-recording-XXXXXX"
                                             : folder + "/bench-recording-XXXXXX");
    if (!temporary.isValid()) {
        std::fprintf(stderr, "bench_recording: cannot make a folder\n");
        return 2;
    }
    const QString path = temporary.filePath("day.csv");

    // Rows made before measuring, so that only the recording's own memory counts.
    std::vector<QStringList> made;
    made.reserve(100);
    for (int i = 0; i < 100; ++i) {
        made.push_back(Row(i));
    }
    const double rssBefore = drive::ResidentMiB();
    DurableCsvFile file;
    QString error;
    if (!file.open(path, Header(), &error)) {
        std::fprintf(stderr, "bench_recording: %s\n", qPrintable(error));
        return 2;
    }
    bool failed = false;
    QObject::connect(&file, &DurableCsvFile::failed, [&](const QString& why) {
        std::fprintf(stderr, "bench_recording: %s\n", qPrintable(why));
        failed = true;
    });

    // In batches of 100 (a tick gives one row; the batch only keeps the
    // measurement short), each waited for before the next.
    std::vector<double> handOverNs;
    qint64 handOverTotalNs = 0;
    QElapsedTimer wall;
    wall.start();
    double rssAtTenth = 0;
    for (int done = 0; done < rows && !failed;) {
        const int batch = std::min(100, rows - done);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < batch; ++i) {
            file.append(made[static_cast<std::size_t>(i)]);
        }
        const qint64 ns = t.nsecsElapsed();
        handOverTotalNs += ns;
        handOverNs.push_back(static_cast<double>(ns) / batch);
        done += batch;
        while (file.rowsWritten() < done && !failed) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        if (rssAtTenth == 0 && done >= rows / 10) {
            rssAtTenth = drive::ResidentMiB();
        }
    }
    const qint64 wallNs = wall.nsecsElapsed();
    const double rssAfter = drive::ResidentMiB();
    file.close();
    if (failed || file.rowsWritten() != rows) {
        std::fprintf(stderr, "bench_recording: %lld of %d rows written\n",
                     static_cast<long long>(file.rowsWritten()), rows);
        return 1;
    }
    std::sort(handOverNs.begin(), handOverNs.end());
    Metric("rows", rows, "rows");
    Metric("hand_over_per_row_median", handOverNs[handOverNs.size() / 2] / 1000.0, "us/row");
    Metric("hand_over_per_row_mean", static_cast<double>(handOverTotalNs) / rows / 1000.0,
           "us/row");
    Metric("to_the_medium_per_row", static_cast<double>(wallNs) / rows / 1e6, "ms/row");
    Metric("file_size", static_cast<double>(QFileInfo(path).size()) / (1024.0 * 1024.0), "MiB");
    Metric("rss_before_open", rssBefore, "MiB");
    Metric("rss_after_tenth_of_rows", rssAtTenth, "MiB");
    Metric("rss_after_all_rows", rssAfter, "MiB");
    Metric("rss_growth_after_tenth", rssAfter - rssAtTenth, "MiB");
    g_metrics.writeTsv(tsv);
    return 0;
}
