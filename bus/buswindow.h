// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "bus/buslist.h"
#include "bus/buspoller.h"
#include "platform/serialport.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

namespace mt {

class BusFilterModel;
class BusTableModel;
class DurableCsvFile;

// The bus overview, 工具→总线巡检: every meter of a list polled on the
// monitor's port with the port panel's line settings, in a table. While it
// polls it holds the port as the meter search does: acquisition is stopped,
// the port is taken, and given back with its former settings at the end.
// The list is kept per port number in the program's data folder.
class BusWindow : public QWidget {
    Q_OBJECT

public:
    struct Hooks {
        std::function<int()> portNumber;
        // The port panel's settings text, "9600,N,8,1".
        std::function<QString()> lineSettings;
        // Stops acquisition as the stop click does.
        std::function<bool()> stopAcquisition;
        // The window lets go of its port; false when it would not close.
        std::function<bool()> takePort;
        // The panel is enabled again and, when `reopen`, the port opened.
        std::function<bool(bool reopen)> givePortBack;
        // Puts a meter's address, family and line settings into a monitor
        // of its family and shows it.
        std::function<void(const BusMeter& meter, const QString& settings)> openMeter;
    };

    // Polls on `ownPort` (a serial component of its own, as the search has:
    // the monitor's component stays with the monitor), or on `monitorPort`
    // when none is given.
    BusWindow(Hooks hooks, BusFamilies families, SerialPort& monitorPort,
              std::unique_ptr<SerialPort> ownPort = nullptr, QWidget* parent = nullptr);
    ~BusWindow() override;

    BusPoller& poller() { return *poller_; }
    const QList<BusMeter>& list() const { return list_; }
    // Replaces the list (and keeps it for the port).
    void setList(const QList<BusMeter>& meters);
    // Adds meters whose address is not taken yet; gives how many.
    int addMeters(const QList<BusMeter>& meters);

    bool startPolling();
    void stopPolling();

    // Import: the good rows are added, bad ones listed on the status line.
    BusListImport importList(const QString& path);
    bool exportList(const QString& path, QString* error = nullptr);
    bool startRecording(const QString& path, QString* error = nullptr);
    void stopRecording();
    bool recording() const;

    // Opens the monitor for a row of the list (what a double-click does).
    void openRow(int listRow);

    // Where the list of a port is kept.
    static QString listPath(int portNumber);

    QPushButton* startButton = nullptr;
    QComboBox* intervalList = nullptr;
    QComboBox* filterList = nullptr;
    QSpinBox* addressBox = nullptr;
    QComboBox* familyList = nullptr;
    QLineEdit* nameEdit = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* importButton = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* recordButton = nullptr;
    QTableView* table = nullptr;
    QLabel* statusLine = nullptr;

public slots:
    // The port chosen in the panel changed: its list is loaded.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void listChanged();
    void saveList();
    void showStatus(const QString& text);
    void recordRound(quint64 round);
    void showRunning();

    Hooks hooks_;
    SerialPort& port_;  // the monitor's
    std::unique_ptr<SerialPort> ownPort_;
    BusPoller* poller_ = nullptr;
    BusTableModel* model_ = nullptr;
    BusFilterModel* filter_ = nullptr;
    DurableCsvFile* csv_ = nullptr;
    QList<BusMeter> list_;
    int listPort_ = -1;
    bool portWasOpen_ = false;
    bool holdingPort_ = false;
};

}  // namespace mt
