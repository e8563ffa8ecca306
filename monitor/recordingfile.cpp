// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingfile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <atomic>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#else
#include <QDir>
#include <QFileInfo>
#endif

namespace mt {

QByteArray CsvByteOrderMark() {
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool NeedsQuotes(const QString& cell) {
    if (cell.isEmpty()) {
        return false;
    }
    if (IsBlank(cell.front()) || IsBlank(cell.back())) {
        return true;
    }
    for (const QChar c : cell) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n')) {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray CsvLine(const QStringList& cells) {
    if (cells.size() == 1 && cells.front().isEmpty()) {
        return QByteArrayLiteral("\"\"\r\n");
    }
    QByteArray line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        const QString& cell = cells.at(i);
        if (NeedsQuotes(cell)) {
            QString quoted = cell;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            line += '"';
            line += quoted.toUtf8();
            line += '"';
        } else {
            line += cell.toUtf8();
        }
    }
    line += "\r\n";
    return line;
}

QString CsvTimeText(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    // date() and time() are the fields in the QDateTime's own zone, which
    // offsetFromUtc() describes; QDateTime::toString would write "Z" for UTC.
    const QDate date = time.date();
    const QTime clock = time.time();
    const int offset = time.offsetFromUtc();
    const int offsetMinutes = (offset < 0 ? -offset : offset) / 60;
    const QLatin1Char zero('0');
    return QStringLiteral("%1-%2-%3T%4:%5:%6.%7%8%9:%10")
        .arg(date.year(), 4, 10, zero)
        .arg(date.month(), 2, 10, zero)
        .arg(date.day(), 2, 10, zero)
        .arg(clock.hour(), 2, 10, zero)
        .arg(clock.minute(), 2, 10, zero)
        .arg(clock.second(), 2, 10, zero)
        .arg(clock.msec(), 3, 10, zero)
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(offsetMinutes / 60, 2, 10, zero)
        .arg(offsetMinutes % 60, 2, 10, zero);
}

namespace {

#ifdef Q_OS_UNIX

// The screen's reason for a failed system call on the recording file.
QString ReasonFor(int error, bool opening) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return RecordingFile::kDiskFullReason;
        case EACCES:
        case EPERM:
        case EROFS:
            return RecordingFile::kNoPermissionReason;
        case ENOENT:
        case ENOTDIR:
            return opening ? RecordingFile::kNoFolderReason : RecordingFile::kGoneReason;
        case EIO:
        case ENODEV:
        case ENXIO:
#ifdef ESTALE
        case ESTALE:
#endif
            return RecordingFile::kGoneReason;
        default:
            return QStringLiteral("写入失败：%1").arg(qt_error_string(error));
    }
}

// The recording's file: whole lines written and forced to the medium, and a
// check that the path still names the file written to. On Linux a write into
// a file that was deleted, or whose folder or stick was removed, succeeds and
// everything written afterwards would be lost without a word.
class LineFile {
public:
    ~LineFile() { close(); }

    bool open(const QString& path, QString* reason) {
        nativePath_ = QFile::encodeName(path);
        // Not blocking while opening: a pipe nobody reads from would keep the
        // open waiting for a reader for good. Writes block again afterwards.
        do {
            fd_ = ::open(nativePath_.constData(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) {
            *reason = ReasonFor(errno, true);
            return false;
        }
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            *reason = ReasonFor(errno, true);
            close();
            return false;
        }
        return true;
    }

    // Writes the line, normally in one write, and forces it to the medium.
    // If a write fails part-way the line on the medium is incomplete; that is
    // reported, never passed over.
    bool writeLine(const QByteArray& line, QString* reason) {
        const char* data = line.constData();
        qsizetype left = line.size();
        while (left > 0) {
            const ssize_t written = ::write(fd_, data, static_cast<size_t>(left));
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                *reason = ReasonFor(errno, false);
                return false;
            }
            if (written == 0) {  // no progress and no error: do not spin on it
                *reason = ReasonFor(EIO, false);
                return false;
            }
            data += written;
            left -= written;
        }
        int synced;
        do {
            synced = ::fdatasync(fd_);
        } while (synced != 0 && errno == EINTR);
        // EINVAL: a special file (a pipe, a terminal) that keeps nothing to force.
        if (synced != 0 && errno != EINVAL) {
            *reason = ReasonFor(errno, false);
            return false;
        }
        return true;
    }

    bool stillNamed(QString* reason) const {
        struct stat own;
        struct stat named;
        if (::fstat(fd_, &own) != 0) {
            *reason = ReasonFor(errno, false);
            return false;
        }
        if (own.st_nlink == 0) {
            *reason = RecordingFile::kGoneReason;
            return false;
        }
        if (::stat(nativePath_.constData(), &named) != 0) {
            *reason = ReasonFor(errno, false);
            return false;
        }
        if (own.st_dev != named.st_dev || own.st_ino != named.st_ino) {
            *reason = RecordingFile::kGoneReason;
            return false;
        }
        return true;
    }

    void close() {
        if (fd_ >= 0) {
            ::close(fd_);  // not retried on EINTR: the descriptor is gone either way
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
    QByteArray nativePath_;
};

#else

// Elsewhere the file goes through QFile; a flush hands each line to the
// system, and the file is checked to be still there.
class LineFile {
public:
    bool open(const QString& path, QString* reason) {
        file_.setFileName(path);
        if (!QFileInfo(path).absoluteDir().exists()) {
            *reason = RecordingFile::kNoFolderReason;
            return false;
        }
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *reason = QStringLiteral("写入失败：%1").arg(file_.errorString());
            return false;
        }
        return true;
    }

    bool writeLine(const QByteArray& line, QString* reason) {
        if (file_.write(line) != line.size() || !file_.flush()) {
            *reason = QStringLiteral("写入失败：%1").arg(file_.errorString());
            return false;
        }
        return true;
    }

    bool stillNamed(QString* reason) const {
        if (!QFileInfo::exists(file_.fileName())) {
            *reason = RecordingFile::kGoneReason;
            return false;
        }
        return true;
    }

    void close() { file_.close(); }

private:
    QFile file_;
};

#endif

}  // namespace

// What the writer thread and the owner share for one recording. The owner
// pointer is cleared under the mutex when the owner closes, so that nothing
// is posted to it afterwards.
struct RecordingShared {
    std::atomic<bool> failed{false};
    // The writer is inside a write on the medium; see RecordingFile::close.
    std::atomic<bool> busy{false};
    std::atomic<int> pending{0};
    std::atomic<qint64> rows{0};
    quint64 generation = 0;
    QMutex mutex;
    RecordingFile* owner = nullptr;
};

// Lives on the recording's thread and owns the file from the header on.
class RecordingWriter : public QObject {
public:
    RecordingWriter(std::unique_ptr<LineFile> file, std::shared_ptr<RecordingShared> shared)
        : file_(std::move(file)), shared_(std::move(shared)) {}

    void write(const QByteArray& line) {
        writeRow(line);
        shared_->pending.fetch_sub(1);
    }

    // The last job of a recording: every row handed over before it has been
    // written or dropped.
    void finish() {
        file_.reset();
        QThread::currentThread()->quit();
    }

private:
    void writeRow(const QByteArray& line) {
        if (!file_ || shared_->failed) {
            file_.reset();
            return;
        }
        // Busy is raised before failed is looked at again: the owner, which
        // sets failed before it looks at busy, either sees this row under way
        // or this row sees the failure (all sequentially consistent).
        shared_->busy = true;
        if (shared_->failed) {
            shared_->busy = false;
            file_.reset();
            return;
        }
        QString reason;
        // A row written whole counts even when the file turns out to be
        // gone or replaced: it is in the file that was written to.
        const bool written = file_->writeLine(line, &reason);
        if (written) {
            shared_->rows.fetch_add(1);
        }
        const bool ok = written && file_->stillNamed(&reason);
        shared_->busy = false;
        if (!ok) {
            file_.reset();
            if (!shared_->failed.exchange(true)) {
                post([reason](RecordingFile* owner, quint64 generation) {
                    owner->onFailed(generation, reason);
                });
            }
            return;
        }
        const qint64 rows = shared_->rows.load();
        if (shared_->failed) {  // the owner gave up while this row was under way
            file_.reset();
            return;
        }
        post([rows](RecordingFile* owner, quint64 generation) {
            owner->onRowWritten(generation, rows);
        });
    }

    template <typename Call>
    void post(Call call) {
        QMutexLocker lock(&shared_->mutex);
        if (RecordingFile* owner = shared_->owner) {
            const quint64 generation = shared_->generation;
            QMetaObject::invokeMethod(
                owner, [owner, generation, call] { call(owner, generation); },
                Qt::QueuedConnection);
        }
    }

    std::unique_ptr<LineFile> file_;
    std::shared_ptr<RecordingShared> shared_;
};

struct RecordingFile::Session {
    std::shared_ptr<RecordingShared> shared;
    QThread* thread = nullptr;
    RecordingWriter* writer = nullptr;
};

RecordingFile::RecordingFile(QObject* parent) : QObject(parent) {}

RecordingFile::~RecordingFile() {
    finish();
}

bool RecordingFile::open(const QString& path, const QStringList& header, QString* error) {
    close();
    auto file = std::make_unique<LineFile>();
    QString reason;
    // The mark and the header go in one write, like every row after them.
    if (!file->open(path, &reason) ||
        !file->writeLine(CsvByteOrderMark() + CsvLine(header), &reason)) {
        if (error) {
            *error = reason;
        }
        return false;
    }
    path_ = path;
    closedRows_ = 0;

    auto shared = std::make_shared<RecordingShared>();
    shared->generation = ++generation_;
    shared->owner = this;
    session_ = std::make_unique<Session>();
    session_->shared = shared;
    session_->thread = new QThread;
    session_->thread->setObjectName(QStringLiteral("recording"));
    session_->writer = new RecordingWriter(std::move(file), std::move(shared));
    session_->writer->moveToThread(session_->thread);
    session_->thread->start();
    return true;
}

bool RecordingFile::isOpen() const {
    return session_ && !session_->shared->failed;
}

void RecordingFile::append(const QStringList& cells) {
    if (!isOpen()) {
        return;
    }
    RecordingShared& shared = *session_->shared;
    if (shared.pending.fetch_add(1) >= kMaxPendingRows) {
        shared.pending.fetch_sub(1);
        if (!shared.failed.exchange(true)) {
            const quint64 generation = shared.generation;
            QMetaObject::invokeMethod(
                this, [this, generation] { onFailed(generation, kTooSlowReason); },
                Qt::QueuedConnection);
        }
        return;
    }
    RecordingWriter* writer = session_->writer;
    QMetaObject::invokeMethod(
        writer, [writer, line = CsvLine(cells)] { writer->write(line); }, Qt::QueuedConnection);
}

void RecordingFile::close() {
    if (!finish()) {
        emit failed(kNoAnswerReason);
    }
}

bool RecordingFile::finish() {
    if (!session_) {
        return true;
    }
    const std::unique_ptr<Session> session = std::move(session_);
    RecordingShared& shared = *session->shared;
    {
        QMutexLocker lock(&shared.mutex);
        shared.owner = nullptr;
    }
    QThread* thread = session->thread;
    RecordingWriter* writer = session->writer;
    QMetaObject::invokeMethod(
        writer, [writer] { writer->finish(); }, Qt::QueuedConnection);
    // After the recording gave up on a hanging medium, the writer may be
    // stuck in that write for good. Otherwise it finishes the rows handed
    // over for as long as it keeps making progress: a row that takes longer
    // than kCloseWaitMs means a medium that does not answer, and waiting
    // for it would freeze the screen.
    if (!(shared.failed && shared.busy)) {
        qint64 rows = shared.rows;
        while (!thread->wait(QDeadlineTimer(kCloseWaitMs))) {
            const qint64 now = shared.rows;
            if (now == rows) {
                break;
            }
            rows = now;
        }
        if (thread->isFinished()) {
            delete writer;
            delete thread;
            closedRows_ = shared.rows;
            return true;
        }
    }
    // The rows not yet begun are dropped; the thread ends by itself once
    // the medium answers, and cleans up after itself. Only the rows known
    // to be whole in the file count.
    const bool givenUpNow = !shared.failed.exchange(true);
    closedRows_ = shared.rows;
    connect(thread, &QThread::finished, writer, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    return !givenUpNow;
}

qint64 RecordingFile::rowsWritten() const {
    return session_ ? session_->shared->rows.load() : closedRows_;
}

void RecordingFile::onRowWritten(quint64 generation, qint64 rows) {
    if (session_ && generation == session_->shared->generation) {
        emit rowWritten(rows);
    }
}

void RecordingFile::onFailed(quint64 generation, const QString& reason) {
    if (!session_ || generation != session_->shared->generation) {
        return;
    }
    // Closed before the signal, so that its receivers find the recording
    // ended and may start another one.
    finish();
    emit failed(reason);
}

}  // namespace mt
