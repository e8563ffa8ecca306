// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/meterkind.h"
#include "platform/serialport.h"
#include "platform/services.h"
#include "search/metersearch.h"

class QCheckBox;
class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QVBoxLayout;

namespace mt {

// A duration for the user: "不到 1 秒", "12 秒", "2 分 05 秒", "1 小时 05 分".
QString DurationText(qint64 ms);
// What a find is, for the results table's type column.
QString SearchFindText(const SearchFind& find);
// Why the port could not be used, in plain words.
QString PortProblemText(const PortError& error, int portNumber);

// 工具→搜索仪表…: finds the address, baud rate and parity of the meters on
// the line of the port chosen in the window's port panel. Not modal: the
// window stays usable beside it, and everything it has to say stands in its
// own lines.
//
// A search stops the window's acquisition (as the stop click does), closes
// the window's port through the panel and keeps the panel disabled while
// it runs on a serial component of its own (Services::makePort): one
// program may hold a port at a time. When it ends, is cancelled or fails,
// the window's port is opened again with its former settings if it was
// open before, so the port is left as it was. "使用" puts the chosen find's
// address, baud rate and parity (8 data bits, 1 stop bit) into the panel's
// lists, and opens the port again with them if it is open.
class SearchDialog : public QDialog {
    Q_OBJECT

public:
    // The baud rates on offer; the first four are the port panel's and are
    // chosen from the start.
    static inline const QList<int> kBauds = {4800, 9600, 19200, 38400, 1200, 2400, 57600, 115200};

    // What the dialog asks of the monitor window it belongs to.
    struct Hooks {
        // The family the window monitors.
        MeterKind windowKind = MeterKind::PanelMount;
        // The port number chosen in the window's port panel.
        std::function<int()> portNumber;
        // Stops acquisition as the stop click does; true when it was running.
        std::function<bool()> stopAcquisition;
        // The window lets go of its port as "关闭串口" does and keeps its
        // panel disabled; false when the port would not close.
        std::function<bool()> takePort;
        // The panel is enabled again and, when `reopen`, the port opened with
        // its former settings; true when the port is open afterwards.
        std::function<bool(bool reopen)> givePortBack;
        // Puts an address and line settings (8 data bits, 1 stop bit) into
        // the panel, and opens the port again with them if it is open.
        std::function<void(int address, const SearchLine& line)> putSettings;
        // Adds found meters to the bus overview's list; without it the
        // dialog offers no "加入巡检".
        std::function<void(const std::vector<SearchFind>& meters)> addToBus;
    };

    SearchDialog(Hooks hooks, SerialPort& monitorPort, Services services, QWidget* parent);
    ~SearchDialog() override;

    // The plan the choices make.
    SearchPlan plan() const;
    bool searching() const { return search_ != nullptr; }
    // The finds shown, in the table's order.
    const std::vector<SearchFind>& finds() const { return finds_; }
    // The search under way (nullptr when none).
    MeterSearch* search() const { return search_; }

    void startSearch();
    void cancelSearch();
    // "使用" for the selected row.
    void useSelected();
    // Hands meters found to the bus overview (see Hooks::addToBus).
    void addToBus(const std::vector<SearchFind>& meters);
    // The port line and the estimate, for the port chosen now.
    void refresh();

signals:
    void searchEnded(mt::SearchEnd end);

protected:
    // Esc and the window's close button cancel a search, then hide the dialog.
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    QWidget* buildBaudFrame();
    QWidget* buildParityFrame();
    QLayout* buildOptions();
    void buildRunRows(QVBoxLayout& top);
    void buildResults(QVBoxLayout& top);
    void connectControls();
    void showPortLine();
    void showRunning(bool running);
    void onProgress(const SearchProgress& progress);
    void onFound(const SearchFind& find);
    void onFinished(SearchEnd end);
    QString outcomeText(SearchEnd end, const std::optional<PortError>& failure,
                        QString* detail) const;
    void onSelectionChanged();
    void showNote(const QString& text, bool problem = false, const QString& detail = {});
    // A note when the meter's family is not the window's, else empty.
    QString familyWarning(const SearchFind& find) const;
    // The selected row of the results (-1: none), and its family note.
    int selectedRow() const;
    QString selectedWarning() const;

    // The controls, found by their object names (SearchStart, SearchResults, ...).
    QLabel* portLine = nullptr;
    QMap<int, QCheckBox*> baudBoxes;
    QMap<char, QCheckBox*> parityBoxes;
    QSpinBox* firstAddressBox = nullptr;
    QSpinBox* lastAddressBox = nullptr;
    QSpinBox* timeoutBox = nullptr;  // 0: automatic
    QCheckBox* stopAtFirstBox = nullptr;
    QLabel* estimateLine = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* progressLine = nullptr;
    QTableWidget* resultsTable = nullptr;
    QLabel* noteLine = nullptr;
    QPushButton* useButton = nullptr;
    QPushButton* addToBusButton = nullptr;     // the selected meter
    QPushButton* addAllToBusButton = nullptr;  // every meter found
    QPushButton* closeButton = nullptr;

    Hooks hooks_;
    SerialPort& monitorPort_;
    Services services_;
    std::unique_ptr<SerialPort> searchPort_;
    MeterSearch* search_ = nullptr;
    bool monitorPortWasOpen_ = false;
    bool acquisitionStopped_ = false;
    int searchPortNumber_ = 0;
    std::vector<SearchFind> finds_;
};

}  // namespace mt
