// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QWidget>

#include "platform/savedsettings.h"
#include "platform/serialport.h"
#include "platform/services.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace mt {

class StatusLamp;

// An editable drop-down list that tells when its list is about to open, so the
// port list can refresh which device each port stands for.
class PanelComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit PanelComboBox(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void popupAboutToShow();
};

// The serial port panel shared by both monitor screens: the meter-parameter
// frame (address, baud rate), the port frame (port, parity, data bits, stop
// bits, open/close button, lamp) and a line telling which device the chosen
// port stands for. It occupies the top of the screen, frames placed in twips
// relative to the screen.
//
// The owning screen reacts to three signals: the close button closed the port
// (stop polling, acquisition buttons idle), the device went away (the same;
// the panel has already shown the port closed and warns once), and another
// port was picked while open (the port is closed; polling state unchanged).
class PortPanel : public QWidget {
    Q_OBJECT

public:
    static QString openCaption() { return tr("打开串口"); }
    static QString closeCaption() { return tr("关闭串口"); }
    static QString invalidPortText() { return tr("无效端口号"); }
    static QString alreadyOpenText() { return tr("串口已经打开"); }
    static QString disconnectedText() { return tr("串口已断开"); }

    PortPanel(SerialPort& port, Services services, QWidget* parent = nullptr);

    // Fills the five lists and selects their start items: com1, N, 8, 1,
    // address 1, 9600. Picking com1 counts as a click on the port list.
    void InitPortLists();

    // The settings text handed to the port: baud, parity, data and stop bits
    // as they stand in the lists, joined by commas.
    QString settingsText() const;
    // 1 for com1 and so on; 0 when the list's text matches no item.
    int selectedPortNumber() const;
    // The address list's text, as copied into MeterAddress at every tick.
    QString addressText() const;

    // Closes the port and opens it again at once with unchanged settings (the
    // acquisition start does this). On failure the port is left closed, shown
    // closed, "无效端口号" is shown, and false is returned.
    bool reopenPort();

    // Puts an address and line settings into the lists, as if picked there.
    // An open port is closed and opened again with them: a port takes its
    // settings when it opens.
    void useSettings(int address, int baud, char parity, int dataBits, int stopBits);

    // The lists' present choices, each absent when its text is not one the
    // panel offers (typed nonsense is never remembered).
    SavedPort choices() const;
    // Puts remembered choices into the lists (absent ones stay as they are);
    // a port number picks that port as the user does, so a port that is gone
    // is told on the device line as for a click. Opens nothing.
    void applyChoices(const SavedPort& choices);

    // Marks the address list as holding an address that cannot be sent (or
    // clears the mark), with a short explanation beside the device line.
    void showAddressInvalid(bool invalid);

    // A click on the open/close button, and the pick of a port in the list.
    void onOpenCloseClicked();
    void onPortPicked();
    // Picks comN in the port list, as the user does.
    void pickPort(int number);
    // The button offers to close the port: the panel shows it open.
    bool shownOpen() const;
    // Says again what the chosen port stands for (a device, or a gateway).
    void refreshDeviceLine();

signals:
    // The close button closed the port.
    void portClosed();
    // The device went away while open; the port is closed.
    void portLost();
    // Another port was picked while the port was open; the port is closed.
    void portSwitched();
    // The port list's text changed, by a pick or otherwise.
    void portChoiceChanged();

private:
    void showOpenState(bool open);
    void onDeviceLost(const QString& detail);
    void onLinkStateChanged(mt::LinkState state, const QString& detail);
    PortResult openPort();
    // Says on the device line why the port did not open, and what to do.
    void showWhyNotOpen(const PortError& error);
    void warnInvalidPort();

    SerialPort& port_;
    Services services_;

    // The controls; each one's object name is the screen's control name
    // (Frame1, Frame2, Combo1, Combo3 to Combo7, Command3, Shape1).
    QGroupBox* meterFrame = nullptr;
    QGroupBox* portFrame = nullptr;
    PanelComboBox* addressList = nullptr;
    PanelComboBox* baudList = nullptr;
    PanelComboBox* portList = nullptr;
    PanelComboBox* parityList = nullptr;
    PanelComboBox* dataBitsList = nullptr;
    PanelComboBox* stopBitsList = nullptr;
    QPushButton* openCloseButton = nullptr;
    StatusLamp* lamp = nullptr;
    QLabel* deviceLine = nullptr;
    QLabel* addressHint = nullptr;
};

}  // namespace mt
