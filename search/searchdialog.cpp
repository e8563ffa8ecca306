// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "acquisition/meterfamily.h"
#include "link/request.h"
#include "platform/lineport.h"
#include "platform/linesettings.h"
#include "platform/portadvice.h"
#include "platform/portmap.h"

namespace mt {

namespace {

constexpr int kMaxTimeoutMs = 5000;
constexpr int kDefaultBaudCount = 4;  // the port panel's four

enum Column { AddressColumn, BaudColumn, ParityColumn, TypeColumn, ResponseColumn, ColumnCount };

QString LineText(const SearchLine& line) {
    return QStringLiteral("%1,%2,8,1").arg(line.baud).arg(QLatin1Char(line.parity));
}

QCheckBox* MakeCheckBox(const QString& text, const char* name, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    box->setChecked(checked);
    return box;
}

QSpinBox* MakeSpinBox(const char* name, const QString& accessibleName, int low, int high, int value,
                      QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessibleName);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

QPushButton* MakeDialogButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(
        QString(text).remove(QLatin1Char('&')).section(QLatin1Char('('), 0, 0));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QString DurationText(qint64 ms) {
    if (ms < 1000) {
        return SearchDialog::tr("不到 1 秒");
    }
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60) {
        return SearchDialog::tr("%1 秒").arg(seconds);
    }
    if (seconds < 3600) {
        return SearchDialog::tr("%1 分 %2 秒")
            .arg(seconds / 60)
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    const qint64 minutes = (seconds + 59) / 60;
    return SearchDialog::tr("%1 小时 %2 分")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString SearchFindText(const SearchFind& find) {
    switch (find.kind) {
        case SearchFind::Kind::Meter:
            return find.family ? MeterFamilyName(*find.family)
                               : SearchDialog::tr("仪表（类型未能确定）");
        case SearchFind::Kind::OtherDevice:
            return SearchDialog::tr("其他设备（异常应答 %1）")
                .arg(find.exceptionCode, 2, 16, QLatin1Char('0'))
                .toUpper();
        case SearchFind::Kind::BadCrc:
            return SearchDialog::tr("校验错误：可能波特率或校验位不符");
        case SearchFind::Kind::Garbled:
            return SearchDialog::tr("应答不完整：可能波特率或校验位不符");
        case SearchFind::Kind::LateAnswer:
            return SearchDialog::tr("应答来迟：请加大应答超时");
        case SearchFind::Kind::LineRefused:
            return SearchDialog::tr("串口不接受此设置，已跳过");
    }
    return {};
}

QString PortProblemText(const PortError& error, int portNumber) {
    const QString port = QStringLiteral("com%1").arg(portNumber);
    switch (error.kind) {
        case PortError::Kind::NoSuchPort:
            return SearchDialog::tr("%1 没有对应的设备：串口不存在或已拔出，无法搜索。").arg(port);
        case PortError::Kind::PortInUse:
        case PortError::Kind::NoPermission:
            // Who holds the port, or how to get the right to open it.
            return SearchDialog::tr("%1 %2，无法搜索。%3")
                .arg(port,
                     error.kind == PortError::Kind::PortInUse
                         ? SearchDialog::tr("正被其他程序占用")
                         : SearchDialog::tr("不允许本用户打开"),
                     PortOpenAdvice(error, PortDescription(portNumber)));
        case PortError::Kind::DeviceLost:
            return SearchDialog::tr("%1 在搜索中断开了（设备已拔出或已关闭）。").arg(port);
        case PortError::Kind::BadPortNumber:
            return SearchDialog::tr("所选串口无效：请在串口面板中选一个串口。");
        case PortError::Kind::BadSettings:
            return SearchDialog::tr("%1 不接受这组串口设置，无法搜索。").arg(port);
        default:
            break;
    }
    return SearchDialog::tr("%1 无法使用，搜索中止。").arg(port);
}

SearchDialog::SearchDialog(Hooks hooks, SerialPort& monitorPort, Services services, QWidget* parent)
    : QDialog(parent),
      hooks_(std::move(hooks)),
      monitorPort_(monitorPort),
      services_(std::move(services)) {
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(tr("搜索仪表 - ") + AppTitle());
    setModal(false);
    build();
    showRunning(false);
    refresh();
}

SearchDialog::~SearchDialog() {
    // The window is going away: the search ends without touching the panel.
    if (search_ != nullptr) {
        disconnect(search_, nullptr, this, nullptr);
        delete search_;
        search_ = nullptr;
    }
}

void SearchDialog::build() {
    auto* top = new QVBoxLayout(this);

    portLine = new QLabel(this);
    portLine->setObjectName(QStringLiteral("SearchPortLine"));
    portLine->setWordWrap(true);
    top->addWidget(portLine);
    top->addWidget(buildBaudFrame());
    top->addWidget(buildParityFrame());
    top->addLayout(buildOptions());
    buildRunRows(*top);
    buildResults(*top);
    connectControls();
}

// Baud rates: the panel's four first, then the rarer ones.
QWidget* SearchDialog::buildBaudFrame() {
    auto* baudFrame = new QGroupBox(tr("波特率"), this);
    baudFrame->setObjectName(QStringLiteral("SearchBaudFrame"));
    auto* baudGrid = new QGridLayout(baudFrame);
    for (int i = 0; i < kBauds.size(); ++i) {
        const int baud = kBauds[i];
        auto* box = MakeCheckBox(QString::number(baud), "", i < kDefaultBaudCount, baudFrame);
        box->setObjectName(QStringLiteral("SearchBaud%1").arg(baud));
        baudBoxes.insert(baud, box);
        baudGrid->addWidget(box, i / kDefaultBaudCount, i % kDefaultBaudCount);
    }
    return baudFrame;
}

QWidget* SearchDialog::buildParityFrame() {
    auto* parityFrame = new QGroupBox(tr("校验位"), this);
    parityFrame->setObjectName(QStringLiteral("SearchParityFrame"));
    auto* parityRow = new QHBoxLayout(parityFrame);
    const std::pair<char, QString> parities[] = {
        {'N', tr("无校验 N")}, {'E', tr("偶校验 E")}, {'O', tr("奇校验 O")}};
    for (const auto& [letter, text] : parities) {
        auto* box = MakeCheckBox(text, "", true, parityFrame);
        box->setObjectName(QStringLiteral("SearchParity%1").arg(QLatin1Char(letter)));
        parityBoxes.insert(letter, box);
        parityRow->addWidget(box);
    }
    parityRow->addStretch();
    auto* frameNote = new QLabel(tr("数据位 8，停止位 1（仪表使用 8 位数据）"), parityFrame);
    frameNote->setObjectName(QStringLiteral("SearchFrameNote"));
    parityRow->addWidget(frameNote);
    return parityFrame;
}

// The address range, the answer timeout and whether to stop at the first find.
QLayout* SearchDialog::buildOptions() {
    auto* options = new QGridLayout;
    auto* addressLabel = new QLabel(tr("地址范围(&A)："), this);
    firstAddressBox =
        MakeSpinBox("SearchFirstAddress", tr("起始地址"), 1, kMaxMeterAddress, 1, this);
    addressLabel->setBuddy(firstAddressBox);
    lastAddressBox = MakeSpinBox("SearchLastAddress", tr("结束地址"), 1, kMaxMeterAddress,
                                 kMaxMeterAddress, this);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(firstAddressBox);
    addressRow->addWidget(new QLabel(tr("至"), this));
    addressRow->addWidget(lastAddressBox);
    addressRow->addStretch();
    options->addWidget(addressLabel, 0, 0);
    options->addLayout(addressRow, 0, 1);

    auto* timeoutLabel = new QLabel(tr("应答超时(&T)："), this);
    timeoutBox = MakeSpinBox("SearchTimeout", tr("应答超时"), 0, kMaxTimeoutMs, 0, this);
    timeoutBox->setSingleStep(10);
    timeoutBox->setSuffix(QStringLiteral(" ms"));
    timeoutBox->setSpecialValueText(tr("自动"));
    timeoutBox->setValue(0);
    const QString automatic =
        tr("自动：按波特率计算，应答的传输时间加 %1 ms").arg(kTurnaroundMarginMs);
    timeoutBox->setToolTip(automatic);
    timeoutBox->setAccessibleDescription(automatic);
    timeoutLabel->setBuddy(timeoutBox);
    stopAtFirstBox = MakeCheckBox(tr("找到一台即停止(&F)"), "SearchStopAtFirst", false, this);
    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(timeoutBox);
    timeoutRow->addSpacing(16);
    timeoutRow->addWidget(stopAtFirstBox);
    timeoutRow->addStretch();
    options->addWidget(timeoutLabel, 1, 0);
    options->addLayout(timeoutRow, 1, 1);
    return options;
}

// Start and cancel with the estimate, the progress bar and its line.
void SearchDialog::buildRunRows(QVBoxLayout& top) {
    auto* runRow = new QHBoxLayout;
    startButton = MakeDialogButton(tr("开始搜索(&S)"), "SearchStart", this);
    startButton->setDefault(true);
    cancelButton = MakeDialogButton(tr("取消搜索(&C)"), "SearchCancel", this);
    estimateLine = new QLabel(this);
    estimateLine->setObjectName(QStringLiteral("SearchEstimate"));
    runRow->addWidget(startButton);
    runRow->addWidget(cancelButton);
    runRow->addSpacing(8);
    runRow->addWidget(estimateLine, 1);
    top.addLayout(runRow);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("SearchProgress"));
    progressBar->setAccessibleName(tr("搜索进度"));
    progressBar->setFormat(QStringLiteral("%v / %m"));
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    top.addWidget(progressBar);

    progressLine = new QLabel(this);
    progressLine->setObjectName(QStringLiteral("SearchProgressLine"));
    progressLine->setWordWrap(true);
    top.addWidget(progressLine);
}

// The finds, the note line, and "使用" and "关闭".
void SearchDialog::buildResults(QVBoxLayout& top) {
    resultsTable = new QTableWidget(0, ColumnCount, this);
    resultsTable->setObjectName(QStringLiteral("SearchResults"));
    resultsTable->setAccessibleName(tr("搜索结果"));
    resultsTable->setHorizontalHeaderLabels(
        {tr("地址"), tr("波特率"), tr("校验位"), tr("仪表类型"), tr("响应时间 (ms)")});
    resultsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsTable->setSelectionMode(QAbstractItemView::SingleSelection);
    resultsTable->setTabKeyNavigation(false);
    resultsTable->verticalHeader()->setVisible(false);
    QHeaderView* header = resultsTable->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TypeColumn, QHeaderView::Stretch);
    resultsTable->setMinimumHeight(resultsTable->fontMetrics().height() * 9);
    top.addWidget(resultsTable, 1);

    noteLine = new QLabel(this);
    noteLine->setObjectName(QStringLiteral("SearchNote"));
    noteLine->setWordWrap(true);
    noteLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top.addWidget(noteLine);

    auto* bottomRow = new QHBoxLayout;
    useButton = MakeDialogButton(tr("使用(&U)"), "SearchUse", this);
    useButton->setToolTip(tr("把选中仪表的地址、波特率和校验位填入串口面板"));
    closeButton = MakeDialogButton(tr("关闭"), "SearchClose", this);
    bottomRow->addWidget(useButton);
    addToBusButton = MakeDialogButton(tr("加入巡检(&B)"), "SearchAddToBus", this);
    addToBusButton->setToolTip(tr("把选中的仪表加入总线巡检的列表"));
    addAllToBusButton = MakeDialogButton(tr("全部加入巡检"), "SearchAddAllToBus", this);
    addAllToBusButton->setToolTip(tr("把找到的所有仪表加入总线巡检的列表"));
    addToBusButton->setVisible(static_cast<bool>(hooks_.addToBus));
    addAllToBusButton->setVisible(static_cast<bool>(hooks_.addToBus));
    addToBusButton->setEnabled(false);
    bottomRow->addWidget(addToBusButton);
    bottomRow->addWidget(addAllToBusButton);
    bottomRow->addStretch();
    bottomRow->addWidget(closeButton);
    top.addLayout(bottomRow);
}

void SearchDialog::connectControls() {
    connect(startButton, &QPushButton::clicked, this, &SearchDialog::startSearch);
    connect(cancelButton, &QPushButton::clicked, this, &SearchDialog::cancelSearch);
    connect(useButton, &QPushButton::clicked, this, &SearchDialog::useSelected);
    connect(addToBusButton, &QPushButton::clicked, this, [this] {
        const int row = selectedRow();
        if (row >= 0 && finds_[static_cast<std::size_t>(row)].kind == SearchFind::Kind::Meter) {
            addToBus({finds_[static_cast<std::size_t>(row)]});
        }
    });
    connect(addAllToBusButton, &QPushButton::clicked, this, [this] {
        std::vector<SearchFind> meters;
        std::copy_if(finds_.begin(), finds_.end(), std::back_inserter(meters),
                     [](const SearchFind& find) { return find.kind == SearchFind::Kind::Meter; });
        addToBus(meters);
    });
    connect(closeButton, &QPushButton::clicked, this, &SearchDialog::reject);
    connect(resultsTable, &QTableWidget::itemSelectionChanged, this,
            &SearchDialog::onSelectionChanged);
    connect(resultsTable, &QTableWidget::cellDoubleClicked, this, [this] { useSelected(); });
    // The range never turns round.
    connect(firstAddressBox, &QSpinBox::valueChanged, lastAddressBox, &QSpinBox::setMinimum);
    connect(lastAddressBox, &QSpinBox::valueChanged, firstAddressBox, &QSpinBox::setMaximum);
    for (QCheckBox* box : baudBoxes) {
        connect(box, &QCheckBox::toggled, this, &SearchDialog::refresh);
    }
    for (QCheckBox* box : parityBoxes) {
        connect(box, &QCheckBox::toggled, this, &SearchDialog::refresh);
    }
    for (QSpinBox* box : {firstAddressBox, lastAddressBox, timeoutBox}) {
        connect(box, &QSpinBox::valueChanged, this, &SearchDialog::refresh);
    }
}

SearchPlan SearchDialog::plan() const {
    // Behind a gateway the line's settings live in the gateway: only the
    // addresses are searched, at the settings the panel has.
    if (!LineSettingsApplyToPort(searching() ? searchPortNumber_ : hooks_.portNumber())) {
        const QByteArray text = monitorPort_.settings().toUtf8();
        const auto line = ParseLineSettings(
            std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        const char parity = line && line->parity == LineSettings::Parity::Even  ? 'E'
                            : line && line->parity == LineSettings::Parity::Odd ? 'O'
                                                                                : 'N';
        return SearchPlan::Make({line ? line->baud : 9600}, {parity}, firstAddressBox->value(),
                                lastAddressBox->value(), timeoutBox->value());
    }
    std::vector<int> bauds;
    for (auto it = baudBoxes.begin(); it != baudBoxes.end(); ++it) {
        if (it.value()->isChecked()) {
            bauds.push_back(it.key());
        }
    }
    std::vector<char> parities;
    for (auto it = parityBoxes.begin(); it != parityBoxes.end(); ++it) {
        if (it.value()->isChecked()) {
            parities.push_back(it.key());
        }
    }
    return SearchPlan::Make(std::move(bauds), std::move(parities), firstAddressBox->value(),
                            lastAddressBox->value(), timeoutBox->value());
}

void SearchDialog::showPortLine() {
    const int number = searching() ? searchPortNumber_ : hooks_.portNumber();
    const QString device = PortDescription(number);
    const QString where = device.isEmpty() ? tr("com%1（未找到对应设备）").arg(number)
                                           : tr("com%1（%2）").arg(number).arg(device);
    portLine->setText(number <= 0 ? tr("串口面板所选的串口无效：请先选一个串口。")
                      : searching() ? tr("正在 %1 上搜索").arg(where)
                                    : tr("在 %1 上搜索").arg(where));
}

void SearchDialog::refresh() {
    showPortLine();
    const bool lineSettings =
        LineSettingsApplyToPort(searching() ? searchPortNumber_ : hooks_.portNumber());
    for (QCheckBox* box : baudBoxes) {
        box->setEnabled(lineSettings && !searching());
    }
    for (QCheckBox* box : parityBoxes) {
        box->setEnabled(lineSettings && !searching());
    }
    if (!lineSettings && !searching()) {
        showNote(tr("网络端口：波特率和校验位在网关中设置，只搜索地址"), false);
    }
    const SearchPlan choice = plan();
    estimateLine->setText(choice.totalTries() == 0 ? tr("请至少选一个波特率和一个校验位")
                                                   : tr("共 %1 次试读，最长约 %2")
                                                         .arg(choice.totalTries())
                                                         .arg(DurationText(choice.timeLeftMs(0))));
    if (!searching()) {
        startButton->setEnabled(choice.totalTries() > 0);
        progressBar->setRange(0, std::max(1, choice.totalTries()));
        progressBar->setValue(0);
    }
}

void SearchDialog::showEvent(QShowEvent* event) {
    refresh();
    QDialog::showEvent(event);
}

void SearchDialog::showRunning(bool running) {
    for (QCheckBox* box : baudBoxes) {
        box->setEnabled(!running);
    }
    for (QCheckBox* box : parityBoxes) {
        box->setEnabled(!running);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{firstAddressBox, lastAddressBox,
                                                            timeoutBox, stopAtFirstBox}) {
        control->setEnabled(!running);
    }
    startButton->setEnabled(!running && plan().totalTries() > 0);
    cancelButton->setEnabled(running);
    if (running) {
        cancelButton->setFocus();
    } else if (cancelButton->hasFocus()) {
        startButton->setFocus();
    }
    onSelectionChanged();
}

void SearchDialog::showNote(const QString& text, bool problem, const QString& detail) {
    noteLine->setText(text);
    noteLine->setToolTip(detail);
    noteLine->setStyleSheet(problem ? kProblemStyle : QString());
}

void SearchDialog::startSearch() {
    if (searching()) {
        return;
    }
    const int number = hooks_.portNumber();
    const SearchPlan choice = plan();
    if (number <= 0) {
        showNote(PortProblemText(PortError{PortError::Kind::BadPortNumber, {}}, number), true);
        return;
    }
    if (choice.totalTries() == 0) {
        showNote(tr("无法搜索：请至少选一个波特率和一个校验位。"), true);
        return;
    }
    if (!services_.makePort) {
        showNote(tr("无法搜索：本程序没有可供搜索使用的串口组件。"), true);
        return;
    }

    finds_.clear();
    resultsTable->setRowCount(0);
    searchPortNumber_ = number;
    acquisitionStopped_ = hooks_.stopAcquisition();
    // One program may hold the port at a time: the window lets go of it,
    // as a click on "关闭串口" does, and gets it back at the end.
    monitorPortWasOpen_ = monitorPort_.isOpen();
    if (!hooks_.takePort()) {
        showNote(tr("com%1 关不掉，无法搜索。").arg(number), true);
        return;
    }

    QStringList notes;
    if (acquisitionStopped_) {
        notes << tr("数据采集已停止。");
    }
    notes << (monitorPortWasOpen_
                  ? tr("搜索期间 com%1 由搜索使用，结束后按原设置重新打开。").arg(number)
                  : tr("搜索期间串口面板暂停使用。"));
    showNote(notes.join(QString()));

    searchPort_ = services_.makePort();
    search_ = new MeterSearch(*searchPort_, number, choice, this);
    search_->setStopAtFirstMeter(stopAtFirstBox->isChecked());
    connect(search_, &MeterSearch::progressed, this, &SearchDialog::onProgress);
    connect(search_, &MeterSearch::found, this, &SearchDialog::onFound);
    connect(search_, &MeterSearch::finished, this, &SearchDialog::onFinished);
    progressBar->setRange(0, choice.totalTries());
    progressBar->setValue(0);
    showPortLine();
    showRunning(true);
    search_->start();
}

void SearchDialog::cancelSearch() {
    if (search_ != nullptr) {
        search_->cancel();
    }
}

void SearchDialog::onProgress(const SearchProgress& progress) {
    progressBar->setMaximum(progress.total);
    progressBar->setValue(progress.done);
    if (progress.address > 0) {
        const QString left = progress.msLeft < 1000
                                 ? tr("剩余不到 1 秒")
                                 : tr("剩余最多约 %1").arg(DurationText(progress.msLeft));
        progressLine->setText(tr("正在试 %1，地址 %2；%3")
                                  .arg(LineText(progress.line))
                                  .arg(progress.address)
                                  .arg(left));
    }
}

void SearchDialog::onFound(const SearchFind& find) {
    finds_.push_back(find);
    const int row = resultsTable->rowCount();
    resultsTable->insertRow(row);
    const QString response =
        find.responseMs < 0 ? QStringLiteral("—") : QString::number(find.responseMs, 'f', 1);
    // A skipped line has no address.
    const QString address = find.address > 0 ? QString::number(find.address) : QStringLiteral("—");
    const QString cells[ColumnCount] = {address, QString::number(find.line.baud),
                                        QString(QLatin1Char(find.line.parity)),
                                        SearchFindText(find), response};
    const QString warning = familyWarning(find);
    for (int column = 0; column < ColumnCount; ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        if (column != TypeColumn) {
            item->setTextAlignment(Qt::AlignCenter);
        }
        if (find.kind != SearchFind::Kind::Meter) {
            item->setForeground(QColor(0x80, 0x80, 0x80));
        }
        resultsTable->setItem(row, column, item);
    }
    if (!find.detail.isEmpty()) {
        resultsTable->item(row, TypeColumn)->setToolTip(find.detail);
    }
    if (!warning.isEmpty()) {
        QTableWidgetItem* type = resultsTable->item(row, TypeColumn);
        type->setText(type->text() + tr("（非本窗口类型）"));
        type->setToolTip(warning);
    }
    // The first meter found is selected, ready for "使用".
    if (find.kind == SearchFind::Kind::Meter && resultsTable->selectedItems().isEmpty()) {
        resultsTable->selectRow(row);
    }
}

// What the search came to, in one sentence for the progress line; for a
// failure also the system's own words in *detail.
QString SearchDialog::outcomeText(SearchEnd end, const std::optional<PortError>& failure,
                                  QString* detail) const {
    const int meters =
        static_cast<int>(std::count_if(finds_.begin(), finds_.end(), [](const SearchFind& find) {
            return find.kind == SearchFind::Kind::Meter;
        }));
    const int skipped =
        static_cast<int>(std::count_if(finds_.begin(), finds_.end(), [](const SearchFind& find) {
            return find.kind == SearchFind::Kind::LineRefused;
        }));
    const int others = static_cast<int>(finds_.size()) - meters - skipped;
    QString outcome;
    switch (end) {
        case SearchEnd::Completed:
            outcome = tr("搜索完毕，找到 %1 台仪表").arg(meters);
            if (others > 0) {
                outcome += tr("，另有 %1 条其他应答").arg(others);
            }
            if (skipped > 0) {
                outcome += tr("，跳过 %1 组串口设置").arg(skipped);
            }
            outcome += tr("。");
            break;
        case SearchEnd::FoundMeter:
            outcome = tr("已找到一台仪表，搜索停止。");
            break;
        case SearchEnd::Cancelled:
            outcome = tr("搜索已取消。");
            break;
        case SearchEnd::Failed: {
            const PortError error = failure.value_or(PortError{});
            outcome = PortProblemText(error, searchPortNumber_);
            *detail = error.detail;
            break;
        }
    }
    return outcome;
}

void SearchDialog::onFinished(SearchEnd end) {
    MeterSearch* search = search_;
    search_ = nullptr;
    search->deleteLater();
    // The port may be the sender of what ended the search: it goes later,
    // but it is closed already, so the window can have the device back.
    searchPort_.release()->deleteLater();

    const bool reopened = hooks_.givePortBack(monitorPortWasOpen_);

    QString detail;
    const QString outcome = outcomeText(end, search->failure(), &detail);
    const bool problem = end == SearchEnd::Failed;
    progressLine->setText(outcome);

    QStringList notes;
    if (monitorPortWasOpen_) {
        notes << (reopened ? tr("串口已按原设置重新打开。") : tr("串口没能重新打开。"));
    }
    if (acquisitionStopped_) {
        notes << tr("数据采集已停止，需要时请重新开始。");
    }
    if (problem) {
        notes.prepend(outcome);
    }
    notes << selectedWarning();
    showNote(notes.join(QString()), problem || (monitorPortWasOpen_ && !reopened), detail);
    showPortLine();
    showRunning(false);
    emit searchEnded(end);
}

void SearchDialog::onSelectionChanged() {
    const int row = selectedRow();
    const bool meter =
        row >= 0 && finds_[static_cast<std::size_t>(row)].kind == SearchFind::Kind::Meter;
    useButton->setEnabled(meter);
    addToBusButton->setEnabled(meter);
    if (const QString warning = selectedWarning(); !warning.isEmpty()) {
        showNote(warning, true);
    }
}

int SearchDialog::selectedRow() const {
    const QList<QTableWidgetSelectionRange> ranges = resultsTable->selectedRanges();
    const int row = ranges.isEmpty() ? -1 : ranges.first().topRow();
    return row < static_cast<int>(finds_.size()) ? row : -1;
}

QString SearchDialog::selectedWarning() const {
    const int row = selectedRow();
    return row < 0 ? QString() : familyWarning(finds_[static_cast<std::size_t>(row)]);
}

QString SearchDialog::familyWarning(const SearchFind& find) const {
    if (find.kind != SearchFind::Kind::Meter || !find.family || *find.family == hooks_.windowKind) {
        return {};
    }
    return tr("注意：地址 %1 上是%2，本窗口监视的是%3。")
        .arg(find.address)
        .arg(MeterFamilyName(*find.family), MeterFamilyName(hooks_.windowKind));
}

void SearchDialog::useSelected() {
    const int row = selectedRow();
    if (row < 0 || finds_[static_cast<std::size_t>(row)].kind != SearchFind::Kind::Meter) {
        return;
    }
    const SearchFind find = finds_[static_cast<std::size_t>(row)];
    cancelSearch();

    const bool wasOpen = monitorPort_.isOpen();
    hooks_.putSettings(find.address, find.line);

    QString note = tr("已填入串口面板：地址 %1，%2。").arg(find.address).arg(LineText(find.line));
    bool problem = false;
    if (wasOpen) {
        problem = !monitorPort_.isOpen();
        note += problem ? tr("串口没能按新设置重新打开。") : tr("串口已按新设置重新打开。");
    } else {
        note += tr("打开串口后按此通信。");
    }
    const QString warning = familyWarning(find);
    showNote(note + warning, problem || !warning.isEmpty());
}

void SearchDialog::addToBus(const std::vector<SearchFind>& meters) {
    if (!hooks_.addToBus || meters.empty()) {
        return;
    }
    hooks_.addToBus(meters);
    showNote(tr("已把 %1 台仪表加入总线巡检。").arg(meters.size()), false);
}

void SearchDialog::reject() {
    cancelSearch();
    QDialog::reject();
}

}  // namespace mt
