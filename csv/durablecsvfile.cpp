// SPDX-License-Identifier: GPL-3.0-or-later
#include "durablecsvfile.h"

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

#include "csvtext.h"

namespace mt {

namespace {

#ifdef Q_OS_UNIX

// The screen's reason for a failed system call on the recording file.
QString ReasonFor(int error, bool opening) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return DurableCsvFile::diskFullReason();
        case EACCES:
        case EPERM:
        case EROFS:
            return DurableCsvFile::noPermissionReason();
        case ENOENT:
        case ENOTDIR:
            return opening ? DurableCsvFile::noFolderReason() : DurableCsvFile::goneReason();
        case EIO:
        case ENODEV:
        case ENXIO:
#ifdef ESTALE
        case ESTALE:
#endif
            return DurableCsvFile::goneReason();
        default:
            return DurableCsvFile::tr("写入失败：%1").arg(qt_error_string(error));
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
            *reason = DurableCsvFile::goneReason();
            return false;
        }
        if (::stat(nativePath_.constData(), &named) != 0) {
            *reason = ReasonFor(errno, false);
            return false;
        }
        if (own.st_dev != named.st_dev || own.st_ino != named.st_ino) {
            *reason = DurableCsvFile::goneReason();
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
            *reason = DurableCsvFile::noFolderReason();
            return false;
        }
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *reason = DurableCsvFile::tr("写入失败：%1").arg(file_.errorString());
            return false;
        }
        return true;
    }

    bool writeLine(const QByteArray& line, QString* reason) {
        if (file_.write(line) != line.size() || !file_.flush()) {
            *reason = DurableCsvFile::tr("写入失败：%1").arg(file_.errorString());
            return false;
        }
        return true;
    }

    bool stillNamed(QString* reason) const {
        if (!QFileInfo::exists(file_.fileName())) {
            *reason = DurableCsvFile::goneReason();
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
struct CsvFileShared {
    std::atomic<bool> failed{false};
    // The writer is inside a write on the medium; see DurableCsvFile::close.
    std::atomic<bool> busy{false};
    std::atomic<int> pending{0};
    std::atomic<qint64> rows{0};
    quint64 generation = 0;
    QMutex mutex;
    DurableCsvFile* owner = nullptr;
};

// Lives on the recording's thread and owns the file from the header on.
class CsvFileWriter : public QObject {
public:
    CsvFileWriter(std::unique_ptr<LineFile> file, std::shared_ptr<CsvFileShared> shared)
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
                post([reason](DurableCsvFile* owner, quint64 generation) {
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
        post([rows](DurableCsvFile* owner, quint64 generation) {
            owner->onRowWritten(generation, rows);
        });
    }

    template <typename Call>
    void post(Call call) {
        QMutexLocker lock(&shared_->mutex);
        if (DurableCsvFile* owner = shared_->owner) {
            const quint64 generation = shared_->generation;
            QMetaObject::invokeMethod(
                owner, [owner, generation, call] { call(owner, generation); },
                Qt::QueuedConnection);
        }
    }

    std::unique_ptr<LineFile> file_;
    std::shared_ptr<CsvFileShared> shared_;
};

struct DurableCsvFile::Session {
    std::shared_ptr<CsvFileShared> shared;
    QThread* thread = nullptr;
    CsvFileWriter* writer = nullptr;
};

DurableCsvFile::DurableCsvFile(QObject* parent) : QObject(parent) {}

DurableCsvFile::~DurableCsvFile() {
    finish();
}

bool DurableCsvFile::open(const QString& path, const QStringList& header, QString* error) {
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

    auto shared = std::make_shared<CsvFileShared>();
    shared->generation = ++generation_;
    shared->owner = this;
    session_ = std::make_unique<Session>();
    session_->shared = shared;
    session_->thread = new QThread;
    session_->thread->setObjectName(QStringLiteral("recording"));
    session_->writer = new CsvFileWriter(std::move(file), std::move(shared));
    session_->writer->moveToThread(session_->thread);
    session_->thread->start();
    return true;
}

bool DurableCsvFile::isOpen() const {
    return session_ && !session_->shared->failed;
}

void DurableCsvFile::append(const QStringList& cells) {
    if (!isOpen()) {
        return;
    }
    CsvFileShared& shared = *session_->shared;
    if (shared.pending.fetch_add(1) >= kMaxPendingRows) {
        shared.pending.fetch_sub(1);
        if (!shared.failed.exchange(true)) {
            const quint64 generation = shared.generation;
            QMetaObject::invokeMethod(
                this, [this, generation] { onFailed(generation, tooSlowReason()); },
                Qt::QueuedConnection);
        }
        return;
    }
    CsvFileWriter* writer = session_->writer;
    QMetaObject::invokeMethod(
        writer, [writer, line = CsvLine(cells)] { writer->write(line); }, Qt::QueuedConnection);
}

void DurableCsvFile::close() {
    if (!finish()) {
        emit failed(noAnswerReason());
    }
}

bool DurableCsvFile::finish() {
    if (!session_) {
        return true;
    }
    const std::unique_ptr<Session> session = std::move(session_);
    CsvFileShared& shared = *session->shared;
    {
        QMutexLocker lock(&shared.mutex);
        shared.owner = nullptr;
    }
    QThread* thread = session->thread;
    CsvFileWriter* writer = session->writer;
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

qint64 DurableCsvFile::rowsWritten() const {
    return session_ ? session_->shared->rows.load() : closedRows_;
}

void DurableCsvFile::onRowWritten(quint64 generation, qint64 rows) {
    if (session_ && generation == session_->shared->generation) {
        emit rowWritten(rows);
    }
}

void DurableCsvFile::onFailed(quint64 generation, const QString& reason) {
    if (!session_ || generation != session_->shared->generation) {
        return;
    }
    // Closed before the signal, so that its receivers find the recording
    // ended and may start another one.
    finish();
    emit failed(reason);
}

}  // namespace mt
