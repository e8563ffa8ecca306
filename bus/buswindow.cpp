// SPDX-License-Identifier: GPL-3.0-or-later
#include "buswindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include "acquisition/outcomes.h"
#include "bus/busreads.h"
#include "bus/bustablemodel.h"
#include "csv/csvtext.h"
#include "csv/durablecsvfile.h"
#include "link/request.h"

namespace mt {

namespace {

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return button;
}

// The intervals offered, in ms; 0 is as fast as the line allows.
constexpr int kIntervals[] = {0, 1000, 2000, 5000, 10000, 60000};

}  // namespace

BusWindow::BusWindow(Hooks hooks, BusFamilies families, SerialPort& monitorPort,
                     std::unique_ptr<SerialPort> ownPort, QWidget* parent)
    : QWidget(parent, Qt::Window),
      hooks_(std::move(hooks)),
      port_(monitorPort),
      ownPort_(std::move(ownPort)) {
    setObjectName(QStringLiteral("BusWindow"));
    setWindowTitle(tr("总线巡检"));
    poller_ = new BusPoller(ownPort_ ? *ownPort_ : port_, std::move(families), this);
    model_ = new BusTableModel(*poller_, this);
    filter_ = new BusFilterModel(this);
    filter_->setSourceModel(model_);
    csv_ = new DurableCsvFile(this);
    build();

    // The filter follows a row's change by itself (dynamic filtering and
    // sorting): invalidating it would rebuild the whole table, and with it
    // every cell that screen readers and UI automation hold.
    connect(poller_, &BusPoller::meterChanged, this, [this](int row) { model_->refreshRow(row); });
    connect(poller_, &BusPoller::roundFinished, this, [this](quint64 round, qint64 ms) {
        recordRound(round);
        // Freshness is judged by the last completed round: every row may change shade.
        model_->refreshRow(-1);
        if (model_->rowCount() > 0) {
            emit model_->dataChanged(
                model_->index(0, 0),
                model_->index(model_->rowCount() - 1, BusTableModel::ColumnCount - 1));
        }
        showStatus(tr("第 %1 轮用时 %2 ms，线路时间下限 %3 ms")
                       .arg(round)
                       .arg(ms)
                       .arg(qRound64(poller_->lastRoundLimitMs())));
    });
    connect(poller_, &BusPoller::failed, this, [this](const QString& reason) {
        stopPolling();
        showStatus(tr("巡检已停止：%1").arg(reason));
    });
    connect(model_, &BusTableModel::edited, this, [this](int row, const BusMeter& meter) {
        if (row >= 0 && row < list_.size()) {
            list_[row] = meter;
            listChanged();
        }
    });
    connect(csv_, &DurableCsvFile::failed, this, [this](const QString& reason) {
        recordButton->setText(tr("记录(&R)…"));
        showStatus(tr("记录已停止：%1").arg(reason));
    });
    refresh();
}

BusWindow::~BusWindow() {
    stopRecording();
    stopPolling();
    // The table asks its model while the window closes (QWidget's destructor
    // hides it), and the model reads the poller: detach both first. The poller
    // goes before the port it polls on.
    filter_->setSourceModel(nullptr);
    delete model_;
    model_ = nullptr;
    delete poller_;
    poller_ = nullptr;
}

void BusWindow::build() {
    auto* top = new QVBoxLayout(this);

    auto* runRow = new QHBoxLayout;
    startButton = Button(tr("开始巡检(&S)"), "BusStart", this);
    intervalList = new QComboBox(this);
    intervalList->setObjectName(QStringLiteral("BusInterval"));
    intervalList->setAccessibleName(tr("巡检间隔"));
    for (const int ms : kIntervals) {
        intervalList->addItem(ms == 0 ? tr("尽快") : tr("每 %1 s").arg(ms / 1000), ms);
    }
    filterList = new QComboBox(this);
    filterList->setObjectName(QStringLiteral("BusFilter"));
    filterList->setAccessibleName(tr("显示"));
    filterList->addItems({tr("全部"), tr("只看有问题的"), tr("只看离线的")});
    recordButton = Button(tr("记录(&R)…"), "BusRecord", this);
    auto* intervalLabel = new QLabel(tr("间隔(&I)："), this);
    intervalLabel->setBuddy(intervalList);
    auto* filterLabel = new QLabel(tr("显示(&F)："), this);
    filterLabel->setBuddy(filterList);
    runRow->addWidget(startButton);
    runRow->addWidget(intervalLabel);
    runRow->addWidget(intervalList);
    runRow->addWidget(filterLabel);
    runRow->addWidget(filterList);
    runRow->addStretch();
    runRow->addWidget(recordButton);
    top->addLayout(runRow);

    auto* listRow = new QHBoxLayout;
    addressBox = new QSpinBox(this);
    addressBox->setObjectName(QStringLiteral("BusAddress"));
    addressBox->setAccessibleName(tr("地址"));
    addressBox->setRange(1, kMaxMeterAddress);
    familyList = new QComboBox(this);
    familyList->setObjectName(QStringLiteral("BusFamily"));
    familyList->setAccessibleName(tr("类型"));
    familyList->addItem(BusFamilyShown(MeterKind::PanelMount));
    familyList->addItem(BusFamilyShown(MeterKind::DinRail));
    nameEdit = new QLineEdit(this);
    nameEdit->setObjectName(QStringLiteral("BusName"));
    nameEdit->setAccessibleName(tr("名称"));
    nameEdit->setPlaceholderText(tr("名称，如 1#进线柜"));
    addButton = Button(tr("添加(&A)"), "BusAdd", this);
    removeButton = Button(tr("删除(&D)"), "BusRemove", this);
    importButton = Button(tr("导入(&O)…"), "BusImport", this);
    exportButton = Button(tr("导出(&E)…"), "BusExport", this);
    auto* addressLabel = new QLabel(tr("地址："), this);
    addressLabel->setBuddy(addressBox);
    listRow->addWidget(addressLabel);
    listRow->addWidget(addressBox);
    listRow->addWidget(familyList);
    listRow->addWidget(nameEdit, 1);
    listRow->addWidget(addButton);
    listRow->addWidget(removeButton);
    listRow->addWidget(importButton);
    listRow->addWidget(exportButton);
    top->addLayout(listRow);

    table = new QTableView(this);
    table->setObjectName(QStringLiteral("BusTable"));
    table->setAccessibleName(tr("仪表"));
    table->setModel(filter_);
    table->setSortingEnabled(true);
    table->sortByColumn(BusTableModel::AddressColumn, Qt::AscendingOrder);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(BusTableModel::NameColumn,
                                                    QHeaderView::Interactive);
    table->setColumnWidth(BusTableModel::NameColumn,
                          fontMetrics().horizontalAdvance(tr("1#进线柜总表")));
    top->addWidget(table, 1);

    statusLine = new QLabel(this);
    statusLine->setObjectName(QStringLiteral("BusStatus"));
    statusLine->setAccessibleName(tr("巡检状态"));
    statusLine->setWordWrap(true);
    statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(statusLine);
    // Wide enough for every column where the screen allows it.
    const int wanted = 1500;
    const int room = screen() != nullptr ? screen()->availableGeometry().width() - 40 : wanted;
    resize(std::min(wanted, std::max(800, room)), 480);

    connect(startButton, &QPushButton::clicked, this, [this] {
        if (poller_->running()) {
            stopPolling();
        } else {
            startPolling();
        }
    });
    connect(intervalList, &QComboBox::currentIndexChanged, this,
            [this] { poller_->setIntervalMs(intervalList->currentData().toInt()); });
    connect(filterList, &QComboBox::currentIndexChanged, this,
            [this](int index) { filter_->setFilter(static_cast<BusFilterModel::Filter>(index)); });
    connect(addButton, &QPushButton::clicked, this, [this] {
        const BusMeter meter{
            addressBox->value(),
            familyList->currentIndex() == 0 ? MeterKind::PanelMount : MeterKind::DinRail,
            nameEdit->text().trimmed(), true};
        if (addMeters({meter}) == 0) {
            showStatus(tr("地址 %1 已在列表中").arg(meter.address));
        } else {
            nameEdit->clear();
            addressBox->setValue(std::min(kMaxMeterAddress, meter.address + 1));
        }
    });
    connect(removeButton, &QPushButton::clicked, this, [this] {
        const QModelIndexList rows = table->selectionModel()->selectedRows();
        if (rows.isEmpty()) {
            return;
        }
        const int row = filter_->mapToSource(rows.first()).row();
        if (row >= 0 && row < list_.size()) {
            list_.removeAt(row);
            listChanged();
        }
    });
    connect(importButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("导入巡检列表"), {},
                                                          tr("CSV 文件 (*.csv);;所有文件 (*)"));
        if (!path.isEmpty()) {
            importList(path);
        }
    });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, tr("导出巡检列表"), tr("巡检列表.csv"), tr("CSV 文件 (*.csv)"));
        QString error;
        if (!path.isEmpty() && !exportList(path, &error)) {
            showStatus(tr("导出失败：%1").arg(error));
        }
    });
    connect(recordButton, &QPushButton::clicked, this, [this] {
        if (recording()) {
            stopRecording();
            return;
        }
        const QString path = QFileDialog::getSaveFileName(
            this, tr("巡检记录"),
            tr("巡检_%1.csv")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))),
            tr("CSV 文件 (*.csv)"));
        QString error;
        if (!path.isEmpty() && !startRecording(path, &error)) {
            showStatus(tr("无法记录：%1").arg(error));
        }
    });
    connect(table, &QTableView::activated, this, [this](const QModelIndex& index) {
        if (index.column() != BusTableModel::NameColumn &&
            index.column() != BusTableModel::EnabledColumn) {
            openRow(filter_->mapToSource(index).row());
        }
    });
    showRunning();
}

QString BusWindow::listPath(int portNumber) {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/bus/com%1.csv").arg(portNumber);
}

void BusWindow::refresh() {
    const int portNumber = hooks_.portNumber ? hooks_.portNumber() : 1;
    if (portNumber == listPort_) {
        return;
    }
    stopPolling();
    listPort_ = portNumber;
    QList<BusMeter> meters;
    QFile file(listPath(portNumber));
    if (file.open(QIODevice::ReadOnly)) {
        meters = ParseBusList(file.read(1 << 20)).meters;
    }
    list_ = meters;
    poller_->setMeters(list_);
    model_->reload();
    setWindowTitle(tr("总线巡检 - com%1").arg(portNumber));
}

void BusWindow::setList(const QList<BusMeter>& meters) {
    list_.clear();
    for (const BusMeter& meter : meters) {
        AddBusMeter(list_, meter);
    }
    listChanged();
}

int BusWindow::addMeters(const QList<BusMeter>& meters) {
    int added = 0;
    for (const BusMeter& meter : meters) {
        added += AddBusMeter(list_, meter) ? 1 : 0;
    }
    if (added > 0) {
        listChanged();
    }
    return added;
}

void BusWindow::listChanged() {
    poller_->setMeters(list_);
    model_->reload();
    saveList();
}

void BusWindow::saveList() {
    const QString path = listPath(listPort_);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BusListCsv(list_)) < 0 || !file.commit()) {
        showStatus(tr("巡检列表无法保存：%1").arg(file.errorString()));
    }
}

BusListImport BusWindow::importList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showStatus(tr("无法读取 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return {};
    }
    const BusListImport imported = ParseBusList(file.read(4 << 20), list_);
    list_.append(imported.meters);
    listChanged();
    QStringList lines;
    lines << tr("导入 %1 台仪表").arg(imported.meters.size());
    if (!imported.problems.isEmpty()) {
        lines.last() += tr("，跳过 %1 行：").arg(imported.problems.size());
        for (const BusListProblem& problem : imported.problems) {
            lines << tr("第 %1 行（%2）：%3").arg(problem.line).arg(problem.text, problem.reason);
        }
    }
    showStatus(lines.join(QLatin1Char('\n')));
    return imported;
}

bool BusWindow::exportList(const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BusListCsv(list_)) < 0 || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    showStatus(tr("已导出 %1 台仪表到 %2").arg(list_.size()).arg(QDir::toNativeSeparators(path)));
    return true;
}

bool BusWindow::startPolling() {
    if (poller_->running()) {
        return true;
    }
    if (list_.isEmpty()) {
        showStatus(tr("列表中没有仪表：请添加、导入，或从搜索结果加入"));
        return false;
    }
    hooks_.stopAcquisition();
    portWasOpen_ = port_.isOpen();
    if (!hooks_.takePort()) {
        showStatus(tr("串口无法关闭，巡检没有开始"));
        return false;
    }
    holdingPort_ = true;
    const QString settings = hooks_.lineSettings();
    const PortResult started = poller_->start(hooks_.portNumber(), settings);
    if (!started) {
        holdingPort_ = false;
        hooks_.givePortBack(portWasOpen_);
        showStatus(tr("串口打不开，巡检没有开始：%1").arg(started.error().detail));
        showRunning();
        return false;
    }
    showStatus(tr("巡检 com%1，%2").arg(hooks_.portNumber()).arg(settings));
    showRunning();
    return true;
}

void BusWindow::stopPolling() {
    if (!holdingPort_) {
        return;
    }
    poller_->stop();
    holdingPort_ = false;
    hooks_.givePortBack(portWasOpen_);
    showRunning();
}

void BusWindow::showRunning() {
    const bool running = poller_->running();
    startButton->setText(running ? tr("停止巡检(&S)") : tr("开始巡检(&S)"));
    startButton->setAccessibleName(running ? tr("停止巡检") : tr("开始巡检"));
}

void BusWindow::openRow(int listRow) {
    if (listRow < 0 || listRow >= list_.size()) {
        return;
    }
    const BusMeter meter = list_.at(listRow);
    const QString settings = hooks_.lineSettings();
    stopPolling();
    if (hooks_.openMeter) {
        hooks_.openMeter(meter, settings);
    }
}

bool BusWindow::startRecording(const QString& path, QString* error) {
    const QStringList header = {tr("时间"),
                                tr("地址"),
                                tr("名称"),
                                tr("类型"),
                                tr("相电压(V)"),
                                QStringLiteral("Ia(A)"),
                                QStringLiteral("Ib(A)"),
                                QStringLiteral("Ic(A)"),
                                tr("总有功(kW)"),
                                tr("功率因数"),
                                tr("频率(Hz)"),
                                tr("结果")};
    if (!csv_->open(path, header, error)) {
        return false;
    }
    recordButton->setText(tr("停止记录(&R)"));
    showStatus(tr("记录到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void BusWindow::stopRecording() {
    if (csv_->isOpen()) {
        csv_->close();
    }
    if (recordButton != nullptr) {
        recordButton->setText(tr("记录(&R)…"));
    }
}

bool BusWindow::recording() const {
    return csv_->isOpen();
}

// One row per meter polled in the round: values that did not come in it are
// left empty, as in the monitors' recording.
void BusWindow::recordRound(quint64 round) {
    if (!csv_->isOpen()) {
        return;
    }
    const QString now = CsvTimeText(QDateTime::currentDateTime());
    const QList<BusMeterStatus>& meters = poller_->meters();
    for (int row = 0; row < meters.size(); ++row) {
        const BusMeterStatus& meter = meters.at(row);
        if (!meter.meter.enabled) {
            continue;
        }
        QStringList cells = {now, QString::number(meter.meter.address), meter.meter.name,
                             BusFamilyText(meter.meter.kind)};
        for (const int column :
             {BusTableModel::VoltageColumn, BusTableModel::IaColumn, BusTableModel::IbColumn,
              BusTableModel::IcColumn, BusTableModel::PowerColumn, BusTableModel::PowerFactorColumn,
              BusTableModel::FrequencyColumn}) {
            const QStringList fields = BusFieldsOf(column);
            const bool came = std::all_of(fields.begin(), fields.end(), [&](const QString& field) {
                return meter.textRounds.value(field) == round;
            });
            cells << (came ? model_->valueText(row, column) : QString());
        }
        cells << BusStateText(meter.state) + QLatin1Char(' ') + OutcomeName(meter.lastOutcome);
        csv_->append(cells);
    }
}

void BusWindow::showStatus(const QString& text) {
    statusLine->setText(text);
}

void BusWindow::closeEvent(QCloseEvent* event) {
    stopPolling();
    event->accept();
}

}  // namespace mt
