// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <map>

#include "platform/netendpoint.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace mt {

// One row of the 网络端口 table as the user typed it.
struct NetworkPortRow {
    int port = 1;  // comN
    QString host;
    int tcpPort = 502;
    Framing framing = Framing::RtuOverTcp;
    bool reconnect = true;
};

// The rows checked: the map and the 自动重连 choices they give, or the
// first problem, naming its row (1-based) and what is wrong.
struct NetworkPortCheck {
    NetworkPortMap ports;
    std::map<int, bool> reconnect;
    QString problem;  // empty when the rows are good
};
NetworkPortCheck CheckNetworkPortRows(const QList<NetworkPortRow>& rows);

// 工具→网络端口…: which port numbers stand for a serial gateway on the
// network (host, TCP port, RTU over TCP or Modbus TCP, 自动重连). A mapped
// number takes precedence over a device of the same number; the line's baud
// rate and parity live in the gateway. 应用 checks the rows, then hands the
// map over; it is used at the next opening of a port. Not modal.
class NetworkPortsDialog : public QDialog {
    Q_OBJECT

public:
    // `apply` takes the checked map and choices (the program keeps and
    // saves them).
    using Apply =
        std::function<void(const NetworkPortMap& ports, const std::map<int, bool>& reconnect)>;

    NetworkPortsDialog(const NetworkPortMap& ports, const std::map<int, bool>& reconnect,
                       Apply apply, QWidget* parent = nullptr);

    QList<NetworkPortRow> rows() const;
    // Adds a row for the first port number not in the table (a gateway on
    // the same host as the row before, when there is one).
    void addRow();
    void removeSelectedRow();
    // Checks and hands over the rows; false, with the problem on the status
    // line, when a row is not good.
    bool applyRows();

private:
    void addRow(const NetworkPortRow& row);
    void say(const QString& text, bool problem);

    Apply apply_;
    QTableWidget* table = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* applyButton = nullptr;
    QPushButton* closeButton = nullptr;
    QLabel* statusLine = nullptr;
};

}  // namespace mt
