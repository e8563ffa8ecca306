// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficwindow.h"

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

#include "csv/csvtext.h"
#include "platform/services.h"

namespace mt {

TrafficWindow::TrafficWindow(const QString& meterName, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(tr("通信监视 - %1 - %2").arg(AppTitle(), meterName));
    setAccessibleName(tr("通信监视"));

    // A table with rows of one fixed height: adding and dropping rows then
    // costs the view little however many it holds.
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("TrafficView"));
    view_->setAccessibleName(tr("通信帧列表"));
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
                          metrics.horizontalAdvance(tr("接收")) + 24);
    view_->setColumnWidth(TrafficModel::OutcomeColumn,
                          metrics.horizontalAdvance(tr("异常应答 04 从站设备故障")) + 16);
    view_->setColumnWidth(TrafficModel::ResponseColumn,
                          metrics.horizontalAdvance(tr("响应时间 (ms)")) + 24);

    buildButtons();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttonRow_);
    layout->addWidget(view_);

    saveDialog_ = [](QWidget* owner, QString* filter) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileDialog::getSaveFileName(owner, tr("保存通信记录"), folder + tr("/通信记录.txt"),
                                            textFilter() + QStringLiteral(";;") + csvFilter(),
                                            filter);
    };
    resize(metrics.horizontalAdvance(QLatin1Char('0')) * 110, metrics.height() * 32);
    showCounts();
}

// Pause, clear, copy and save, and the counts at the row's end.
void TrafficWindow::buildButtons() {
    pauseButton_ = new QPushButton(tr("暂停(&P)"), this);
    pauseButton_->setObjectName(QStringLiteral("PauseButton"));
    pauseButton_->setCheckable(true);
    pauseButton_->setAccessibleName(tr("暂停"));
    auto* clearButton = new QPushButton(tr("清空(&L)"), this);
    clearButton->setObjectName(QStringLiteral("ClearButton"));
    clearButton->setAccessibleName(tr("清空"));
    auto* copyButton = new QPushButton(tr("复制(&C)"), this);
    copyButton->setObjectName(QStringLiteral("CopyButton"));
    copyButton->setAccessibleName(tr("复制所选行"));
    auto* saveButton = new QPushButton(tr("保存(&S)…"), this);
    saveButton->setObjectName(QStringLiteral("SaveButton"));
    saveButton->setAccessibleName(tr("保存"));
    countsLine_ = new QLabel(this);
    countsLine_->setObjectName(QStringLiteral("CountsLine"));

    buttonRow_ = new QHBoxLayout;
    buttonRow_->addWidget(pauseButton_);
    buttonRow_->addWidget(clearButton);
    buttonRow_->addWidget(copyButton);
    buttonRow_->addWidget(saveButton);
    buttonRow_->addStretch(1);
    buttonRow_->addWidget(countsLine_);

    connect(pauseButton_, &QPushButton::toggled, this, &TrafficWindow::setPaused);
    connect(clearButton, &QPushButton::clicked, this, &TrafficWindow::clear);
    connect(copyButton, &QPushButton::clicked, this, &TrafficWindow::copySelection);
    connect(saveButton, &QPushButton::clicked, this, &TrafficWindow::onSaveClicked);
    auto* copy = new QShortcut(QKeySequence::Copy, view_);
    connect(copy, &QShortcut::activated, this, &TrafficWindow::copySelection);
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
    pauseButton_->setText(paused ? tr("继续(&P)") : tr("暂停(&P)"));
    pauseButton_->setAccessibleName(paused ? tr("继续") : tr("暂停"));
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
    QString text = tr("共 %1 帧").arg(model_.rowCount());
    if (model_.dropped() > 0) {
        text += tr("，较早的 %1 帧已舍弃").arg(model_.dropped());
    }
    if (paused_) {
        text += tr("，已暂停（未显示 %1 帧）").arg(missedWhilePaused_);
    }
    if (!lastSaveNote_.isEmpty()) {
        text += tr("；") + lastSaveNote_;
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
        lines << model_.rowCells(row).join(QLatin1Char('\t'));
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
    // CSV as every export of the program writes it; text with tabs.
    const bool csv =
        QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    const auto line = [csv](const QStringList& cells) {
        return csv ? CsvLine(cells) : cells.join(QLatin1Char('\t')).toUtf8() + '\n';
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (failure != nullptr) {
            *failure = file.errorString();
        }
        return false;
    }
    QStringList header;
    for (int column = 0; column < TrafficModel::kColumns; ++column) {
        header << model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QByteArray text = csv ? CsvByteOrderMark() : QByteArray();
    text += line(header);
    for (int row = 0; row < model_.rowCount(); ++row) {
        text += line(model_.rowCells(row));
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
        lastSaveNote_ = tr("已保存到 %1").arg(QFileInfo(path).fileName());
    } else {
        lastSaveNote_ = tr("保存失败：%1").arg(failure);
    }
    showCounts();
}

}  // namespace mt
