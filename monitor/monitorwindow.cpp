// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitorwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "accuracy/accuracywindow.h"
#include "acquisition/meterfamily.h"
#include "analysis/analysiswindow.h"
#include "analysis/report.h"
#include "bus/buswindow.h"
#include "diagnostics/linediagnostics.h"
#include "diagnostics/trafficwindow.h"
#include "monitor/networkportsdialog.h"
#include "monitor/portpanel.h"
#include "monitor/statustext.h"
#include "monitor/twips.h"
#include "monitor/valuefield.h"
#include "platform/language.h"
#include "platform/linesettings.h"
#include "platform/portmap.h"
#include "platform/settingsstore.h"
#include "recording/recordingcontroller.h"
#include "search/searchdialog.h"
#include "trend/trendstore.h"
#include "trend/trendview.h"

namespace mt {

MonitorWindow::MonitorWindow(const Layout& layout, SerialPort& port, Services services,
                             RequestParameters& request, QWidget* parent)
    : QMainWindow(parent), port_(port), services_(std::move(services)), layout_(layout) {
    setObjectName(QString::fromLatin1(layout.objectName));
    // The screen's serial component goes by the name the screen knows it by.
    port_.setObjectName(QStringLiteral("MSComm1"));
    setWindowTitle(AppTitle() + QStringLiteral(" - ") + meterName());

    diagnostics_ = new LineDiagnostics(this);
    RecordingController::Window recorded;
    recorded.widget = this;
    recorded.meterName = meterName();
    recorded.readings = [this] { return readings_; };
    recorded.withMode = [this] { return !modeName().isEmpty(); };
    // The note never takes more than two fifths of the screen's width.
    recorded.noteWidth =
        TwipsSize(layout.screenTwips.width(), layout.screenTwips.height()).width() * 2 / 5;
    recording_ = new RecordingController(std::move(recorded), this);
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
    observeEngine();
    addMeterSearch();
    addBusOverview();
    addAccuracyTest();
    addNetworkPorts();
    observeLink();
}

void MonitorWindow::addNetworkPorts() {
    toolsMenu->addSeparator();
    networkAction = toolsMenu->addAction(tr("网络端口(&N)…"));
    networkAction->setObjectName(QStringLiteral("NetworkPortsAction"));
    connect(networkAction, &QAction::triggered, this, [this] {
        auto* dialog = findChild<NetworkPortsDialog*>(QString(), Qt::FindDirectChildrenOnly);
        if (dialog == nullptr) {
            dialog = new NetworkPortsDialog(
                NetworkPorts(), AutoReconnectChoices(),
                [this](const NetworkPortMap& ports, const std::map<int, bool>& reconnect) {
                    useNetworkPorts(ports, reconnect);
                },
                this);
            restorePlace(dialog, "network");
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    reconnectAction = toolsMenu->addAction(tr("自动重连(&R)"));
    reconnectAction->setObjectName(QStringLiteral("ReconnectAction"));
    reconnectAction->setCheckable(true);
    reconnectAction->setToolTip(
        tr("设备或连接断开后，保持端口并每隔 1 到 30 秒重试，恢复后继续采集"));
    const auto showChoice = [this] {
        reconnectAction->setChecked(AutoReconnectForPort(portPanel->selectedPortNumber()));
    };
    showChoice();
    connect(portPanel, &PortPanel::portChoiceChanged, this, showChoice);
    connect(reconnectAction, &QAction::toggled, this, [this](bool on) {
        const int number = portPanel->selectedPortNumber();
        if (number <= 0 || AutoReconnectForPort(number) == on) {
            return;
        }
        std::map<int, bool> choices = AutoReconnectChoices();
        choices[number] = on;
        SetAutoReconnectChoices(std::move(choices));
        if (services_.settings) {
            services_.settings->setReconnect(number, on);
        }
        statusBar()->showMessage(on ? tr("com%1：自动重连已打开，下次打开端口时生效").arg(number)
                                    : tr("com%1：自动重连已关闭，下次打开端口时生效").arg(number),
                                 5000);
    });
}

void MonitorWindow::useNetworkPorts(const NetworkPortMap& ports,
                                    const std::map<int, bool>& reconnect) {
    std::map<int, bool> choices = AutoReconnectChoices();
    for (const auto& [number, endpoint] : NetworkPorts()) {
        choices.erase(number);  // a number no longer mapped goes back to the serial default
    }
    for (const auto& [number, on] : reconnect) {
        choices[number] = on;
    }
    if (services_.settings) {
        for (int number = 1; number <= 16; ++number) {
            const auto mapped = ports.find(number);
            const auto before = NetworkPorts().find(number);
            if (mapped != ports.end()) {
                services_.settings->setNetworkPort(number, mapped->second);
                services_.settings->setReconnect(number, choices[number]);
            } else if (before != NetworkPorts().end()) {
                services_.settings->setNetworkPort(number, std::nullopt);
            }
        }
    }
    SetNetworkPorts(ports);
    SetAutoReconnectChoices(std::move(choices));
    reconnectAction->setChecked(AutoReconnectForPort(portPanel->selectedPortNumber()));
    portPanel->refreshDeviceLine();
}

// The status bar tells where the connection stands when it is not simply a
// serial port that is open: connecting to a gateway, connected to one, or
// lost (with the time since and why) while the port tries to get it back.
void MonitorWindow::observeLink() {
    linkLine = new QLabel(this);
    linkLine->setObjectName(QStringLiteral("LinkLine"));
    linkLine->setVisible(false);
    statusBar()->addPermanentWidget(linkLine);
    linkClock_ = new QTimer(this);
    linkClock_->setInterval(1000);
    connect(linkClock_, &QTimer::timeout, this, [this] { showLink(); });
    connect(&port_, &SerialPort::linkStateChanged, this,
            [this](LinkState state, const QString& detail) {
                if (state == LinkState::Lost && linkState_ != LinkState::Lost) {
                    lostClock_.start();
                }
                linkState_ = state;
                if (!detail.isEmpty() || state != LinkState::Lost) {
                    linkDetail_ = detail;
                }
                showLink();
            });
    connect(&port_, &SerialPort::transportNote, diagnostics_, &LineDiagnostics::addTransportNote);
}

void MonitorWindow::showLink() {
    const bool network = !port_.lineSettingsApply();
    // The gateway's host and port (its full description is in the port
    // panel); a serial device by its name.
    QString where = port_.deviceName();
    if (const auto endpoint = NetworkEndpointForPort(port_.portNumber())) {
        const QString host = QString::fromStdString(endpoint->host);
        where = QStringLiteral("%1:%2")
                    .arg(host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host)
                    .arg(endpoint->port);
    }
    QString text;
    QString style;
    switch (linkState_) {
        case LinkState::Connecting:
            text = tr("连接中：%1").arg(where);
            break;
        case LinkState::Connected:
            text = network ? tr("已连接：%1").arg(where) : QString();
            break;
        case LinkState::Lost: {
            const qint64 seconds = lostClock_.isValid() ? lostClock_.elapsed() / 1000 : 0;
            // Short, beside the counters; why it was lost is in the tooltip.
            text = tr("已断开 %1:%2，正在重试")
                       .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                       .arg(seconds % 60, 2, 10, QLatin1Char('0'));
            style = kProblemStyle;
            break;
        }
        case LinkState::Closed:
            text = linkDetail_.isEmpty() ? QString() : tr("已断开");
            style = kProblemStyle;
            break;
    }
    if (linkState_ == LinkState::Lost) {
        linkClock_->start();
    } else {
        linkClock_->stop();
    }
    linkLine->setText(text);
    linkLine->setStyleSheet(style);
    const QString why = linkState_ != LinkState::Connected && !linkDetail_.isEmpty()
                            ? QStringLiteral("%1\n%2").arg(text, linkDetail_)
                            : text;
    linkLine->setToolTip(why);
    linkLine->setAccessibleName(text);
    linkLine->setAccessibleDescription(why);
    linkLine->setVisible(!text.isEmpty());
}

// What the additions around the screen take from the engine: the line
// counters, the traffic monitor's frames (held back while a tick runs), the
// tick's readings and the recording's row.
void MonitorWindow::observeEngine() {
    connect(engine_, &AcquisitionEngine::tickStarted, this, [this] {
        tickInProgress_ = true;
        if (traffic_ != nullptr) {
            traffic_->holdUpdates(true);
        }
        tickReadings_ = TickReadings{};
        tickReadings_.mode = modeName();
        ensureTrendStore();
    });
    diagnostics_->setAnswerWindowMs(layout_.timing.pauseMs);
    connect(engine_, &AcquisitionEngine::lateAnswer, diagnostics_, &LineDiagnostics::addLate);
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
                                bytes, tr("无对应请求"), -1});
        }
    });
    connect(engine_, &AcquisitionEngine::tickFinished, this, [this](const TickSummary& summary) {
        tickInProgress_ = false;
        if (countsPending_) {
            countsPending_ = false;
            countsLine->setText(CountsText(diagnostics_->counts()));
        }
        if (traffic_ != nullptr) {
            traffic_->holdUpdates(false);
        }
        tickReadings_.summary = summary;
        recording_->addTick(tickReadings_);
        lastTick_ = tickReadings_;
        if (analysis_ != nullptr) {
            analysis_->showTick(lastTick_);
        }
        if (trend_ != nullptr) {
            trend_->addTick(summary.startedAt.toMSecsSinceEpoch(), tickReadings_.texts);
            if (trendWindow_ != nullptr) {
                trendWindow_->refresh();
            }
        }
        emit tickRead(tickReadings_);
        tickReadings_ = TickReadings{};
    });
}

QString MonitorWindow::meterName() const {
    return MeterFamilyName(layout_.kind);
}

// 工具→搜索仪表…: the dialog is made at its first use and shown again after
// that, one per window. It reaches the window through its hooks only.
void MonitorWindow::addMeterSearch() {
    QAction* action = toolsMenu->addAction(tr("搜索仪表(&S)…"));
    action->setObjectName(QStringLiteral("SearchMeterAction"));
    connect(action, &QAction::triggered, this, [this] {
        auto* dialog = findChild<SearchDialog*>(QString(), Qt::FindDirectChildrenOnly);
        if (dialog == nullptr) {
            SearchDialog::Hooks hooks;
            hooks.windowKind = layout_.kind;
            hooks.portNumber = [this] { return portPanel->selectedPortNumber(); };
            hooks.stopAcquisition = [this] { return engine_->stopRunning(); };
            hooks.takePort = [this] { return lendPort(); };
            hooks.givePortBack = [this](bool reopen) {
                portPanel->setEnabled(true);
                return reopen && portPanel->reopenPort();
            };
            hooks.putSettings = [this](int address, const SearchLine& line) {
                portPanel->useSettings(address, line.baud, line.parity, 8, 1);
            };
            if (busFamilies_) {
                hooks.addToBus = [this](const std::vector<SearchFind>& finds) {
                    QList<BusMeter> meters;
                    for (const SearchFind& find : finds) {
                        meters.append(
                            BusMeter{find.address, find.family.value_or(layout_.kind), {}, true});
                    }
                    BusWindow* bus = busWindow();
                    bus->addMeters(meters);
                    bus->show();
                    bus->raise();
                };
            }
            dialog = new SearchDialog(std::move(hooks), port_, services_, this);
            // The dialog's port line follows the port chosen in the panel.
            connect(portPanel, &PortPanel::portChoiceChanged, dialog, &SearchDialog::refresh);
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
}

std::function<bool(bool)> MonitorWindow::portGiver() {
    // The bus overview and the accuracy test may give the port back while
    // their window goes away, its panel already gone.
    return [panel = QPointer<PortPanel>(portPanel)](bool reopen) {
        if (panel == nullptr) {
            return false;
        }
        panel->setEnabled(true);
        return reopen && panel->reopenPort();
    };
}

bool MonitorWindow::lendPort() {
    // Closed as the panel's button closes it, and the panel paused until the
    // tool gives the port back.
    if (port_.isOpen()) {
        portPanel->onOpenCloseClicked();
        if (port_.isOpen()) {
            return false;
        }
    }
    portPanel->setEnabled(false);
    return true;
}

void MonitorWindow::addBusOverview() {
    busAction = toolsMenu->addAction(tr("总线巡检(&B)…"));
    busAction->setObjectName(QStringLiteral("BusAction"));
    busAction->setEnabled(false);  // until the program hands the families down
    connect(busAction, &QAction::triggered, this, [this] {
        BusWindow* bus = busWindow();
        if (bus == nullptr) {
            return;
        }
        bus->show();
        bus->raise();
        bus->activateWindow();
    });
}

void MonitorWindow::setBusFamilies(BusFamilies families) {
    busFamilies_ = std::move(families);
    busAction->setEnabled(true);
}

BusWindow* MonitorWindow::busWindow() {
    if (bus_ != nullptr || !busFamilies_) {
        return bus_;
    }
    BusWindow::Hooks hooks;
    hooks.portNumber = [this] { return portPanel->selectedPortNumber(); };
    hooks.lineSettings = [this] { return portPanel->settingsText(); };
    hooks.stopAcquisition = [this] { return engine_->stopRunning(); };
    hooks.takePort = [this] { return lendPort(); };
    hooks.givePortBack = portGiver();
    hooks.openMeter = [this](const BusMeter& meter, const QString& settings) {
        const int portNumber = portPanel->selectedPortNumber();
        if (meter.kind == layout_.kind) {
            useMeter(portNumber, meter.address, settings);
            show();
            raise();
            activateWindow();
        } else if (openOtherMonitor) {
            openOtherMonitor(meter.kind, portNumber, meter.address, settings);
        }
    };
    bus_ = new BusWindow(std::move(hooks), *busFamilies_, port_,
                         services_.makePort ? services_.makePort() : nullptr, this);
    restorePlace(bus_, "bus");
    connect(portPanel, &PortPanel::portChoiceChanged, bus_, &BusWindow::refresh);
    return bus_;
}

void MonitorWindow::addAccuracyTest() {
    accuracyAction = toolsMenu->addAction(tr("准确度试验(&A)…"));
    accuracyAction->setObjectName(QStringLiteral("AccuracyAction"));
    accuracyAction->setEnabled(false);  // until the program hands the families down
    connect(accuracyAction, &QAction::triggered, this, [this] {
        AccuracyWindow* window = accuracyWindow();
        if (window == nullptr) {
            return;
        }
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void MonitorWindow::setAccuracyFamilies(BusFamilies families) {
    accuracyFamilies_ = std::move(families);
    accuracyAction->setEnabled(true);
}

AccuracyWindow* MonitorWindow::accuracyWindow() {
    if (accuracy_ != nullptr || !accuracyFamilies_) {
        return accuracy_;
    }
    AccuracyWindow::Hooks hooks;
    hooks.portNumber = [this] { return portPanel->selectedPortNumber(); };
    hooks.lineSettings = [this] { return portPanel->settingsText(); };
    hooks.stopAcquisition = [this] { return engine_->stopRunning(); };
    hooks.takePort = [this] { return lendPort(); };
    hooks.givePortBack = portGiver();
    hooks.busList = [this]() -> QList<BusMeter> {
        if (bus_ != nullptr) {
            return bus_->list();
        }
        QFile file(BusWindow::listPath(portPanel->selectedPortNumber()));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return ParseBusList(file.read(1024 * 1024)).meters;
    };
    accuracy_ = new AccuracyWindow(std::move(hooks), *accuracyFamilies_, port_,
                                   services_.makePort ? services_.makePort() : nullptr, this);
    restorePlace(accuracy_, "accuracy");
    return accuracy_;
}

void MonitorWindow::useMeter(int portNumber, int address, const QString& settings) {
    if (portNumber != portPanel->selectedPortNumber()) {
        portPanel->pickPort(portNumber);
    }
    const std::optional<LineSettings> line = ParseLineSettings(settings.toStdString());
    if (!line) {
        return;
    }
    static constexpr char kParityLetters[] = {'N', 'E', 'O', 'M', 'S'};
    portPanel->useSettings(address, line->baud, kParityLetters[static_cast<int>(line->parity)],
                           line->dataBits, line->stopBits == LineSettings::StopBits::Two ? 2 : 1);
}

void MonitorWindow::buildMenus() {
    fileMenu = menuBar()->addMenu(tr("文件(&F)"));
    fileMenu->setObjectName(QStringLiteral("FileMenu"));
    viewMenu = menuBar()->addMenu(tr("查看(&V)"));
    viewMenu->setObjectName(QStringLiteral("ViewMenu"));
    toolsMenu = menuBar()->addMenu(tr("工具(&T)"));
    toolsMenu->setObjectName(QStringLiteral("ToolsMenu"));
    helpMenu = menuBar()->addMenu(tr("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("HelpMenu"));

    trafficAction = viewMenu->addAction(tr("通信监视(&M)"));
    trafficAction->setObjectName(QStringLiteral("TrafficAction"));
    trafficAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(trafficAction, &QAction::triggered, this, [this] {
        TrafficWindow* window = trafficWindow();
        window->show();
        window->raise();
        window->activateWindow();
    });
    resetCountsAction = viewMenu->addAction(tr("重置计数(&R)"));
    resetCountsAction->setObjectName(QStringLiteral("ResetCountsAction"));
    resetCountsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(resetCountsAction, &QAction::triggered, diagnostics_, &LineDiagnostics::reset);
    trendAction = viewMenu->addAction(tr("趋势图(&T)"));
    trendAction->setObjectName(QStringLiteral("TrendAction"));
    trendAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(trendAction, &QAction::triggered, this, [this] {
        if (TrendView* view = trendWindow()) {
            view->widget()->show();
            view->widget()->raise();
            view->widget()->activateWindow();
        }
    });
    analysisAction = viewMenu->addAction(tr("三相分析(&A)"));
    analysisAction->setObjectName(QStringLiteral("AnalysisAction"));
    analysisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    connect(analysisAction, &QAction::triggered, this, [this] {
        AnalysisWindow* window = analysisWindow();
        window->show();
        window->raise();
        window->activateWindow();
    });

    resetSettingsAction = helpMenu->addAction(tr("恢复默认设置(&D)"));
    resetSettingsAction->setObjectName(QStringLiteral("ResetSettingsAction"));
    resetSettingsAction->setEnabled(services_.settings != nullptr);
    connect(resetSettingsAction, &QAction::triggered, this, [this] {
        if (services_.settings) {
            services_.settings->forget();
            showHint(tr("已恢复默认设置：下次启动时按默认设置开始，本次不再保存设置"));
        }
    });
    addLanguageMenu();
    aboutAction = helpMenu->addAction(tr("关于仪表测试(&A)"));
    aboutAction->setObjectName(QStringLiteral("AboutAction"));
    aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction->setMenuRole(QAction::AboutRole);
    aboutAction->setEnabled(static_cast<bool>(services_.showAbout));
    connect(aboutAction, &QAction::triggered, this, [this] {
        if (services_.showAbout) {
            services_.showAbout(this);
        }
    });

    recording_->addToMenu(*fileMenu);
    fileMenu->addSeparator();
    reportAction = fileMenu->addAction(tr("导出调试报告(&E)…"));
    reportAction->setObjectName(QStringLiteral("ReportAction"));
    connect(reportAction, &QAction::triggered, this, &MonitorWindow::chooseReportFile);
    fileMenu->addSeparator();

    exitAction = fileMenu->addAction(tr("退出(&X)"));
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
    hintLine->setStyleSheet(kProblemStyle);
    hintLine->setMinimumWidth(0);
    hintLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(hintLine, 1);
    recording_->addToStatusBar(*statusBar());
    countsLine = new StatusText(this);
    countsLine->setObjectName(QStringLiteral("CountsBox"));
    countsLine->label()->setObjectName(QStringLiteral("CountsLine"));
    statusBar()->addPermanentWidget(countsLine);
    // While a tick runs the counters change at every request; they are shown
    // when it ends, so that the status bar is drawn once a tick.
    const auto showCounts = [this](const LineCounts& counts) {
        if (tickInProgress_) {
            countsPending_ = true;
        } else {
            countsLine->setText(CountsText(counts));
        }
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
        traffic_ = new TrafficWindow(meterName(), this);
        traffic_->holdUpdates(tickInProgress_);
        restorePlace(traffic_, "traffic");
    }
    return traffic_;
}

MonitorWindow::~MonitorWindow() {
    // The trend window reads the store: it goes first.
    delete trendWindow_;
}

void MonitorWindow::ensureTrendStore() {
    if (trend_ == nullptr) {
        // A day's worth of ticks at the timer's rhythm, and a minute more.
        constexpr int kDayMs = 24 * 3600 * 1000;
        const int capacity = trendCapacity_ > 0
                                 ? trendCapacity_
                                 : kDayMs / std::max(1000, engine_->timer()->interval()) + 60;
        trend_ = std::make_unique<TrendStore>(TrendSeriesOf(readings_), capacity);
    }
}

TrendView* MonitorWindow::trendWindow() {
    if (trendWindow_ == nullptr) {
        ensureTrendStore();
        QString why;
        trendWindow_ = MakeTrendView(
            *trend_, [this] { return engine_->tickRunning(); }, this, &why);
        if (trendWindow_ == nullptr) {
            showHint(tr("趋势图无法打开：%1").arg(why));
            return nullptr;
        }
        QWidget* window = trendWindow_->widget();
        window->setWindowTitle(tr("趋势图 - ") + meterName());
        restorePlace(window, "trend");
        if (services_.settings) {
            auto* spans = window->findChild<QComboBox*>(QStringLiteral("SpanList"));
            if (const auto span = services_.settings->saved().trendSpan; spans && span) {
                spans->setCurrentIndex(*span);
            }
            if (spans != nullptr) {
                connect(spans, &QComboBox::currentIndexChanged, this,
                        [this](int index) { services_.settings->setTrendSpan(index); });
            }
        }
    }
    return trendWindow_;
}

AnalysisWindow* MonitorWindow::analysisWindow() {
    if (analysis_ == nullptr) {
        analysis_ = new AnalysisWindow(layout_.kind, this);
        analysis_->setWindowTitle(tr("三相分析 - ") + meterName());
        restorePlace(analysis_, "analysis");
        if (services_.settings) {
            auto* list = analysis_->findChild<QComboBox*>(QStringLiteral("NominalFrequencyList"));
            if (list == nullptr) {
                return analysis_;
            }
            if (const auto hertz = services_.settings->saved().nominalFrequency) {
                const int index = list->findData(static_cast<double>(*hertz));
                if (index >= 0) {
                    list->setCurrentIndex(index);
                }
            }
            connect(list, &QComboBox::currentIndexChanged, this, [this, list] {
                services_.settings->setNominalFrequency(qRound(list->currentData().toDouble()));
            });
        }
        analysis_->showTick(lastTick_);
    }
    return analysis_;
}

bool MonitorWindow::exportReport(const QString& path, QString* error) {
    const Thresholds limits = analysis_ != nullptr ? analysis_->thresholds() : Thresholds{};
    const PhaseReadings values = ReadPhaseValues(layout_.kind, lastTick_.mode, lastTick_.texts);
    ReportContent content;
    content.meterName = meterName();
    content.portText =
        tr("com%1，%2").arg(portPanel->selectedPortNumber()).arg(portPanel->settingsText());
    content.addressText = portPanel->addressText();
    content.madeAt = QDateTime::currentDateTime();
    content.tickAt = lastTick_.summary.startedAt;
    for (const Reading& reading : readings_) {
        content.values.append({reading.heading, lastTick_.texts.value(reading.key)});
    }
    content.diagram = PhasorsOf(values, limits);
    content.checks = RunChecks(values, limits);
    content.conclusion = Conclusion(content.checks);
    content.lineCounters = CountsText(diagnostics_->counts());
    return WriteReportPdf(path, content, error);
}

// 文件→导出调试报告…: the file dialog does not block acquisition; a failed
// write is told once in a box that does not wait either.
void MonitorWindow::addLanguageMenu() {
    // Named in both languages, so that it is found whichever one is shown.
    languageMenu = helpMenu->addMenu(QStringLiteral("语言 / Language"));
    languageMenu->setObjectName(QStringLiteral("LanguageMenu"));
    auto* group = new QActionGroup(languageMenu);
    std::optional<Language> chosen;
    if (services_.settings && services_.settings->saved().language) {
        chosen = LanguageOfKey(*services_.settings->saved().language);
    }
    const Language checked = chosen.value_or(CurrentLanguage());
    const struct {
        Language language;
        const char* objectName;
        QString name;  // each language in its own name
    } choices[] = {{Language::Chinese, "LanguageChineseAction", QStringLiteral("中文")},
                   {Language::English, "LanguageEnglishAction", QStringLiteral("English")}};
    for (const auto& choice : choices) {
        QAction* action = languageMenu->addAction(choice.name);
        action->setObjectName(QLatin1String(choice.objectName));
        action->setCheckable(true);
        action->setChecked(choice.language == checked);
        action->setEnabled(services_.settings != nullptr);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, language = choice.language, name = choice.name] {
                    if (!services_.settings) {
                        return;
                    }
                    services_.settings->setLanguage(LanguageKey(language));
                    showHint(language == CurrentLanguage()
                                 ? tr("界面语言保持为%1").arg(name)
                                 : tr("界面语言在下次启动时改为%1").arg(name));
                });
    }
    languageMenu->addSeparator();
    QAction* note = languageMenu->addAction(tr("下次启动时生效"));
    note->setEnabled(false);
}

void MonitorWindow::chooseReportFile() {
    auto* dialog = new QFileDialog(this, tr("导出调试报告"));
    dialog->setObjectName(QStringLiteral("ReportFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(tr("PDF 文件 (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    const QFileInfo suggested(suggestedRecordingPath());
    dialog->setDirectory(suggested.absolutePath());
    dialog->selectFile(suggested.completeBaseName() + tr("-报告.pdf"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        QString error;
        if (path.isEmpty()) {
            return;
        }
        if (exportReport(path, &error)) {
            statusBar()->showMessage(tr("调试报告已导出：%1").arg(QDir::toNativeSeparators(path)),
                                     10000);
            return;
        }
        auto* box = new QMessageBox(
            QMessageBox::Warning, AppTitle(),
            tr("调试报告没有导出：%1\n%2").arg(QDir::toNativeSeparators(path), error),
            QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("ReportWarning"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    });
    dialog->open();
}

void MonitorWindow::finishScreen() {
    const int top = layout_.buttonRowTop;
    primaryButton = MakeButton(screen_, "Command1", layout_.primary.idle, 720, top, 1935, 375);
    secondaryButton = MakeButton(screen_, "Command4", layout_.secondary.idle, 4920, top, 1935, 375);
    exitButton = MakeButton(screen_, "Command2", exitCaption(), 8880, top, 1300, 375);
    secondaryButton->setVisible(layout_.secondaryVisible);
    showState(engine_->state());
    sortFieldReadings();

    connect(primaryButton, &QPushButton::clicked, this, &MonitorWindow::onPrimaryClicked);
    connect(secondaryButton, &QPushButton::clicked, this, &MonitorWindow::onSecondaryClicked);
    connect(exitButton, &QPushButton::clicked, this, &MonitorWindow::onExitClicked);

    portPanel->InitPortLists();
    restoreSettings();
    // The window takes its fixed size now, not only when first shown.
    layout()->activate();
}

// With remembered settings, the port panel starts as it was left and the
// window where it was; without, as always. Later choices are remembered as
// they are made.
void MonitorWindow::restoreSettings() {
    if (!services_.settings) {
        return;
    }
    const SavedSettings& saved = services_.settings->saved();
    const bool panel = layout_.kind == MeterKind::PanelMount;
    portPanel->applyChoices(panel ? saved.panelPort : saved.railPort);
    restorePlace(this, panel ? "monitor-panel" : "monitor-rail");
    for (QComboBox* list : portPanel->findChildren<QComboBox*>()) {
        connect(list, &QComboBox::currentTextChanged, this, &MonitorWindow::savePortChoices);
    }
}

void MonitorWindow::savePortChoices() {
    if (services_.settings) {
        services_.settings->setPort(layout_.kind == MeterKind::PanelMount, portPanel->choices());
    }
}

void MonitorWindow::restorePlace(QWidget* window, const char* name) {
    if (services_.settings) {
        const QByteArray geometry = services_.settings->geometry(name);
        if (!geometry.isEmpty()) {
            window->restoreGeometry(geometry);
        }
    }
}

void MonitorWindow::saveWindowPlaces() {
    if (!services_.settings) {
        return;
    }
    SettingsStore& settings = *services_.settings;
    settings.setGeometry(layout_.kind == MeterKind::PanelMount ? "monitor-panel" : "monitor-rail",
                         saveGeometry());
    const std::pair<QWidget*, const char*> windows[] = {
        {traffic_, "traffic"},
        {analysis_, "analysis"},
        {trendWindow_ != nullptr ? trendWindow_->widget() : nullptr, "trend"},
        {bus_, "bus"},
        {accuracy_, "accuracy"}};
    for (const auto& [window, name] : windows) {
        if (window != nullptr) {
            settings.setGeometry(name, window->saveGeometry());
        }
    }
}

void MonitorWindow::registerValueField(const ValueField& field) {
    fields_.insert(field.field->objectName(), field.field);
    // Two-line captions read as one.
    QString heading = field.caption->text().remove(QLatin1Char('\n'));
    if (field.unit != nullptr) {
        heading += QStringLiteral(" (%1)").arg(field.unit->text());
    }
    readings_.insert(fieldReadings_++, Reading{field.field->objectName(), heading});
    // The field's context menu offers it to the trend (fields with a number).
    const QString key = field.field->objectName();
    if (IsTrendable(key)) {
        auto* toTrend = new QAction(tr("加入趋势图"), field.field);
        toTrend->setObjectName(QStringLiteral("AddToTrendAction"));
        connect(toTrend, &QAction::triggered, this, [this, key] {
            if (TrendView* view = trendWindow()) {
                view->setSeriesShown(key, true);
                view->widget()->show();
                view->widget()->raise();
            }
        });
        field.field->addContextAction(toTrend);
    }
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

bool MonitorWindow::startRecording(const QString& path) {
    return recording_->start(path);
}

void MonitorWindow::stopRecording() {
    recording_->stop();
}

bool MonitorWindow::recording() const {
    return recording_->recording();
}

qint64 MonitorWindow::recordedRows() const {
    return recording_->rows();
}

QString MonitorWindow::suggestedRecordingPath() const {
    return recording_->suggestedPath();
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
    saveWindowPlaces();
    stopRecording();
    engine_->end();
    event->accept();
}

}  // namespace mt
