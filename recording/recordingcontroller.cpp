// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingcontroller.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <algorithm>

#include "csv/durablecsvfile.h"
#include "platform/services.h"

namespace mt {

RecordingController::RecordingController(Window window, QObject* parent)
    : QObject(parent), window_(std::move(window)) {
    startAction_ = new QAction(tr("开始记录(&R)…"), this);
    startAction_->setObjectName(QStringLiteral("StartRecordingAction"));
    startAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(startAction_, &QAction::triggered, this, &RecordingController::chooseFile);
    stopAction_ = new QAction(tr("停止记录(&S)"), this);
    stopAction_->setObjectName(QStringLiteral("StopRecordingAction"));
    stopAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    stopAction_->setEnabled(false);
    connect(stopAction_, &QAction::triggered, this, &RecordingController::stop);

    note_ = new QLabel(window_.widget);
    note_->setObjectName(QStringLiteral("RecordingLine"));
    note_->setVisible(false);
    note_->setContentsMargins(0, 0, 12, 0);  // apart from what follows it
}

void RecordingController::addToMenu(QMenu& menu) {
    menu.addAction(startAction_);
    menu.addAction(stopAction_);
}

void RecordingController::addToStatusBar(QStatusBar& bar) {
    bar.addPermanentWidget(note_);
}

void RecordingController::chooseFile() {
    // Not modal for the program: acquisition goes on while the user picks
    // a name, and a tick never waits for the dialog.
    auto* dialog = new QFileDialog(window_.widget, tr("开始记录"));
    dialog->setObjectName(QStringLiteral("RecordingFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(tr("CSV 文件 (*.csv)"));
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    const QFileInfo suggested(suggestedPath());
    dialog->setDirectory(suggested.absolutePath());
    dialog->selectFile(suggested.fileName());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!path.isEmpty()) {
            start(path);
        }
    });
    dialog->open();
}

QString RecordingController::suggestedPath() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return QDir(folder).filePath(
        RecordingFileName(window_.meterName, QDateTime::currentDateTime()));
}

bool RecordingController::start(const QString& path) {
    stop();
    delete file_;
    file_ = new DurableCsvFile(this);
    table_.emplace(window_.readings(), window_.withMode());
    QString reason;
    if (!file_->open(path, table_->header(), &reason)) {
        warn(tr("无法开始记录：%1。\n文件：%2").arg(reason, QDir::toNativeSeparators(path)));
        showState();
        return false;
    }
    connect(file_, &DurableCsvFile::rowWritten, this, &RecordingController::showState);
    connect(file_, &DurableCsvFile::failed, this, [this](const QString& why) {
        showState();
        warn(tr("记录已停止：%1。\n文件：%2\n已写入 %3 行。")
                 .arg(why, QDir::toNativeSeparators(file_->path()))
                 .arg(file_->rowsWritten()));
    });
    showState();
    return true;
}

void RecordingController::stop() {
    if (file_ != nullptr) {
        file_->close();
    }
    showState();
}

bool RecordingController::recording() const {
    return file_ != nullptr && file_->isOpen();
}

qint64 RecordingController::rows() const {
    return file_ != nullptr ? file_->rowsWritten() : 0;
}

void RecordingController::addTick(const TickReadings& tick) {
    if (recording()) {
        file_->append(table_->row(tick));
    }
}

void RecordingController::showState() {
    const bool on = recording();
    startAction_->setEnabled(!on);
    stopAction_->setEnabled(on);
    note_->setVisible(on);
    if (!on) {
        return;
    }
    const QString path = file_->path();
    // A long file name is shortened in its middle, so that the status bar
    // never widens the window; the tooltip has the whole path.
    const QString prefix = tr("记录中：");
    const QString rows = tr("，%1 行").arg(file_->rowsWritten());
    const QFontMetrics metrics(note_->font());
    const int room = window_.noteWidth - metrics.horizontalAdvance(prefix + rows);
    note_->setText(prefix +
                   metrics.elidedText(QFileInfo(path).fileName(), Qt::ElideMiddle,
                                      std::max(room, metrics.averageCharWidth() * 8)) +
                   rows);
    note_->setToolTip(QDir::toNativeSeparators(path));
    note_->setAccessibleName(note_->text());
}

void RecordingController::warn(const QString& text) {
    // One box for the window, shown without waiting for an answer, so that
    // acquisition never stops for it; a later warning replaces its text.
    auto* box = window_.widget->findChild<QMessageBox*>(QStringLiteral("RecordingWarning"),
                                                        Qt::FindDirectChildrenOnly);
    if (box == nullptr) {
        box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok,
                              window_.widget);
        box->setObjectName(QStringLiteral("RecordingWarning"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
    }
    box->setText(text);
    box->show();
}

}  // namespace mt
