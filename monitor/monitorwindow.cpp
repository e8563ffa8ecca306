// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitorwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "linediagnostics.h"
#include "portpanel.h"
#include "recordingfile.h"
#include "searchdialog.h"
#include "traffic.h"
#include "twips.h"
#include "valuefield.h"

namespace mt {

MonitorWindow::MonitorWindow(const Layout& layout, SerialPort& port, Services services,
                             RequestParameters& request, QWidget* parent)
    : QMainWindow(parent), port_(port), services_(std::move(services)), layout_(layout) {
    setObjectName(QString::fromLatin1(layout.objectName));
    // The screen's serial component goes by the name the screen knows it by.
    port_.setObjectName(QStringLiteral("MSComm1"));
    setWindowTitle(kAppTitle + QStringLiteral(" - ") + layout.meterName);

    diagnostics_ = new LineDiagnostics(this);
    buildMenus();
    buildStatusBar();

    screen_ = new QWidget(this);
    screen_->setObjectName(QStringLiteral("Screen"));
    screen_->setFixedSize(TwipsSize(layout.screenTwips.width(), layout.screenTwips.height()));
    setCentralWidget(screen_);
    // The window is as large as what it holds, and no larger.
    this->layout()->setSizeConstraint(QLayout::SetFixedSize);

    portPanel = new PortPanel(port_, services_, screen_);
    portPanel->move(0, 0);

    AcquisitionEngine::Hooks hooks;
    hooks.addressText = [this] { return portPanel->addressText(); };
    hooks.reopenPort = [this] { return portPanel->reopenPort(); };
    hooks.showAddressInvalid = [this](bool invalid) { portPanel->showAddressInvalid(invalid); };
    hooks.schedule = [this] { return schedule(); };
    hooks.decode = [this](AnswerBytes answer) { decode(answer); };
    engine_ = new AcquisitionEngine(port_, services_, request, layout.timing, layout.closeReset,
                                    std::move(hooks), this);
    pollTimer = engine_->timer();

    connect(portPanel, &PortPanel::portClosed, engine_, &AcquisitionEngine::onPortClosed);
    connect(portPanel, &PortPanel::portLost, engine_, &AcquisitionEngine::onPortClosed);
    connect(portPanel, &PortPanel::portSwitched, engine_, &AcquisitionEngine::onPortSwitched);
    connect(engine_, &AcquisitionEngine::stateChanged, this, &MonitorWindow::showState);
    connect(engine_, &AcquisitionEngine::tickStarted, this, [this] {
        tickInProgress_ = true;
        if (traffic_ != nullptr) {
            traffic_->holdUpdates(true);
        }
        tickReadings_ = TickReadings{};
        tickReadings_.mode = modeName();
    });
    connect(engine_, &AcquisitionEngine::requestFinished, diagnostics_, &LineDiagnostics::add);
    connect(engine_, &AcquisitionEngine::requestSent, this, [this](const RequestRecord& record) {
        if (traffic_ != nullptr) {
            traffic_->addFrame(SentFrame(record));
        }
    });
    connect(engine_, &AcquisitionEngine::requestFinished, this,
            [this](const RequestRecord& record) {
                if (traffic_ != nullptr) {
                    traffic_->addFrame(ReceivedFrame(record));
                }
            });
    connect(engine_, &AcquisitionEngine::strayBytes, this, [this](const QByteArray& bytes) {
        if (traffic_ != nullptr && !bytes.isEmpty()) {
            traffic_->addFrame({QDateTime::currentDateTime(), TrafficFrame::Direction::Received,
                                bytes, QStringLiteral("无对应请求"), -1});
        }
    });
    connect(engine_, &AcquisitionEngine::tickFinished, this, [this](const TickSummary& summary) {
        tickInProgress_ = false;
        if (traffic_ != nullptr) {
            traffic_->holdUpdates(false);
        }
        tickReadings_.summary = summary;
        if (recording()) {
            recordingFile_->append(recordingTable_->row(tickReadings_));
        }
        emit tickRead(tickReadings_);
        tickReadings_ = TickReadings{};
    });

    // 工具→搜索仪表…
    AddMeterSearch(*this, port_, services_);
}

void MonitorWindow::buildMenus() {
    fileMenu = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    fileMenu->setObjectName(QStringLiteral("FileMenu"));
    viewMenu = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    viewMenu->setObjectName(QStringLiteral("ViewMenu"));
    toolsMenu = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    toolsMenu->setObjectName(QStringLiteral("ToolsMenu"));
    helpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("HelpMenu"));

    trafficAction = viewMenu->addAction(QStringLiteral("通信监视(&M)"));
    trafficAction->setObjectName(QStringLiteral("TrafficAction"));
    trafficAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(trafficAction, &QAction::triggered, this, [this] {
        TrafficWindow* window = trafficWindow();
        window->show();
        window->raise();
        window->activateWindow();
    });
    resetCountsAction = viewMenu->addAction(QStringLiteral("重置计数(&R)"));
    resetCountsAction->setObjectName(QStringLiteral("ResetCountsAction"));
    resetCountsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(resetCountsAction, &QAction::triggered, diagnostics_, &LineDiagnostics::reset);

    aboutAction = helpMenu->addAction(QStringLiteral("关于仪表测试(&A)"));
    aboutAction->setObjectName(QStringLiteral("AboutAction"));
    aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction->setMenuRole(QAction::AboutRole);
    aboutAction->setEnabled(static_cast<bool>(services_.showAbout));
    connect(aboutAction, &QAction::triggered, this, [this] {
        if (services_.showAbout) {
            services_.showAbout(this);
        }
    });

    startRecordingAction = fileMenu->addAction(QStringLiteral("开始记录(&R)…"));
    startRecordingAction->setObjectName(QStringLiteral("StartRecordingAction"));
    startRecordingAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(startRecordingAction, &QAction::triggered, this, &MonitorWindow::chooseRecordingFile);
    stopRecordingAction = fileMenu->addAction(QStringLiteral("停止记录(&S)"));
    stopRecordingAction->setObjectName(QStringLiteral("StopRecordingAction"));
    stopRecordingAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    stopRecordingAction->setEnabled(false);
    connect(stopRecordingAction, &QAction::triggered, this, &MonitorWindow::stopRecording);
    fileMenu->addSeparator();

    exitAction = fileMenu->addAction(QStringLiteral("退出(&X)"));
    exitAction->setObjectName(QStringLiteral("ExitAction"));
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exitAction->setMenuRole(QAction::QuitRole);
    // Exactly what the exit button does.
    connect(exitAction, &QAction::triggered, this, &MonitorWindow::onExitClicked);
}

void MonitorWindow::buildStatusBar() {
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    hintLine = new QLabel(this);
    hintLine->setObjectName(QStringLiteral("HintLine"));
    hintLine->setStyleSheet(QStringLiteral("color: #b00000;"));
    hintLine->setMinimumWidth(0);
    hintLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(hintLine, 1);
    recordingLine = new QLabel(this);
    recordingLine->setObjectName(QStringLiteral("RecordingLine"));
    recordingLine->setVisible(false);
    recordingLine->setContentsMargins(0, 0, 12, 0);  // apart from the counters
    statusBar()->addPermanentWidget(recordingLine);
    countsLine = new QLabel(this);
    countsLine->setObjectName(QStringLiteral("CountsLine"));
    statusBar()->addPermanentWidget(countsLine);
    const auto showCounts = [this](const LineCounts& counts) {
        countsLine->setText(CountsText(counts));
        countsLine->setAccessibleName(countsLine->text());
    };
    showCounts(diagnostics_->counts());
    connect(diagnostics_, &LineDiagnostics::countsChanged, this, showCounts);
    connect(diagnostics_, &LineDiagnostics::hintChanged, this, &MonitorWindow::showHint);
}

void MonitorWindow::showHint(const QString& hint) {
    hintLine->setText(hint);
    hintLine->setToolTip(hint);
    hintLine->setAccessibleName(hint);
}

TrafficWindow* MonitorWindow::trafficWindow() {
    if (traffic_ == nullptr) {
        traffic_ = new TrafficWindow(layout_.meterName, this);
        traffic_->holdUpdates(tickInProgress_);
    }
    return traffic_;
}

void MonitorWindow::finishScreen() {
    const int top = layout_.buttonRowTop;
    primaryButton = MakeButton(screen_, "Command1", layout_.primary.idle, 720, top, 1935, 375);
    secondaryButton = MakeButton(screen_, "Command4", layout_.secondary.idle, 4920, top, 1935, 375);
    exitButton = MakeButton(screen_, "Command2", kExitCaption, 8880, top, 1300, 375);
    secondaryButton->setVisible(layout_.secondaryVisible);
    showState(engine_->state());
    sortFieldReadings();

    connect(primaryButton, &QPushButton::clicked, this, &MonitorWindow::onPrimaryClicked);
    connect(secondaryButton, &QPushButton::clicked, this, &MonitorWindow::onSecondaryClicked);
    connect(exitButton, &QPushButton::clicked, this, &MonitorWindow::onExitClicked);

    portPanel->InitPortLists();
    // The window takes its fixed size now, not only when first shown.
    layout()->activate();
}

void MonitorWindow::registerValueField(const ValueField& field) {
    fields_.insert(field.field->objectName(), field.field);
    // Two-line captions read as one.
    QString heading = field.caption->text().remove(QLatin1Char('\n'));
    if (field.unit != nullptr) {
        heading += QStringLiteral(" (%1)").arg(field.unit->text());
    }
    readings_.insert(fieldReadings_++, Reading{field.field->objectName(), heading});
}

void MonitorWindow::sortFieldReadings() {
    // Row by row from the top, left to right within a row.
    const auto place = [this](const Reading& reading) {
        const QWidget* field = fields_.value(reading.key);
        return std::pair(field->y(), field->x());
    };
    std::stable_sort(readings_.begin(), readings_.begin() + fieldReadings_,
                     [&](const Reading& a, const Reading& b) { return place(a) < place(b); });
}

void MonitorWindow::addReading(const QString& key, const QString& heading) {
    readings_.append(Reading{key, heading});
}

void MonitorWindow::noteReading(const QString& key, const QString& text) {
    tickReadings_.texts.insert(key, text);
}

ValueFieldEdit* MonitorWindow::valueField(QAnyStringView name) const {
    return fields_.value(name.toString(), nullptr);
}

void MonitorWindow::showFieldTexts(const std::vector<FieldText>& texts) {
    for (const FieldText& text : texts) {
        if (ValueFieldEdit* field = valueField(QAnyStringView(text.field))) {
            field->showValue(QString::fromStdString(text.text));
            noteReading(field->objectName(), field->text());
        }
    }
}

void MonitorWindow::showState(const AcquisitionState& state) {
    if (primaryButton == nullptr) {
        return;
    }
    SetCaption(primaryButton,
               state.primary.running ? layout_.primary.running : layout_.primary.idle);
    primaryButton->setEnabled(state.primary.enabled);
    SetCaption(secondaryButton,
               state.secondary.running ? layout_.secondary.running : layout_.secondary.idle);
    secondaryButton->setEnabled(state.secondary.enabled);
    // The buttons' tag texts show the run state to automation ("1" running,
    // "0" idle); nothing in the program reads them back.
    primaryButton->setProperty("tag", state.primary.running ? "1" : "0");
    secondaryButton->setProperty("tag", state.secondary.running ? "1" : "0");
}

void MonitorWindow::onPrimaryClicked() {
    engine_->toggle(AcquisitionButton::Primary);
}

void MonitorWindow::onSecondaryClicked() {
    engine_->toggle(AcquisitionButton::Secondary);
}

void MonitorWindow::chooseRecordingFile() {
    // Not modal for the program: acquisition goes on while the user picks
    // a name, and a tick never waits for the dialog.
    auto* dialog = new QFileDialog(this, QStringLiteral("开始记录"));
    dialog->setObjectName(QStringLiteral("RecordingFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("CSV 文件 (*.csv)"));
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    const QFileInfo suggested(suggestedRecordingPath());
    dialog->setDirectory(suggested.absolutePath());
    dialog->selectFile(suggested.fileName());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!path.isEmpty()) {
            startRecording(path);
        }
    });
    dialog->open();
}

QString MonitorWindow::suggestedRecordingPath() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return QDir(folder).filePath(
        RecordingFileName(layout_.meterName, QDateTime::currentDateTime()));
}

bool MonitorWindow::startRecording(const QString& path) {
    stopRecording();
    delete recordingFile_;
    recordingFile_ = new RecordingFile(this);
    recordingTable_.emplace(readings_, !modeName().isEmpty());
    QString reason;
    if (!recordingFile_->open(path, recordingTable_->header(), &reason)) {
        warnRecording(QStringLiteral("无法开始记录：%1。\n文件：%2")
                          .arg(reason, QDir::toNativeSeparators(path)));
        showRecording();
        return false;
    }
    connect(recordingFile_, &RecordingFile::rowWritten, this, &MonitorWindow::showRecording);
    connect(recordingFile_, &RecordingFile::failed, this, [this](const QString& why) {
        showRecording();
        warnRecording(QStringLiteral("记录已停止：%1。\n文件：%2\n已写入 %3 行。")
                          .arg(why, QDir::toNativeSeparators(recordingFile_->path()))
                          .arg(recordingFile_->rowsWritten()));
    });
    showRecording();
    return true;
}

void MonitorWindow::stopRecording() {
    if (recordingFile_ != nullptr) {
        recordingFile_->close();
    }
    showRecording();
}

bool MonitorWindow::recording() const {
    return recordingFile_ != nullptr && recordingFile_->isOpen();
}

qint64 MonitorWindow::recordedRows() const {
    return recordingFile_ != nullptr ? recordingFile_->rowsWritten() : 0;
}

void MonitorWindow::showRecording() {
    const bool on = recording();
    startRecordingAction->setEnabled(!on);
    stopRecordingAction->setEnabled(on);
    recordingLine->setVisible(on);
    if (on) {
        const QString path = recordingFile_->path();
        // A long file name is shortened in its middle, so that the status
        // bar never widens the window; the tooltip has the whole path.
        const QString prefix = QStringLiteral("记录中：");
        const QString rows = QStringLiteral("，%1 行").arg(recordingFile_->rowsWritten());
        const QFontMetrics metrics(recordingLine->font());
        const int room = screen_->width() * 2 / 5 - metrics.horizontalAdvance(prefix + rows);
        recordingLine->setText(prefix +
                               metrics.elidedText(QFileInfo(path).fileName(), Qt::ElideMiddle,
                                                  std::max(room, metrics.averageCharWidth() * 8)) +
                               rows);
        recordingLine->setToolTip(QDir::toNativeSeparators(path));
        recordingLine->setAccessibleName(recordingLine->text());
    }
}

void MonitorWindow::warnRecording(const QString& text) {
    // One box for the window, shown without waiting for an answer, so that
    // acquisition never stops for it; a later warning replaces its text.
    auto* box =
        findChild<QMessageBox*>(QStringLiteral("RecordingWarning"), Qt::FindDirectChildrenOnly);
    if (box == nullptr) {
        box = new QMessageBox(QMessageBox::Warning, kAppTitle, text, QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("RecordingWarning"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
    }
    box->setText(text);
    box->show();
}

void MonitorWindow::onExitClicked() {
    stopRecording();
    engine_->end();
    close();
}

void MonitorWindow::onPollTimer() {
    engine_->tick();
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    stopRecording();
    engine_->end();
    event->accept();
}

}  // namespace mt
