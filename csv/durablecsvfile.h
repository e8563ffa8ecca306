// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace mt {

class CsvFileWriter;

// A CSV file written row by row on a thread of its own, so that a slow or
// hanging medium never stops or slows the user-interface thread, which runs
// the meter polling. Each row is written whole and forced to the medium
// before the next, so a crash or power cut loses at most the row in progress.
//
// The first failure (full disk, no permission, the medium or the folder
// removed, the file deleted or replaced) ends the recording: the file is
// closed, `failed` is emitted once, later rows are dropped, and what was
// written stays a readable file.
class DurableCsvFile : public QObject {
    Q_OBJECT

public:
    // Rows handed over but not yet written before the recording gives up on
    // the medium: at a row every few seconds this is hours of a hanging
    // medium, and it bounds the memory the waiting rows take.
    static constexpr int kMaxPendingRows = 10000;

    static QString diskFullReason() { return tr("磁盘已满"); }
    static QString noPermissionReason() { return tr("没有写入权限"); }
    static QString noFolderReason() { return tr("文件夹不存在"); }
    static QString goneReason() { return tr("记录文件或其所在的文件夹、介质已不存在"); }
    static QString tooSlowReason() { return tr("写入太慢，记录跟不上"); }
    static QString noAnswerReason() { return tr("存储介质无响应，正在写入的一行可能不完整"); }

    // How long closing waits for the row being written before it gives up
    // on the medium: long enough for a slow stick's flush, short enough that
    // the window does not seem to freeze.
    static constexpr int kCloseWaitMs = 250;

    explicit DurableCsvFile(QObject* parent = nullptr);
    // Closes as close() does, without emitting anything.
    ~DurableCsvFile() override;

    // Creates or truncates `path` and writes the byte-order mark and the
    // header line, forced to the medium, before it returns. A recording still
    // open is closed first. On failure returns false, leaves nothing open and
    // sets *error to a short reason for the screen.
    bool open(const QString& path, const QStringList& header, QString* error = nullptr);
    // Open and not failed.
    bool isOpen() const;
    // The file of the recording, or of the last one.
    QString path() const { return path_; }

    // Hands one row to the writer thread and returns at once. Ignored when
    // not open or after a failure.
    void append(const QStringList& cells);
    // Waits for the rows handed over and closes the file. A medium that
    // does not finish a row within kCloseWaitMs is given up on:
    // the recording ends as failed (noAnswerReason(), `failed` is emitted
    // before close returns) and the writer is left to end by itself once the
    // medium answers, dropping the rows still waiting. Nothing is emitted
    // afterwards. Safe to call twice.
    void close();

    // Rows, not counting the header, written whole to the file; after the
    // recording has ended, the rows it wrote before it ended.
    qint64 rowsWritten() const;

signals:
    // After each row reached the medium.
    void rowWritten(qint64 rowsWritten);
    // Once, when the recording ends by a failure; the file is already closed.
    void failed(const QString& reason);

private:
    friend class CsvFileWriter;
    struct Session;

    // Ends the recording without emitting anything; returns false when it
    // gave up on the medium just now, leaving the writer behind.
    bool finish();
    void onRowWritten(quint64 generation, qint64 rows);
    void onFailed(quint64 generation, const QString& reason);

    std::unique_ptr<Session> session_;
    QString path_;
    // Tells the events of one recording from those of an earlier one that
    // were still under way when it closed.
    quint64 generation_ = 0;
    qint64 closedRows_ = 0;
};

}  // namespace mt
