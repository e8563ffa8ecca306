// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysiswindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/phasorview.h"

namespace mt {

namespace {

QColor VerdictColour(Verdict verdict) {
    switch (verdict) {
        case Verdict::Fault:
            return {192, 0, 0};
        case Verdict::Attention:
            return {160, 96, 0};
        case Verdict::Normal:
            return {0, 112, 0};
        case Verdict::NoData:
            break;
    }
    return {96, 96, 96};
}

QTableWidgetItem* ReadOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(text);
    return item;
}

}  // namespace

AnalysisWindow::AnalysisWindow(MeterKind kind, QWidget* parent)
    : QWidget(parent, Qt::Window), kind_(kind) {
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(tr("三相分析"));
    setAccessibleName(windowTitle());

    conclusionLine = new QLabel(this);
    conclusionLine->setObjectName(QStringLiteral("ConclusionLine"));
    conclusionLine->setWordWrap(true);
    conclusionLine->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
    QFont bold = conclusionLine->font();
    bold.setBold(true);
    conclusionLine->setFont(bold);

    tickLine = new QLabel(this);
    tickLine->setObjectName(QStringLiteral("TickLine"));

    phasorView = new PhasorView(this);

    checkTable = new QTableWidget(0, 4, this);
    checkTable->setObjectName(QStringLiteral("CheckTable"));
    checkTable->setAccessibleName(tr("接线与读数检查"));
    checkTable->setHorizontalHeaderLabels(
        {tr("检查"), tr("结论"), tr("测量值"), tr("可能原因与现场检查")});
    checkTable->verticalHeader()->hide();
    checkTable->setWordWrap(true);
    checkTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    checkTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    checkTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    checkTable->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    checkTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    checkTable->setSelectionBehavior(QAbstractItemView::SelectRows);

    thresholdTable = new QTableWidget(0, 4, this);
    thresholdTable->setObjectName(QStringLiteral("ThresholdTable"));
    thresholdTable->setAccessibleName(tr("阈值"));
    thresholdTable->setHorizontalHeaderLabels({tr("阈值"), tr("数值"), tr("单位"), tr("来源")});
    thresholdTable->verticalHeader()->hide();
    thresholdTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    thresholdTable->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    fillThresholds();
    connect(thresholdTable, &QTableWidget::cellChanged, this, &AnalysisWindow::thresholdEdited);

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("AnalysisTabs"));
    tabs->addTab(checkTable, tr("检查(&K)"));
    tabs->addTab(thresholdTable, tr("阈值(&L)"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(phasorView);
    splitter->addWidget(tabs);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);

    auto* frequencyLabel = new QLabel(tr("额定频率(&F)："), this);
    nominalFrequencyList = new QComboBox(this);
    nominalFrequencyList->setObjectName(QStringLiteral("NominalFrequencyList"));
    nominalFrequencyList->setAccessibleName(tr("额定频率"));
    nominalFrequencyList->addItem(QStringLiteral("50 Hz"), 50.0);
    nominalFrequencyList->addItem(QStringLiteral("60 Hz"), 60.0);
    frequencyLabel->setBuddy(nominalFrequencyList);
    connect(nominalFrequencyList, &QComboBox::currentIndexChanged, this, [this] {
        thresholds_.nominalFrequency = nominalFrequencyList->currentData().toDouble();
        rerun();
    });

    copyButton = new QPushButton(tr("复制相量图(&C)"), this);
    copyButton->setObjectName(QStringLiteral("CopyPictureButton"));
    copyButton->setAccessibleName(tr("复制相量图"));
    connect(copyButton, &QPushButton::clicked, this, &AnalysisWindow::copyPicture);
    saveButton = new QPushButton(tr("保存相量图(&S)…"), this);
    saveButton->setObjectName(QStringLiteral("SavePictureButton"));
    saveButton->setAccessibleName(tr("保存相量图"));
    connect(saveButton, &QPushButton::clicked, this, &AnalysisWindow::savePicture);

    messageLine = new QLabel(this);
    messageLine->setObjectName(QStringLiteral("MessageLine"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(frequencyLabel);
    bottom->addWidget(nominalFrequencyList);
    bottom->addSpacing(12);
    bottom->addWidget(copyButton);
    bottom->addWidget(saveButton);
    bottom->addWidget(messageLine, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(conclusionLine);
    layout->addWidget(tickLine);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    resize(1100, 620);

    rerun();
}

void AnalysisWindow::showTick(const TickReadings& tick) {
    tick_ = tick;
    rerun();
}

PhasorDiagram AnalysisWindow::diagram() const {
    return PhasorsOf(readings_, thresholds_);
}

QString AnalysisWindow::conclusion() const {
    return Conclusion(results_);
}

void AnalysisWindow::rerun() {
    readings_ = ReadPhaseValues(kind_, tick_.mode, tick_.texts);
    results_ = RunChecks(readings_, thresholds_);
    phasorView->setDiagram(diagram());
    conclusionLine->setText(tr("结论：") + conclusion());
    conclusionLine->setAccessibleName(conclusionLine->text());
    if (tick_.summary.number == 0) {
        tickLine->setText(tr("等待采集：每次采集结束后刷新。"));
    } else {
        tickLine->setText(
            tr("第 %1 次采集（%2），请求 %3，正常 %4；本次没有刷新的数值按无数据处理。")
                .arg(tick_.summary.number)
                .arg(tick_.summary.startedAt.toString(QStringLiteral("HH:mm:ss")))
                .arg(tick_.summary.requestsSent)
                .arg(tick_.summary.requestsAccepted));
    }
    fillChecks();
}

void AnalysisWindow::fillChecks() {
    checkTable->setRowCount(static_cast<int>(results_.size()));
    for (int row = 0; row < static_cast<int>(results_.size()); ++row) {
        const CheckResult& c = results_[static_cast<std::size_t>(row)];
        checkTable->setItem(row, 0, ReadOnlyItem(c.name));
        QTableWidgetItem* verdict = ReadOnlyItem(VerdictText(c.verdict));
        verdict->setForeground(VerdictColour(c.verdict));
        QFont font = verdict->font();
        font.setBold(c.verdict == Verdict::Fault || c.verdict == Verdict::Attention);
        verdict->setFont(font);
        checkTable->setItem(row, 1, verdict);
        checkTable->setItem(row, 2, ReadOnlyItem(c.figures));
        checkTable->setItem(row, 3, ReadOnlyItem(c.advice));
    }
}

void AnalysisWindow::fillThresholds() {
    filling_ = true;
    const auto table = ThresholdTable();
    thresholdTable->setRowCount(static_cast<int>(table.size()));
    for (int row = 0; row < static_cast<int>(table.size()); ++row) {
        const ThresholdInfo& info = table[static_cast<std::size_t>(row)];
        thresholdTable->setItem(row, 0, ReadOnlyItem(info.name));
        auto* value = new QTableWidgetItem(
            QLocale::c().toString(thresholds_.*info.member * info.shownFactor, 'g', 6));
        value->setToolTip(tr("双击或按 F2 修改"));
        thresholdTable->setItem(row, 1, value);
        thresholdTable->setItem(row, 2, ReadOnlyItem(info.unit));
        thresholdTable->setItem(row, 3, ReadOnlyItem(info.source));
    }
    filling_ = false;
}

void AnalysisWindow::thresholdEdited(int row, int column) {
    const auto table = ThresholdTable();
    if (filling_ || column != 1 || row < 0 || row >= static_cast<int>(table.size())) {
        return;
    }
    const ThresholdInfo& info = table[static_cast<std::size_t>(row)];
    bool ok = false;
    const QString text = thresholdTable->item(row, 1)->text().trimmed();
    const double shown = QLocale::c().toDouble(text, &ok);
    // Limits are positive and finite; percentages stay below 1000 %.
    if (!ok || !(shown > 0) || !std::isfinite(shown) || shown > 1000) {
        say(tr("“%1”不是有效的阈值，已恢复原值。").arg(text));
    } else {
        thresholds_.*info.member = shown / info.shownFactor;
        say(tr("%1 改为 %2 %3").arg(info.name, text, info.unit));
    }
    fillThresholds();
    rerun();
}

void AnalysisWindow::copyPicture() {
    QApplication::clipboard()->setImage(phasorView->picture(phasorView->size()));
    say(tr("相量图已复制。"));
}

void AnalysisWindow::savePicture() {
    auto* dialog = new QFileDialog(
        this, tr("保存相量图"),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + tr("/相量图.png"),
        tr("PNG 图片 (*.png)"));
    dialog->setObjectName(QStringLiteral("SavePictureDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        QImageWriter writer(path, "png");
        if (writer.write(phasorView->picture(phasorView->size(), 2.0))) {
            say(tr("相量图已保存：%1").arg(path));
        } else {
            say(tr("相量图没有保存：%1").arg(writer.errorString()));
        }
    });
    dialog->open();
}

void AnalysisWindow::say(const QString& text) {
    messageLine->setText(text);
    messageLine->setAccessibleName(text);
}

}  // namespace mt
