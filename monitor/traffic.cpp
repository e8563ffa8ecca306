// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "linediagnostics.h"
#include "platform/services.h"

namespace mt {

namespace {

QString CsvCell(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

TrafficModel::TrafficModel(int capacity, QObject* parent)
    : QAbstractTableModel(parent), ring_(static_cast<std::size_t>(std::max(1, capacity))) {}

void TrafficModel::append(TrafficFrame frame) {
    const int capacity = this->capacity();
    if (size_ == capacity) {
        beginRemoveRows({}, 0, 0);
        first_ = (first_ + 1) % capacity;
        --size_;
        ++dropped_;
        endRemoveRows();
    }
    beginInsertRows({}, size_, size_);
    ring_[static_cast<std::size_t>((first_ + size_) % capacity)] = std::move(frame);
    ++size_;
    endInsertRows();
}

void TrafficModel::append(std::vector<TrafficFrame> frames) {
    const int capacity = this->capacity();
    if (frames.size() > static_cast<std::size_t>(capacity)) {
        dropped_ += static_cast<qint64>(frames.size()) - capacity;
        frames.erase(frames.begin(), frames.end() - capacity);
    }
    const int incoming = static_cast<int>(frames.size());
    if (incoming == 0) {
        return;
    }
    const int leaving = std::max(0, size_ + incoming - capacity);
    if (leaving > 0) {
        beginRemoveRows({}, 0, leaving - 1);
        first_ = (first_ + leaving) % capacity;
        size_ -= leaving;
        dropped_ += leaving;
        endRemoveRows();
    }
    beginInsertRows({}, size_, size_ + incoming - 1);
    for (TrafficFrame& frame : frames) {
        ring_[static_cast<std::size_t>((first_ + size_) % capacity)] = std::move(frame);
        ++size_;
    }
    endInsertRows();
}

void TrafficModel::clear() {
    beginResetModel();
    for (TrafficFrame& frame : ring_) {
        frame = TrafficFrame{};
    }
    first_ = 0;
    size_ = 0;
    dropped_ = 0;
    endResetModel();
}

const TrafficFrame& TrafficModel::frame(int row) const {
    return ring_[static_cast<std::size_t>((first_ + row) % capacity())];
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size_;
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString TrafficModel::cellText(int row, int column) const {
    const TrafficFrame& f = frame(row);
    const bool sent = f.direction == TrafficFrame::Direction::Sent;
    switch (column) {
        case TimeColumn:
            return f.time.toString(QStringLiteral("HH:mm:ss.zzz"));
        case DirectionColumn:
            return sent ? QStringLiteral("发送") : QStringLiteral("接收");
        case BytesColumn:
            return f.bytes.isEmpty() ? QStringLiteral("（无）")
                                     : QString::fromLatin1(f.bytes.toHex(' ').toUpper());
        case OutcomeColumn:
            return f.outcome;
        case ResponseColumn:
            return f.responseMs < 0 ? QString() : QString::number(f.responseMs);
        default:
            return {};
    }
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= size_) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return cellText(index.row(), index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() == ResponseColumn) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case TimeColumn:
            return QStringLiteral("时间");
        case DirectionColumn:
            return QStringLiteral("方向");
        case BytesColumn:
            return QStringLiteral("数据（十六进制）");
        case OutcomeColumn:
            return QStringLiteral("结果");
        case ResponseColumn:
            return QStringLiteral("响应时间 (ms)");
        default:
            return {};
    }
}

QString TrafficModel::rowText(int row, QChar separator) const {
    QStringList cells;
    for (int column = 0; column < kColumns; ++column) {
        const QString text = cellText(row, column);
        cells << (separator == QLatin1Char(',') ? CsvCell(text) : text);
    }
    return cells.join(separator);
}

TrafficFrame SentFrame(const RequestRecord& record) {
    return {record.sentAt, TrafficFrame::Direction::Sent, record.sent, {}, -1};
}

TrafficFrame ReceivedFrame(const RequestRecord& record) {
    QString outcome = OutcomeName(record.check.outcome);
    if (record.check.outcome == AnswerOutcome::Exception) {
        outcome += QStringLiteral(" %1 %2").arg(QString::number(record.check.exceptionCode, 16)
                                                    .rightJustified(2, QLatin1Char('0'))
                                                    .toUpper(),
                                                ExceptionMeaning(record.check.exceptionCode));
    }
    if (record.cutShort) {
        outcome += QStringLiteral("（串口已关闭）");
    }
    const QDateTime time =
        record.lastByteAt.isValid() ? record.lastByteAt : QDateTime::currentDateTime();
    return {time, TrafficFrame::Direction::Received, record.received, outcome, record.responseMs};
}

TrafficWindow::TrafficWindow(const QString& meterName, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(QStringLiteral("通信监视 - %1 - %2").arg(kAppTitle, meterName));
    setAccessibleName(QStringLiteral("通信监视"));

    // A table with rows of one fixed height: adding and dropping rows then
    // costs the view little however many it holds.
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("TrafficView"));
    view_->setAccessibleName(QStringLiteral("通信帧列表"));
    view_->setModel(&model_);
    view_->setAlternatingRowColors(true);
    view_->setShowGrid(false);
    view_->setWordWrap(false);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->horizontalHeader()->setSectionResizeMode(TrafficModel::BytesColumn,
                                                    QHeaderView::Stretch);
    const QFontMetrics metrics(view_->font());
    view_->setColumnWidth(TrafficModel::TimeColumn,
                          metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 24);
    view_->setColumnWidth(TrafficModel::DirectionColumn,
                          metrics.horizontalAdvance(QStringLiteral("接收")) + 24);
    view_->setColumnWidth(
        TrafficModel::OutcomeColumn,
        metrics.horizontalAdvance(QStringLiteral("异常应答 04 从站设备故障")) + 16);
    view_->setColumnWidth(TrafficModel::ResponseColumn,
                          metrics.horizontalAdvance(QStringLiteral("响应时间 (ms)")) + 24);

    pauseButton_ = new QPushButton(QStringLiteral("暂停(&P)"), this);
    pauseButton_->setObjectName(QStringLiteral("PauseButton"));
    pauseButton_->setCheckable(true);
    pauseButton_->setAccessibleName(QStringLiteral("暂停"));
    auto* clearButton = new QPushButton(QStringLiteral("清空(&L)"), this);
    clearButton->setObjectName(QStringLiteral("ClearButton"));
    clearButton->setAccessibleName(QStringLiteral("清空"));
    auto* copyButton = new QPushButton(QStringLiteral("复制(&C)"), this);
    copyButton->setObjectName(QStringLiteral("CopyButton"));
    copyButton->setAccessibleName(QStringLiteral("复制所选行"));
    auto* saveButton = new QPushButton(QStringLiteral("保存(&S)…"), this);
    saveButton->setObjectName(QStringLiteral("SaveButton"));
    saveButton->setAccessibleName(QStringLiteral("保存"));
    countsLine_ = new QLabel(this);
    countsLine_->setObjectName(QStringLiteral("CountsLine"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pauseButton_);
    buttons->addWidget(clearButton);
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch(1);
    buttons->addWidget(countsLine_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(view_);

    connect(pauseButton_, &QPushButton::toggled, this, &TrafficWindow::setPaused);
    connect(clearButton, &QPushButton::clicked, this, &TrafficWindow::clear);
    connect(copyButton, &QPushButton::clicked, this, &TrafficWindow::copySelection);
    connect(saveButton, &QPushButton::clicked, this, &TrafficWindow::onSaveClicked);
    auto* copy = new QShortcut(QKeySequence::Copy, view_);
    connect(copy, &QShortcut::activated, this, &TrafficWindow::copySelection);

    saveDialog_ = [](QWidget* owner, QString* filter) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileDialog::getSaveFileName(
            owner, QStringLiteral("保存通信记录"), folder + QStringLiteral("/通信记录.txt"),
            kTextFilter + QStringLiteral(";;") + kCsvFilter, filter);
    };
    resize(metrics.horizontalAdvance(QLatin1Char('0')) * 110, metrics.height() * 32);
    showCounts();
}

void TrafficWindow::addFrame(TrafficFrame frame) {
    if (paused_) {
        ++missedWhilePaused_;
        showCounts();
        return;
    }
    pending_.push_back(std::move(frame));
    if (!flushQueued_ && !held_) {
        flushQueued_ = true;
        QMetaObject::invokeMethod(this, &TrafficWindow::flush, Qt::QueuedConnection);
    }
}

void TrafficWindow::holdUpdates(bool hold) {
    held_ = hold;
    if (!hold && !pending_.empty() && !flushQueued_) {
        flushQueued_ = true;
        QMetaObject::invokeMethod(this, &TrafficWindow::flush, Qt::QueuedConnection);
    }
}

void TrafficWindow::flush() {
    flushQueued_ = false;
    if (pending_.empty()) {
        return;
    }
    // Follows the newest frame only while the user has not scrolled away
    // from the end.
    const QScrollBar* bar = view_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    model_.append(std::exchange(pending_, {}));
    if (atEnd) {
        view_->scrollToBottom();
    }
    showCounts();
}

void TrafficWindow::setPaused(bool paused) {
    paused_ = paused;
    if (!paused) {
        missedWhilePaused_ = 0;
    }
    pauseButton_->setChecked(paused);
    pauseButton_->setText(paused ? QStringLiteral("继续(&P)") : QStringLiteral("暂停(&P)"));
    pauseButton_->setAccessibleName(paused ? QStringLiteral("继续") : QStringLiteral("暂停"));
    showCounts();
}

void TrafficWindow::clear() {
    pending_.clear();
    model_.clear();
    missedWhilePaused_ = 0;
    lastSaveNote_.clear();
    showCounts();
}

void TrafficWindow::showCounts() {
    QString text = QStringLiteral("共 %1 帧").arg(model_.rowCount());
    if (model_.dropped() > 0) {
        text += QStringLiteral("，较早的 %1 帧已舍弃").arg(model_.dropped());
    }
    if (paused_) {
        text += QStringLiteral("，已暂停（未显示 %1 帧）").arg(missedWhilePaused_);
    }
    if (!lastSaveNote_.isEmpty()) {
        text += QStringLiteral("；") + lastSaveNote_;
    }
    countsLine_->setText(text);
}

QString TrafficWindow::selectedText() const {
    QList<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (int row : rows) {
        lines << model_.rowText(row, QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void TrafficWindow::copySelection() const {
    const QString text = selectedText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

bool TrafficWindow::saveTo(const QString& path, QString* failure) {
    flush();
    const bool csv =
        QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    const QChar separator = csv ? QLatin1Char(',') : QLatin1Char('\t');
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (failure != nullptr) {
            *failure = file.errorString();
        }
        return false;
    }
    QByteArray text;
    if (csv) {
        text += "\xEF\xBB\xBF";  // UTF-8 byte-order mark, for spreadsheet programs
    }
    QStringList header;
    for (int column = 0; column < TrafficModel::kColumns; ++column) {
        header << model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    const QByteArray lineEnd = csv ? "\r\n" : "\n";
    text += header.join(separator).toUtf8() + lineEnd;
    for (int row = 0; row < model_.rowCount(); ++row) {
        text += model_.rowText(row, separator).toUtf8() + lineEnd;
    }
    if (file.write(text) != text.size() || !file.commit()) {
        if (failure != nullptr) {
            *failure = file.errorString();
        }
        return false;
    }
    return true;
}

void TrafficWindow::onSaveClicked() {
    QString filter;
    const QString path = saveDialog_(this, &filter);
    if (path.isEmpty()) {
        return;
    }
    QString failure;
    if (saveTo(path, &failure)) {
        lastSaveNote_ = QStringLiteral("已保存到 %1").arg(QFileInfo(path).fileName());
    } else {
        lastSaveNote_ = QStringLiteral("保存失败：%1").arg(failure);
        emit saveFailed(failure);
    }
    showCounts();
}

}  // namespace mt
