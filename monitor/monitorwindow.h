// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAnyStringView>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "acquisition/acquisition.h"
#include "acquisition/readings.h"
#include "bus/busreads.h"
#include "link/answer.h"
#include "link/fieldtext.h"
#include "link/meterkind.h"
#include "link/pollstep.h"
#include "link/request.h"
#include "monitor/valuefield.h"
#include "platform/netendpoint.h"
#include "platform/serialport.h"
#include "platform/services.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace mt {

class AnalysisWindow;
class AccuracyWindow;
class BusWindow;
class TrendStore;
class TrendView;
class LineDiagnostics;
class PortPanel;
class RecordingController;
class StatusText;
class TrafficWindow;

// What both monitor screens share: the window, the serial port panel at the
// top of its screen, the button row at the bottom (the two acquisition
// buttons Command1 and Command4 and the exit button Command2), and the
// acquisition engine with the polling timer Timer1. A screen adds its value
// frame between panel and buttons, its schedule and its decoder.
//
// The screen is a fixed area laid out in twips; the window puts it in its
// central area, with a menu bar above (文件, 查看, 工具, 帮助) and a status bar
// below, where the tool's additions live: they observe the screen and never
// change what it shows. Closing the window, the exit button or 文件→退出 end
// the program through Services::endProgram (after stopping the timer and
// closing the port); the window does not delete itself.
class MonitorWindow : public QMainWindow {
    Q_OBJECT

public:
    static QString exitCaption() { return tr("退      出"); }

    // An acquisition button's captions.
    struct ButtonCaptions {
        QString idle;
        QString running;
    };

    // What differs between the two screens' frames.
    struct Layout {
        const char* objectName;  // "Form1", "Form2"
        MeterKind kind;          // its name is in the window title
        QSize screenTwips;       // the screen's client area
        int buttonRowTop;        // twips
        ButtonCaptions primary = {};
        ButtonCaptions secondary = {};
        bool secondaryVisible = true;
        AcquisitionTiming timing = {};
        CloseReset closeReset = CloseReset::BothButtons;
    };

    using Reading = mt::Reading;
    using TickReadings = mt::TickReadings;

    LineDiagnostics& diagnostics() { return *diagnostics_; }
    const LineDiagnostics& diagnostics() const { return *diagnostics_; }
    // The traffic monitor window, made when first asked for.
    TrafficWindow* trafficWindow();
    // The three-phase analysis window, made when first asked for; it shows
    // the last tick that ended and every one after it.
    AnalysisWindow* analysisWindow();
    // The trend window, made when first asked for (its module is loaded
    // then; nullptr, with the reason in the status bar, when it cannot be),
    // and the history it shows:
    // every tick's accepted values from the start of polling, the oldest
    // going once a day's worth at the screen's rhythm is held (nullptr
    // before the first tick).
    TrendView* trendWindow();
    const TrendStore* trendStore() const { return trend_.get(); }
    // The store's size in ticks instead of a day's worth; takes effect for a
    // store not yet made (the soak uses a small one).
    void setTrendCapacity(int ticks) { trendCapacity_ = ticks; }
    // The last tick that ended (empty before the first).
    const TickReadings& lastTick() const { return lastTick_; }
    // Writes the commissioning report of the last tick as a PDF. On failure
    // gives false and the reason; nothing else changes.
    bool exportReport(const QString& path, QString* error);

    // The screen's readings in screen order: value fields row by row, left
    // to right, then whatever else the screen adds.
    const QList<Reading>& readings() const { return readings_; }
    // The meter family, and its name as in the window title.
    MeterKind meterKind() const { return layout_.kind; }

    // 工具→总线巡检: the bus overview of this window's port, made at its
    // first use.
    BusWindow* busWindow();
    // What the overview reads from each family; set by the program (the
    // families' decoders live above the monitor). Without it 工具→总线巡检
    // is disabled.
    void setBusFamilies(BusFamilies families);
    // 工具→准确度试验: the accuracy test of this window's port, made at its
    // first use; disabled until the program hands down what it reads.
    AccuracyWindow* accuracyWindow();
    void setAccuracyFamilies(BusFamilies families);
    // Puts a port number, an address and line settings ("9600,N,8,1") into
    // the port panel, as picking them there does.
    void useMeter(int portNumber, int address, const QString& settings);
    // Opens a monitor of the other family for a meter of the bus overview;
    // set by the program. Without it the overview only says what to do.
    std::function<void(MeterKind kind, int portNumber, int address, const QString& settings)>
        openOtherMonitor;
    QString meterName() const;

    // Recording: one CSV row per tick that ended, while acquisition runs.
    // Starting creates (or overwrites) the file and writes its header; a
    // failure then or later ends the recording with one warning that does
    // not wait for an answer. Stopping acquisition does not end it; closing
    // the window does.
    bool startRecording(const QString& path);
    void stopRecording();
    bool recording() const;
    // Rows on the medium so far in the recording that runs or ran last.
    qint64 recordedRows() const;
    // Where 文件→开始记录… suggests to save: the documents folder and
    // "<meter type>-<yyyyMMdd-HHmmss>.csv".
    QString suggestedRecordingPath() const;

    // The fixed area that holds the screen's controls, placed in twips.
    QWidget* screenArea() const { return screen_; }
    // The value field with that object name ("UanT", ...), or nullptr.
    ValueFieldEdit* valueField(QAnyStringView name) const;
    AcquisitionEngine& acquisition() { return *engine_; }
    const AcquisitionEngine& acquisition() const { return *engine_; }

    // The buttons' clicks, as the user makes them.
    void onPrimaryClicked();
    void onSecondaryClicked();
    void onExitClicked();
    // Runs a tick now, as the polling timer does when it fires (tests and
    // drivers call it; the timer calls the engine's tick itself).
    void onPollTimer();

signals:
    void tickRead(const mt::TickReadings& readings);

protected:
    MonitorWindow(const Layout& layout, SerialPort& port, Services services,
                  RequestParameters& request, QWidget* parent);
    ~MonitorWindow() override;

    // Called by the screen once its value frame is built: adds the button
    // row (after the frame, for the keyboard's order) and fills the panel.
    void finishScreen();
    // Makes a value field known by its object name, and a reading.
    void registerValueField(const ValueField& field);
    // Adds a reading after the value fields.
    void addReading(const QString& key, const QString& heading);
    // A reading was refreshed by an accepted answer.
    void noteReading(const QString& key, const QString& text);
    // Shows decoded texts in the fields they name.
    void showFieldTexts(const std::vector<FieldText>& texts);
    // The name of the acquisition mode a tick starting now runs (empty when
    // the screen has one mode).
    virtual QString modeName() const { return {}; }

    // The reads of one tick in the engine's present state (empty: none).
    virtual std::span<const PollStep> schedule() const = 0;
    // Shows an accepted answer.
    virtual void decode(AnswerBytes answer) = 0;

    void closeEvent(QCloseEvent* event) override;

    SerialPort& port_;
    Services services_;

private:
    void showState(const AcquisitionState& state);
    void buildMenus();
    void buildStatusBar();
    void showHint(const QString& hint);
    void observeEngine();
    void addMeterSearch();
    void addBusOverview();
    void addAccuracyTest();
    void addNetworkPorts();
    void useNetworkPorts(const NetworkPortMap& ports, const std::map<int, bool>& reconnect);
    void observeLink();
    void showLink();
    // The remembered port choices and window place, and their saving.
    void restoreSettings();
    void savePortChoices();
    void saveWindowPlaces();
    void restorePlace(QWidget* window, const char* name);
    void sortFieldReadings();
    void addLanguageMenu();
    // For the meter search and the bus overview, which use the port on their
    // own: closes it (as the panel's button does) and pauses the panel.
    // False when the port would not close.
    bool lendPort();
    // Gives the port back to the panel (and reopens it when asked), unless
    // the panel is gone: for the bus overview and the accuracy test.
    std::function<bool(bool reopen)> portGiver();
    void chooseReportFile();
    void ensureTrendStore();

    Layout layout_;
    // The controls; each one's object name is the screen's control name
    // (Command1, Command4, Command2, Timer1) or says what it is.
    PortPanel* portPanel = nullptr;
    QPushButton* primaryButton = nullptr;    // Command1
    QPushButton* secondaryButton = nullptr;  // Command4
    QPushButton* exitButton = nullptr;       // Command2
    QTimer* pollTimer = nullptr;             // Timer1

    QMenu* fileMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* toolsMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QAction* exitAction = nullptr;           // 文件→退出
    QAction* trafficAction = nullptr;        // 查看→通信监视
    QAction* resetCountsAction = nullptr;    // 查看→重置计数
    QAction* analysisAction = nullptr;       // 查看→三相分析
    QAction* reportAction = nullptr;         // 文件→导出调试报告…
    QAction* trendAction = nullptr;          // 查看→趋势图
    QAction* aboutAction = nullptr;          // 帮助→关于仪表测试
    QAction* busAction = nullptr;            // 工具→总线巡检
    QAction* accuracyAction = nullptr;       // 工具→准确度试验
    QAction* resetSettingsAction = nullptr;  // 帮助→恢复默认设置
    QMenu* languageMenu = nullptr;           // 帮助→语言 / Language
    QLabel* hintLine = nullptr;              // the status bar's plain-language hint
    StatusText* countsLine = nullptr;        // the status bar's request counters
    QLabel* linkLine = nullptr;              // where the connection stands
    QAction* networkAction = nullptr;        // 工具→网络端口…
    QAction* reconnectAction = nullptr;      // 工具→自动重连
    QWidget* screen_ = nullptr;
    QHash<QString, ValueFieldEdit*> fields_;
    QList<Reading> readings_;
    qsizetype fieldReadings_ = 0;
    AcquisitionEngine* engine_ = nullptr;
    TickReadings tickReadings_;
    LineDiagnostics* diagnostics_ = nullptr;
    TrafficWindow* traffic_ = nullptr;
    AnalysisWindow* analysis_ = nullptr;
    BusWindow* bus_ = nullptr;
    std::optional<BusFamilies> busFamilies_;
    AccuracyWindow* accuracy_ = nullptr;
    std::optional<BusFamilies> accuracyFamilies_;
    std::unique_ptr<TrendStore> trend_;
    int trendCapacity_ = 0;
    TrendView* trendWindow_ = nullptr;
    TickReadings lastTick_;
    bool tickInProgress_ = false;
    bool countsPending_ = false;  // the counters changed during the tick under way
    LinkState linkState_ = LinkState::Closed;
    QString linkDetail_;
    QElapsedTimer lostClock_;      // since the link was lost
    QTimer* linkClock_ = nullptr;  // updates the time lost once a second
    RecordingController* recording_ = nullptr;
};

}  // namespace mt
