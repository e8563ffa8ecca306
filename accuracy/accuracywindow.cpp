// SPDX-License-Identifier: GPL-3.0-or-later
#include "accuracywindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "csv/durablecsvfile.h"

namespace mt {

namespace {

QString Plain(const QString& text) {
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|&"));
    return QString(text).remove(mnemonic).remove(QStringLiteral("…"));
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(Plain(text));
    return button;
}

template <typename W>
W* Named(W* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(accessible);
    return widget;
}

QLabel* Buddy(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

enum PlanColumn {
    KindColumn,
    VoltageColumn,
    CurrentColumn,
    PfColumn,
    FrequencyColumn,
    SettleColumn,
    ReadingsColumn,
    JudgedColumn,
    TimeColumn,
    PlanColumns
};
enum PositionColumn {
    AddressColumn,
    FamilyColumn,
    NameColumn,
    ClassColumn,
    ValueClassColumn,
    ReferenceColumn,
    PositionColumns
};

const ActiveClass kClasses[] = {ActiveClass::C02S, ActiveClass::C05S, ActiveClass::C1,
                                ActiveClass::C2};

}  // namespace

AccuracyWindow::AccuracyWindow(Hooks hooks, BusFamilies families, SerialPort& monitorPort,
                               std::unique_ptr<SerialPort> ownPort, QWidget* parent)
    : QWidget(parent, Qt::Window),
      hooks_(std::move(hooks)),
      port_(monitorPort),
      ownPort_(std::move(ownPort)) {
    setObjectName(QStringLiteral("AccuracyWindow"));
    setWindowTitle(tr("准确度试验"));
    run_ = new AccuracyRun(ownPort_ ? *ownPort_ : port_, std::move(families), this);
    build();
    connect(run_, &AccuracyRun::progress, this, &AccuracyWindow::showRun);
    connect(run_, &AccuracyRun::pointFinished, this, [this](int) { showResults(); });
    connect(run_, &AccuracyRun::phaseChanged, this, [this](AccuracyRun::Phase phase) {
        if (phase == AccuracyRun::Phase::Finished) {
            stopTest();
            showStatus(tr("试验完成：可导出记录"));
        } else if (phase == AccuracyRun::Phase::Paused) {
            showStatus(run_->message());
        } else if (phase == AccuracyRun::Phase::Waiting) {
            showTypedValues();
        }
    });
    const QList<TestPlan> plans = DefaultPlans();
    setPlan(plans.first());
}

AccuracyWindow::~AccuracyWindow() {
    stopTest();
    delete run_;
    run_ = nullptr;
}

void AccuracyWindow::build() {
    auto* top = new QVBoxLayout(this);
    tabs = Named(new QTabWidget(this), "AccuracyTabs", tr("试验页面"));
    tabs->addTab(buildRunTab(), tr("试验(&1)"));
    tabs->addTab(buildPositionTab(), tr("表位(&2)"));
    tabs->addTab(buildPlanTab(), tr("方案(&3)"));
    top->addWidget(tabs, 1);
    statusLine = Named(new QLabel(this), "AccuracyStatus", tr("状态"));
    statusLine->setWordWrap(true);
    top->addWidget(statusLine);
    resize(980, 640);
}

QWidget* AccuracyWindow::buildPlanTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    planList = Named(new QComboBox(page), "AccuracyPlanList", tr("试验方案"));
    for (const TestPlan& plan : DefaultPlans()) {
        planList->addItem(plan.name);
    }
    openPlanButton = Button(tr("打开方案(&O)…"), "AccuracyOpenPlan", page);
    savePlanButton = Button(tr("保存方案(&V)…"), "AccuracySavePlan", page);
    row->addWidget(Buddy(tr("内置方案(&P)："), planList, page));
    row->addWidget(planList, 1);
    row->addWidget(openPlanButton);
    row->addWidget(savePlanButton);
    layout->addLayout(row);

    auto* ratings = new QHBoxLayout;
    connectionList = Named(new QComboBox(page), "AccuracyConnection", tr("接入方式"));
    connectionList->addItems({tr("直接接入（Ib）"), tr("经互感器接入（In）")});
    auto spin = [page](const char* name, const QString& accessible, double max,
                       const QString& suffix) {
        auto* box = Named(new QDoubleSpinBox(page), name, accessible);
        box->setRange(0.001, max);
        box->setDecimals(3);
        box->setSuffix(suffix);
        return box;
    };
    unBox = spin("AccuracyUn", tr("额定电压"), 1000, QStringLiteral(" V"));
    inBox = spin("AccuracyIn", tr("基本电流或额定电流"), 10000, QStringLiteral(" A"));
    imaxBox = spin("AccuracyImax", tr("最大电流"), 10000, QStringLiteral(" A"));
    ratings->addWidget(Buddy(tr("接入(&J)："), connectionList, page));
    ratings->addWidget(connectionList);
    ratings->addWidget(Buddy(tr("Un(&U)："), unBox, page));
    ratings->addWidget(unBox);
    ratings->addWidget(Buddy(tr("Ib/In(&B)："), inBox, page));
    ratings->addWidget(inBox);
    ratings->addWidget(Buddy(tr("Imax(&X)："), imaxBox, page));
    ratings->addWidget(imaxBox);
    ratings->addStretch(1);
    layout->addLayout(ratings);

    planTable = Named(new QTableWidget(0, PlanColumns, page), "AccuracyPlanTable", tr("试验点"));
    planTable->setHorizontalHeaderLabels({tr("类型"), tr("电压"), tr("电流"), tr("功率因数"),
                                          tr("频率 Hz"), tr("稳定 s"), tr("读数次数"), tr("判定量"),
                                          tr("运行 s")});
    planTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    planTable->horizontalHeader()->setStretchLastSection(true);
    planTable->setToolTip(
        tr("电压：100%Un 或 230V；电流：5%In、Imax 或 2.5A；功率因数：1、0.5L、0.8C；"
           "判定量：U I P Q S PF F Pφ；运行时间留空由程序按等级计算"));
    layout->addWidget(planTable, 1);
    auto* pointRow = new QHBoxLayout;
    addPointButton = Button(tr("添加试验点(&A)"), "AccuracyAddPoint", page);
    removePointButton = Button(tr("删除试验点(&D)"), "AccuracyRemovePoint", page);
    pointRow->addWidget(addPointButton);
    pointRow->addWidget(removePointButton);
    pointRow->addStretch(1);
    layout->addLayout(pointRow);

    connect(planList, &QComboBox::activated, this, [this](int index) {
        const QList<TestPlan> plans = DefaultPlans();
        if (index >= 0 && index < plans.size()) {
            setPlan(plans.at(index));
        }
    });
    connect(openPlanButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("打开试验方案"), QString(),
                                                          tr("试验方案 (*.csv);;所有文件 (*)"));
        if (!path.isEmpty()) {
            loadPlan(path);
        }
    });
    connect(savePlanButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, tr("保存试验方案"), plan_.name + QStringLiteral(".csv"), tr("试验方案 (*.csv)"));
        QString error;
        if (!path.isEmpty() && !savePlan(path, &error)) {
            showStatus(tr("方案没有保存：%1").arg(error));
        }
    });
    connect(planTable, &QTableWidget::cellChanged, this, &AccuracyWindow::planCellEdited);
    connect(addPointButton, &QPushButton::clicked, this, [this] {
        TestPoint point = plan_.points.isEmpty() ? TestPoint{} : plan_.points.last();
        if (point.judged.isEmpty()) {
            point.judged = {Quantity::P};
        }
        point.kind = PointKind::Error;
        plan_.points.append(point);
        setPlan(plan_);
    });
    connect(removePointButton, &QPushButton::clicked, this, [this] {
        const int row = planTable->currentRow();
        if (row >= 0 && row < plan_.points.size() && plan_.points.size() > 1) {
            plan_.points.removeAt(row);
            setPlan(plan_);
        }
    });
    auto ratingsChanged = [this] {
        if (filling_) {
            return;
        }
        plan_.connection =
            connectionList->currentIndex() == 0 ? Connection::Direct : Connection::Transformer;
        plan_.un = unBox->value();
        plan_.in = inBox->value();
        plan_.imax = std::max(imaxBox->value(), plan_.in);
        setPlan(plan_);
    };
    connect(connectionList, &QComboBox::activated, this, ratingsChanged);
    for (QDoubleSpinBox* box : {unBox, inBox, imaxBox}) {
        connect(box, &QDoubleSpinBox::editingFinished, this, ratingsChanged);
    }
    return page;
}

QWidget* AccuracyWindow::buildPositionTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    positionTable =
        Named(new QTableWidget(0, PositionColumns, page), "AccuracyPositionTable", tr("表位"));
    positionTable->setHorizontalHeaderLabels(
        {tr("地址"), tr("类型"), tr("名称"), tr("有功等级"), tr("电压电流等级"), tr("基准表")});
    positionTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    positionTable->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    layout->addWidget(positionTable, 1);

    auto* row = new QHBoxLayout;
    addressBox = Named(new QSpinBox(page), "AccuracyAddress", tr("地址"));
    addressBox->setRange(1, 247);
    familyList = Named(new QComboBox(page), "AccuracyFamily", tr("类型"));
    familyList->addItem(BusFamilyShown(MeterKind::PanelMount));
    familyList->addItem(BusFamilyShown(MeterKind::DinRail));
    nameEdit = Named(new QLineEdit(page), "AccuracyName", tr("名称"));
    classList = Named(new QComboBox(page), "AccuracyClass", tr("有功等级"));
    for (const ActiveClass c : kClasses) {
        classList->addItem(ActiveClassText(c));
    }
    classList->setCurrentIndex(2);
    addPositionButton = Button(tr("添加表位(&A)"), "AccuracyAddPosition", page);
    removePositionButton = Button(tr("删除表位(&D)"), "AccuracyRemovePosition", page);
    fromBusButton = Button(tr("从巡检列表添加(&L)"), "AccuracyFromBus", page);
    row->addWidget(Buddy(tr("地址(&R)："), addressBox, page));
    row->addWidget(addressBox);
    row->addWidget(Buddy(tr("类型(&T)："), familyList, page));
    row->addWidget(familyList);
    row->addWidget(Buddy(tr("名称(&N)："), nameEdit, page));
    row->addWidget(nameEdit, 1);
    row->addWidget(Buddy(tr("等级(&G)："), classList, page));
    row->addWidget(classList);
    row->addWidget(addPositionButton);
    layout->addLayout(row);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(removePositionButton);
    row2->addWidget(fromBusButton);
    row2->addStretch(1);
    layout->addLayout(row2);

    connect(addPositionButton, &QPushButton::clicked, this, [this] {
        TestPosition position;
        position.meter.address = addressBox->value();
        position.meter.kind =
            familyList->currentIndex() == 0 ? MeterKind::PanelMount : MeterKind::DinRail;
        position.meter.name = nameEdit->text().trimmed();
        position.activeClass = kClasses[std::clamp(classList->currentIndex(), 0, 3)];
        for (const TestPosition& p : positions_) {
            if (p.meter.address == position.meter.address) {
                showStatus(tr("地址 %1 已在表位中").arg(position.meter.address));
                return;
            }
        }
        position.reference = positions_.isEmpty();
        QList<TestPosition> next = positions_;
        next.append(position);
        setPositions(next);
        addressBox->setValue(std::min(247, addressBox->value() + 1));
    });
    connect(removePositionButton, &QPushButton::clicked, this, [this] {
        const int row = positionTable->currentRow();
        if (row >= 0 && row < positions_.size()) {
            QList<TestPosition> next = positions_;
            next.removeAt(row);
            setPositions(next);
        }
    });
    connect(fromBusButton, &QPushButton::clicked, this, [this] {
        const QList<BusMeter> meters = hooks_.busList ? hooks_.busList() : QList<BusMeter>{};
        QList<TestPosition> next = positions_;
        int added = 0;
        for (const BusMeter& meter : meters) {
            const bool taken = std::any_of(next.begin(), next.end(), [&](const TestPosition& p) {
                return p.meter.address == meter.address;
            });
            if (!taken) {
                TestPosition position;
                position.meter = meter;
                position.reference = next.isEmpty();
                next.append(position);
                ++added;
            }
        }
        setPositions(next);
        showStatus(tr("从巡检列表添加了 %1 个表位").arg(added));
    });
    connect(positionTable, &QTableWidget::cellChanged, this, &AccuracyWindow::positionCellEdited);
    return page;
}

QWidget* AccuracyWindow::buildRunTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* referenceBox = new QGroupBox(tr("基准"), page);
    auto* referenceLayout = new QHBoxLayout(referenceBox);
    meterReference = Named(new QRadioButton(tr("线路上的基准表(&M)"), referenceBox),
                           "AccuracyMeterReference", tr("线路上的基准表"));
    typedReference = Named(new QRadioButton(tr("手动输入标准值(&H)："), referenceBox),
                           "AccuracyTypedReference", tr("手动输入标准值"));
    meterReference->setChecked(true);
    typedEdit = Named(new QLineEdit(referenceBox), "AccuracyTypedValues", tr("标准值"));
    typedEdit->setPlaceholderText(QStringLiteral("U=230 I=5 P=3450 Q=0 PF=1 F=50"));
    typedEdit->setEnabled(false);
    setValuesButton = Button(tr("采用设定值(&E)"), "AccuracyUseSetValues", referenceBox);
    setValuesButton->setEnabled(false);
    referenceLayout->addWidget(meterReference);
    referenceLayout->addWidget(typedReference);
    referenceLayout->addWidget(typedEdit, 1);
    referenceLayout->addWidget(setValuesButton);
    layout->addWidget(referenceBox);

    setPointLabel = Named(new QLabel(page), "AccuracySetPoint", tr("设定点"));
    QFont big = setPointLabel->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    setPointLabel->setFont(big);
    setPointLabel->setWordWrap(true);
    setPointLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(setPointLabel);
    progressLabel = Named(new QLabel(page), "AccuracyProgress", tr("进度"));
    layout->addWidget(progressLabel);

    auto* buttons = new QHBoxLayout;
    startButton = Button(tr("开始试验(&S)"), "AccuracyStart", page);
    continueButton = Button(tr("继续(&C)"), "AccuracyContinue", page);
    skipButton = Button(tr("跳过本点(&K)"), "AccuracySkip", page);
    autoBox = Named(new QCheckBox(tr("自动开始(&Z)"), page), "AccuracyAuto", tr("自动开始"));
    autoBox->setToolTip(tr("基准表读数在设定值 ±2 % 以内并稳定一个稳定时间后自动开始读数"));
    fromPointBox = Named(new QSpinBox(page), "AccuracyFromPoint", tr("从第几点开始"));
    fromPointBox->setMinimum(1);
    continueButton->setEnabled(false);
    skipButton->setEnabled(false);
    buttons->addWidget(startButton);
    buttons->addWidget(Buddy(tr("从第(&F)"), fromPointBox, page));
    buttons->addWidget(fromPointBox);
    buttons->addWidget(new QLabel(tr("点"), page));
    buttons->addWidget(continueButton);
    buttons->addWidget(skipButton);
    buttons->addWidget(autoBox);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    resultTable = Named(new QTableWidget(0, 4, page), "AccuracyResults", tr("结果"));
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    resultTable->verticalHeader()->hide();
    layout->addWidget(resultTable, 2);
    detailTable = Named(new QTableWidget(0, 8, page), "AccuracyDetail", tr("本点详细结果"));
    detailTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    detailTable->setHorizontalHeaderLabels({tr("表位"), tr("量"), tr("基准"), tr("读数"),
                                            tr("标准差"), tr("误差"), tr("限值"), tr("判定")});
    detailTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    detailTable->verticalHeader()->hide();
    detailTable->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(detailTable, 2);

    auto* record = new QHBoxLayout;
    operatorEdit = Named(new QLineEdit(page), "AccuracyOperator", tr("试验员"));
    temperatureEdit = Named(new QLineEdit(page), "AccuracyTemperature", tr("温度"));
    humidityEdit = Named(new QLineEdit(page), "AccuracyHumidity", tr("湿度"));
    temperatureEdit->setPlaceholderText(QStringLiteral("23 ℃"));
    humidityEdit->setPlaceholderText(QStringLiteral("45 %"));
    exportButton = Button(tr("导出记录(&R)…"), "AccuracyExport", page);
    record->addWidget(Buddy(tr("试验员(&O)："), operatorEdit, page));
    record->addWidget(operatorEdit, 1);
    record->addWidget(Buddy(tr("温度(&W)："), temperatureEdit, page));
    record->addWidget(temperatureEdit);
    record->addWidget(Buddy(tr("湿度(&Y)："), humidityEdit, page));
    record->addWidget(humidityEdit);
    record->addWidget(exportButton);
    layout->addLayout(record);

    connect(startButton, &QPushButton::clicked, this, [this] {
        if (run_->running()) {
            stopTest();
        } else {
            startTest(fromPointBox->value() - 1);
        }
    });
    connect(continueButton, &QPushButton::clicked, this, [this] {
        if (typedReference->isChecked()) {
            applyTypedValues();
        }
        run_->proceed();
        showRun();
    });
    connect(skipButton, &QPushButton::clicked, this, [this] { run_->skip(); });
    connect(autoBox, &QCheckBox::toggled, this, [this](bool on) { run_->setAutoStart(on); });
    auto referenceChosen = [this] {
        const bool typed = typedReference->isChecked();
        run_->setTypedReference(typed);
        typedEdit->setEnabled(typed);
        setValuesButton->setEnabled(typed);
        autoBox->setEnabled(!typed);
        showTypedValues();
    };
    connect(meterReference, &QRadioButton::toggled, this, referenceChosen);
    connect(typedEdit, &QLineEdit::editingFinished, this, &AccuracyWindow::applyTypedValues);
    connect(setValuesButton, &QPushButton::clicked, this, [this] {
        run_->setTypedValues(run_->currentPoint(), {});
        showTypedValues();
    });
    connect(resultTable, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { showDetail(row); });
    connect(exportButton, &QPushButton::clicked, this, &AccuracyWindow::chooseExportFolder);
    return page;
}

void AccuracyWindow::setPlan(const TestPlan& plan) {
    if (run_->running()) {
        showStatus(tr("试验进行中，方案不能改变"));
        fillPlanTable();
        return;
    }
    plan_ = plan;
    run_->setPlan(plan_);
    fillPlanTable();
    fromPointBox->setMaximum(std::max<int>(1, static_cast<int>(plan_.points.size())));
    showResults();
    showRun();
}

void AccuracyWindow::fillPlanTable() {
    filling_ = true;
    connectionList->setCurrentIndex(plan_.connection == Connection::Direct ? 0 : 1);
    unBox->setValue(plan_.un);
    inBox->setValue(plan_.in);
    imaxBox->setValue(plan_.imax);
    planTable->setRowCount(static_cast<int>(plan_.points.size()));
    for (int r = 0; r < plan_.points.size(); ++r) {
        const TestPoint& p = plan_.points.at(r);
        const QStringList cells = {
            PointKindShown(p.kind),
            VoltageText(p),
            p.kind == PointKind::Creep ? QStringLiteral("0") : CurrentText(p),
            PowerFactorText(p.pf),
            QString::number(p.frequency, 'g', 6),
            QString::number(p.settleSeconds),
            QString::number(p.readings),
            JudgedText(p.judged),
            p.seconds > 0 ? QString::number(p.seconds) : QString()};
        for (int c = 0; c < PlanColumns; ++c) {
            planTable->setItem(r, c, new QTableWidgetItem(cells.at(c)));
        }
    }
    filling_ = false;
}

void AccuracyWindow::planCellEdited(int row, int column) {
    if (filling_ || row < 0 || row >= plan_.points.size()) {
        return;
    }
    TestPoint point = plan_.points.at(row);
    const QString text = planTable->item(row, column)->text();
    bool ok = true;
    bool number = false;
    switch (column) {
        case KindColumn:
            if (const auto kind = ReadPointKind(text)) {
                point.kind = *kind;
            } else {
                ok = false;
            }
            break;
        case VoltageColumn:
            ok = ReadVoltage(text, point);
            break;
        case CurrentColumn:
            ok = ReadCurrent(text, point);
            break;
        case PfColumn:
            if (const auto pf = PowerFactorOf(text)) {
                point.pf = *pf;
            } else {
                ok = false;
            }
            break;
        case FrequencyColumn:
            point.frequency = text.toDouble(&number);
            ok = number && point.frequency >= 40 && point.frequency <= 70;
            break;
        case SettleColumn:
            point.settleSeconds = text.toInt(&number);
            ok = number && point.settleSeconds >= 0 && point.settleSeconds <= 3600;
            break;
        case ReadingsColumn:
            point.readings = text.toInt(&number);
            ok = number && point.readings >= 1 && point.readings <= 100;
            break;
        case JudgedColumn:
            if (const auto judged = ReadJudged(text); judged && !judged->isEmpty()) {
                point.judged = *judged;
            } else {
                ok = point.kind != PointKind::Error && judged.has_value();
                if (ok) {
                    point.judged.clear();
                }
            }
            break;
        case TimeColumn:
            point.seconds = text.trimmed().isEmpty() ? 0 : text.toInt(&number);
            ok = text.trimmed().isEmpty() || (number && point.seconds > 0);
            break;
        default:
            break;
    }
    if (!ok) {
        showStatus(tr("第 %1 点的“%2”无效，已恢复原值").arg(row + 1).arg(text));
        fillPlanTable();
        return;
    }
    plan_.points[row] = point;
    setPlan(plan_);
}

void AccuracyWindow::setPositions(const QList<TestPosition>& positions) {
    if (run_->running()) {
        showStatus(tr("试验进行中，表位不能改变"));
        fillPositionTable();
        return;
    }
    positions_ = positions;
    run_->setPositions(positions_);
    fillPositionTable();
    showResults();
}

void AccuracyWindow::fillPositionTable() {
    filling_ = true;
    positionTable->setRowCount(static_cast<int>(positions_.size()));
    for (int r = 0; r < positions_.size(); ++r) {
        const TestPosition& p = positions_.at(r);
        const QStringList cells = {
            QString::number(p.meter.address), BusFamilyShown(p.meter.kind),          p.meter.name,
            ActiveClassText(p.activeClass),   QString::number(p.valueClass, 'g', 3), QString()};
        for (int c = 0; c < PositionColumns; ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            if (c == ReferenceColumn) {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
                item->setCheckState(p.reference ? Qt::Checked : Qt::Unchecked);
                item->setText(p.reference ? tr("基准表") : QString());
            }
            positionTable->setItem(r, c, item);
        }
    }
    filling_ = false;
}

void AccuracyWindow::positionCellEdited(int row, int column) {
    if (filling_ || row < 0 || row >= positions_.size()) {
        return;
    }
    QList<TestPosition> next = positions_;
    TestPosition& p = next[row];
    const QString text = positionTable->item(row, column)->text().trimmed();
    bool ok = true;
    switch (column) {
        case AddressColumn: {
            bool number = false;
            const int address = text.toInt(&number);
            ok = number && address >= 1 && address <= 247 &&
                 std::none_of(next.begin(), next.end(), [&](const TestPosition& o) {
                     return &o != &p && o.meter.address == address;
                 });
            p.meter.address = address;
            break;
        }
        case FamilyColumn:
            if (const auto kind = BusFamilyOf(text)) {
                p.meter.kind = *kind;
            } else {
                ok = false;
            }
            break;
        case NameColumn:
            p.meter.name = text;
            break;
        case ClassColumn:
            if (const auto c = ActiveClassOf(text)) {
                p.activeClass = *c;
            } else {
                ok = false;
            }
            break;
        case ValueClassColumn: {
            bool number = false;
            p.valueClass = text.toDouble(&number);
            ok = number && p.valueClass > 0 && p.valueClass <= 10;
            break;
        }
        case ReferenceColumn: {
            const bool checked = positionTable->item(row, column)->checkState() == Qt::Checked;
            for (TestPosition& o : next) {
                o.reference = false;
            }
            p.reference = checked;
            break;
        }
        default:
            break;
    }
    if (!ok) {
        showStatus(tr("表位 %1 的“%2”无效，已恢复原值").arg(row + 1).arg(text));
        fillPositionTable();
        return;
    }
    setPositions(next);
}

bool AccuracyWindow::loadPlan(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showStatus(tr("方案打不开：%1").arg(file.errorString()));
        return false;
    }
    // A plan is a few kilobytes; anything huge is no plan.
    const QByteArray bytes = file.read(1024 * 1024 + 1);
    if (bytes.size() > 1024 * 1024) {
        showStatus(tr("方案没有载入：文件太大"));
        return false;
    }
    const PlanLoad load = ParsePlan(bytes);
    if (!load.plan) {
        showStatus(tr("方案没有载入：第 %1 行：%2").arg(load.line).arg(load.error));
        return false;
    }
    TestPlan plan = *load.plan;
    if (plan.name.isEmpty()) {
        plan.name = QFileInfo(path).completeBaseName();
    }
    setPlan(plan);
    showStatus(tr("已载入方案“%1”，%2 个试验点").arg(plan.name).arg(plan.points.size()));
    return true;
}

bool AccuracyWindow::savePlan(const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(PlanCsv(plan_)) < 0 || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    showStatus(tr("方案已保存：%1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool AccuracyWindow::startTest(int fromPoint) {
    if (run_->running()) {
        return true;
    }
    hooks_.stopAcquisition();
    portWasOpen_ = port_.isOpen();
    if (!hooks_.takePort()) {
        showStatus(tr("串口无法关闭，试验没有开始"));
        return false;
    }
    holdingPort_ = true;
    run_->setTypedReference(typedReference->isChecked());
    run_->setAutoStart(autoBox->isChecked() && !typedReference->isChecked());
    const PortResult started = run_->start(hooks_.portNumber(), hooks_.lineSettings(), fromPoint);
    if (!started) {
        run_->poller().stop();
        holdingPort_ = false;
        hooks_.givePortBack(portWasOpen_);
        showStatus(tr("试验没有开始：%1")
                       .arg(run_->message().isEmpty() ? started.error().detail : run_->message()));
        showRun();
        return false;
    }
    showStatus(tr("试验 com%1，%2").arg(hooks_.portNumber()).arg(hooks_.lineSettings()));
    showRun();
    return true;
}

void AccuracyWindow::stopTest() {
    if (run_ == nullptr) {
        return;
    }
    if (run_->running()) {
        run_->stop();
    }
    if (holdingPort_) {
        holdingPort_ = false;
        hooks_.givePortBack(portWasOpen_);
    }
    showRun();
}

void AccuracyWindow::showStatus(const QString& text) {
    statusLine->setText(text);
}

void AccuracyWindow::showRun() {
    const AccuracyRun::Phase phase = run_->phase();
    const bool running = run_->running();
    startButton->setText(running ? tr("停止试验(&S)") : tr("开始试验(&S)"));
    startButton->setAccessibleName(running ? tr("停止试验") : tr("开始试验"));
    continueButton->setEnabled(phase == AccuracyRun::Phase::Waiting ||
                               phase == AccuracyRun::Phase::Paused);
    skipButton->setEnabled(running);
    const int point = run_->currentPoint();
    const int count = static_cast<int>(plan_.points.size());
    QString big;
    QString small;
    switch (phase) {
        case AccuracyRun::Phase::Idle:
            big = tr("准备就绪：%1 个试验点").arg(count);
            break;
        case AccuracyRun::Phase::Waiting:
            big = tr("第 %1/%2 点（%3）：请将标准源调到 %4")
                      .arg(point + 1)
                      .arg(count)
                      .arg(PointKindShown(plan_.points.at(point).kind), run_->setPointText(point));
            small =
                run_->autoStart() ? tr("等待基准表读数到达设定值并稳定…") : tr("调好后按“继续”");
            break;
        case AccuracyRun::Phase::Settling:
            big = tr("第 %1/%2 点：%3").arg(point + 1).arg(count).arg(run_->setPointText(point));
            small = tr("稳定中，还有 %1 s").arg(run_->secondsLeft());
            break;
        case AccuracyRun::Phase::Measuring: {
            big = tr("第 %1/%2 点：%3").arg(point + 1).arg(count).arg(run_->setPointText(point));
            const TestPoint& p = plan_.points.at(point);
            const PointResult& r = run_->results().at(point);
            if (p.kind == PointKind::Error) {
                small = tr("读数 %1/%2，重读 %3 轮")
                            .arg(run_->roundsTaken())
                            .arg(p.readings)
                            .arg(r.repeated);
            } else {
                const int total = std::max(1, run_->runSeconds(point));
                const int left = run_->roundsTaken() == 0 ? total : run_->secondsLeft();
                small = tr("运行中：%1 %，还有 %2 s").arg((total - left) * 100 / total).arg(left);
            }
            break;
        }
        case AccuracyRun::Phase::Paused:
            big = tr("试验已暂停");
            small = run_->message();
            break;
        case AccuracyRun::Phase::Finished:
            big = tr("试验完成");
            break;
    }
    setPointLabel->setText(big);
    progressLabel->setText(small);
}

void AccuracyWindow::showResults() {
    QStringList heading = {tr("点"), tr("类型"), tr("设定"), tr("状态")};
    QList<int> shown;
    for (int k = 0; k < positions_.size(); ++k) {
        if (!positions_.at(k).reference || typedReference->isChecked()) {
            shown.append(k);
            heading.append(tr("地址 %1").arg(positions_.at(k).meter.address));
        }
    }
    resultTable->setColumnCount(static_cast<int>(heading.size()));
    resultTable->setHorizontalHeaderLabels(heading);
    const QList<PointResult>& results = run_->results();
    resultTable->setRowCount(static_cast<int>(plan_.points.size()));
    for (int r = 0; r < plan_.points.size() && r < results.size(); ++r) {
        const PointResult& result = results.at(r);
        const TestPoint& point = plan_.points.at(r);
        const QStringList cells = {QString::number(r + 1), PointKindShown(point.kind),
                                   run_->setPointText(r), PointStateText(result.state)};
        for (int c = 0; c < cells.size(); ++c) {
            resultTable->setItem(r, c, new QTableWidgetItem(cells.at(c)));
        }
        for (int s = 0; s < shown.size(); ++s) {
            QString text;
            const int k = shown.at(s);
            if (result.state != PointState::NotRun && k < result.positions.size()) {
                const PositionResult& pr = result.positions.at(k);
                const std::optional<AccuracyVerdict> v = pr.overall();
                text = v ? VerdictText(*v) : pr.note;
                // The active power's error (or the register's) beside the verdict.
                if (point.kind == PointKind::Energy && pr.energyError) {
                    text +=
                        QStringLiteral("  ") + RecordNumber(pr.energyError, 3) + QLatin1Char('%');
                } else if (const auto& j = pr.quantities[static_cast<std::size_t>(Quantity::P)];
                           j && j->error) {
                    text += QStringLiteral("  P ") + RecordNumber(j->error, 3) + QLatin1Char('%');
                }
            }
            resultTable->setItem(r, 4 + s, new QTableWidgetItem(text));
        }
    }
    showDetail(resultTable->currentRow() >= 0 ? resultTable->currentRow() : run_->currentPoint());
}

void AccuracyWindow::showDetail(int point) {
    detailTable->setRowCount(0);
    if (point < 0 || point >= run_->results().size()) {
        return;
    }
    QList<QStringList> rows;
    for (int k = 0; k < positions_.size(); ++k) {
        for (const QStringList& row : RecordCsvRows(*run_, k)) {
            if (row.value(0) == QString::number(point + 1)) {
                const bool reference = positions_.at(k).reference && !typedReference->isChecked();
                const int address = positions_.at(k).meter.address;
                rows.append(
                    {reference ? tr("地址 %1（基准）").arg(address) : tr("地址 %1").arg(address),
                     row.value(3), row.value(4), row.value(5), row.value(6), row.value(7),
                     row.value(8), row.value(9)});
            }
        }
    }
    detailTable->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c) {
            detailTable->setItem(r, c, new QTableWidgetItem(rows.at(r).at(c)));
        }
    }
}

void AccuracyWindow::showTypedValues() {
    if (!typedReference->isChecked()) {
        return;
    }
    const QHash<Quantity, double> values = run_->typedValues(run_->currentPoint());
    QStringList parts;
    for (const Quantity q :
         {Quantity::Ua, Quantity::Ia, Quantity::P, Quantity::Q, Quantity::PF, Quantity::F}) {
        const QString code = q == Quantity::Ua   ? QStringLiteral("U")
                             : q == Quantity::Ia ? QStringLiteral("I")
                                                 : QuantityCode(q);
        parts.append(code + QLatin1Char('=') + QString::number(values.value(q), 'g', 7));
    }
    typedEdit->setText(parts.join(QLatin1Char(' ')));
}

void AccuracyWindow::applyTypedValues() {
    QHash<Quantity, double> values;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString& word : typedEdit->text().split(separators, Qt::SkipEmptyParts)) {
        const qsizetype eq = word.indexOf(QLatin1Char('='));
        bool number = false;
        const double value = eq > 0 ? word.mid(eq + 1).toDouble(&number) : 0;
        const QString key = word.left(eq).toUpper();
        if (!number || !std::isfinite(value)) {
            showStatus(tr("标准值“%1”无效：应为 U=… I=… P=… Q=… PF=… F=…").arg(word));
            return;
        }
        if (key == QLatin1String("U")) {
            values.insert(Quantity::Ua, value), values.insert(Quantity::Ub, value),
                values.insert(Quantity::Uc, value);
        } else if (key == QLatin1String("I")) {
            values.insert(Quantity::Ia, value), values.insert(Quantity::Ib, value),
                values.insert(Quantity::Ic, value);
        } else if (key == QLatin1String("P")) {
            values.insert(Quantity::P, value);
            for (const Quantity q : {Quantity::Pa, Quantity::Pb, Quantity::Pc}) {
                values.insert(q, value / 3);
            }
        } else if (key == QLatin1String("Q")) {
            values.insert(Quantity::Q, value);
        } else if (key == QLatin1String("S")) {
            values.insert(Quantity::S, value);
        } else if (key == QLatin1String("PF")) {
            values.insert(Quantity::PF, value);
        } else if (key == QLatin1String("F")) {
            values.insert(Quantity::F, value);
        } else {
            showStatus(tr("标准值“%1”无效：应为 U=… I=… P=… Q=… PF=… F=…").arg(word));
            return;
        }
    }
    run_->setTypedValues(run_->currentPoint(), values);
}

RecordHeader AccuracyWindow::recordHeader() const {
    RecordHeader header;
    header.operatorName = operatorEdit->text().trimmed();
    header.temperature = temperatureEdit->text().trimmed();
    header.humidity = humidityEdit->text().trimmed();
    header.madeAt = QDateTime::currentDateTime();
    header.portText = tr("com%1，%2")
                          .arg(hooks_.portNumber ? hooks_.portNumber() : 0)
                          .arg(hooks_.lineSettings ? hooks_.lineSettings() : QString());
    header.referenceText = tr("手动输入的标准值");
    if (!typedReference->isChecked()) {
        for (const TestPosition& p : positions_) {
            if (p.reference) {
                header.referenceText =
                    tr("基准表：%1，地址 %2%3")
                        .arg(BusFamilyShown(p.meter.kind))
                        .arg(p.meter.address)
                        .arg(p.meter.name.isEmpty() ? QString()
                                                    : QStringLiteral("，") + p.meter.name);
            }
        }
    }
    return header;
}

QStringList AccuracyWindow::exportRecords(const QString& folder, QString* error) {
    QStringList files;
    const RecordHeader header = recordHeader();
    for (int k = 0; k < positions_.size(); ++k) {
        const TestPosition& p = positions_.at(k);
        if ((p.reference && !typedReference->isChecked()) || !p.meter.enabled) {
            continue;
        }
        const QString base = QDir(folder).filePath(RecordBaseName(p, k));
        DurableCsvFile csv;
        QString why;
        if (!csv.open(base + QStringLiteral(".csv"), RecordCsvHeader(), &why)) {
            if (error != nullptr) {
                *error = why;
            }
            return files;
        }
        for (const QStringList& row : RecordCsvRows(*run_, k)) {
            csv.append(row);
        }
        csv.close();
        files.append(base + QStringLiteral(".csv"));
        if (!WriteRecordPdf(base + QStringLiteral(".pdf"), *run_, k, header, &why)) {
            if (error != nullptr) {
                *error = why;
            }
            return files;
        }
        files.append(base + QStringLiteral(".pdf"));
    }
    return files;
}

void AccuracyWindow::chooseExportFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, tr("记录保存到"));
    if (folder.isEmpty()) {
        return;
    }
    QString error;
    const QStringList files = exportRecords(folder, &error);
    if (!error.isEmpty()) {
        showStatus(tr("记录没有全部写出：%1").arg(error));
        return;
    }
    showStatus(tr("已写出 %1 个文件到 %2").arg(files.size()).arg(QDir::toNativeSeparators(folder)));
}

void AccuracyWindow::closeEvent(QCloseEvent* event) {
    stopTest();
    event->accept();
}

}  // namespace mt
