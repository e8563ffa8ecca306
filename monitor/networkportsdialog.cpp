// SPDX-License-Identifier: GPL-3.0-or-later
#include "networkportsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/services.h"

namespace mt {

namespace {

enum Column { PortColumn, HostColumn, TcpPortColumn, FramingColumn, ReconnectColumn, ColumnCount };

constexpr int kPortNumbers = 16;

}  // namespace

NetworkPortCheck CheckNetworkPortRows(const QList<NetworkPortRow>& rows) {
    NetworkPortCheck check;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const NetworkPortRow& row = rows[i];
        const int number = static_cast<int>(i) + 1;
        const QString host = row.host.trimmed();
        const auto fail = [&](const QString& why) {
            check.problem = NetworkPortsDialog::tr("第 %1 行：%2").arg(number).arg(why);
            check.ports.clear();
            check.reconnect.clear();
        };
        if (row.port < 1 || row.port > kPortNumbers) {
            fail(NetworkPortsDialog::tr("端口须为 com1 到 com%1").arg(kPortNumbers));
            return check;
        }
        if (check.ports.contains(row.port)) {
            fail(NetworkPortsDialog::tr("com%1 已映射").arg(row.port));
            return check;
        }
        if (!ValidHostName(host.toStdString())) {
            fail(host.isEmpty() ? NetworkPortsDialog::tr("请填写网关的主机名或地址")
                                : NetworkPortsDialog::tr("“%1”不是主机名或地址").arg(host));
            return check;
        }
        if (row.tcpPort < 1 || row.tcpPort > 65535) {
            fail(NetworkPortsDialog::tr("TCP 端口须为 1 到 65535"));
            return check;
        }
        check.ports[row.port] = NetworkEndpoint{host.toStdString(), row.tcpPort, row.framing};
        check.reconnect[row.port] = row.reconnect;
    }
    return check;
}

NetworkPortsDialog::NetworkPortsDialog(const NetworkPortMap& ports,
                                       const std::map<int, bool>& reconnect, Apply apply,
                                       QWidget* parent)
    : QDialog(parent), apply_(std::move(apply)) {
    setObjectName(QStringLiteral("NetworkPortsDialog"));
    setWindowTitle(tr("网络端口"));
    setAccessibleName(windowTitle());
    setModal(false);

    auto* intro =
        new QLabel(tr("把端口号映射到串口服务器（网关）。映射的端口号优先于同号的串口设备；"
                      "线路的波特率和校验位在网关中设置。修改在下次打开端口时生效。"),
                   this);
    intro->setObjectName(QStringLiteral("NetworkPortsIntro"));
    intro->setWordWrap(true);

    table = new QTableWidget(0, ColumnCount, this);
    table->setObjectName(QStringLiteral("NetworkPortsTable"));
    table->setAccessibleName(tr("网络端口"));
    table->setHorizontalHeaderLabels(
        {tr("端口"), tr("主机"), tr("TCP 端口"), tr("帧格式"), tr("自动重连")});
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // The host takes what is left; the other columns as wide as their
    // controls (the framing's names whole).
    for (const int column : {PortColumn, TcpPortColumn, FramingColumn, ReconnectColumn}) {
        table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    table->horizontalHeader()->setSectionResizeMode(HostColumn, QHeaderView::Stretch);

    addButton = new QPushButton(tr("添加(&A)"), this);
    addButton->setObjectName(QStringLiteral("NetworkAddButton"));
    removeButton = new QPushButton(tr("删除(&D)"), this);
    removeButton->setObjectName(QStringLiteral("NetworkRemoveButton"));
    applyButton = new QPushButton(tr("应用(&P)"), this);
    applyButton->setObjectName(QStringLiteral("NetworkApplyButton"));
    closeButton = new QPushButton(tr("关闭"), this);
    closeButton->setObjectName(QStringLiteral("NetworkCloseButton"));
    for (QPushButton* button : {addButton, removeButton, applyButton, closeButton}) {
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
        button->setAutoDefault(false);
    }
    statusLine = new QLabel(this);
    statusLine->setObjectName(QStringLiteral("NetworkStatus"));
    statusLine->setAccessibleName(tr("网络端口状态"));
    statusLine->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    buttons->addStretch(1);
    buttons->addWidget(applyButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(table, 1);
    layout->addWidget(statusLine);
    layout->addLayout(buttons);

    connect(addButton, &QPushButton::clicked, this, [this] { addRow(); });
    connect(removeButton, &QPushButton::clicked, this, &NetworkPortsDialog::removeSelectedRow);
    connect(applyButton, &QPushButton::clicked, this, &NetworkPortsDialog::applyRows);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    for (const auto& [number, endpoint] : ports) {
        const auto choice = reconnect.find(number);
        addRow(NetworkPortRow{number, QString::fromStdString(endpoint.host), endpoint.port,
                              endpoint.framing, choice == reconnect.end() || choice->second});
    }
    resize(std::max(sizeHint().width(), 620), 320);
}

void NetworkPortsDialog::addRow(const NetworkPortRow& row) {
    const int r = table->rowCount();
    table->insertRow(r);
    auto* port = new QComboBox(table);
    for (int n = 1; n <= kPortNumbers; ++n) {
        port->addItem(QStringLiteral("com%1").arg(n), n);
    }
    port->setCurrentIndex(std::clamp(row.port, 1, kPortNumbers) - 1);
    port->setAccessibleName(tr("端口"));
    auto* host = new QLineEdit(row.host, table);
    host->setPlaceholderText(tr("192.168.1.20 或 gateway.local"));
    host->setAccessibleName(tr("主机"));
    auto* tcpPort = new QSpinBox(table);
    tcpPort->setRange(1, 65535);
    tcpPort->setValue(row.tcpPort);
    tcpPort->setAccessibleName(tr("TCP 端口"));
    auto* framing = new QComboBox(table);
    framing->addItem(QStringLiteral("RTU over TCP"), static_cast<int>(Framing::RtuOverTcp));
    framing->addItem(QStringLiteral("Modbus TCP"), static_cast<int>(Framing::ModbusTcp));
    framing->setCurrentIndex(row.framing == Framing::ModbusTcp ? 1 : 0);
    framing->setAccessibleName(tr("帧格式"));
    auto* reconnect = new QCheckBox(table);
    reconnect->setChecked(row.reconnect);
    reconnect->setAccessibleName(tr("自动重连"));
    table->setCellWidget(r, PortColumn, port);
    table->setCellWidget(r, HostColumn, host);
    table->setCellWidget(r, TcpPortColumn, tcpPort);
    table->setCellWidget(r, FramingColumn, framing);
    table->setCellWidget(r, ReconnectColumn, reconnect);
}

void NetworkPortsDialog::addRow() {
    const QList<NetworkPortRow> present = rows();
    QSet<int> taken;
    for (const NetworkPortRow& row : present) {
        taken.insert(row.port);
    }
    NetworkPortRow row;
    // Gateways are mostly numbered from the top, away from the PC's own ports.
    for (int n = kPortNumbers; n >= 1; --n) {
        if (!taken.contains(n)) {
            row.port = n;
            break;
        }
    }
    if (!present.isEmpty()) {
        row.host = present.last().host;
        row.framing = present.last().framing;
    }
    addRow(row);
    table->selectRow(table->rowCount() - 1);
    if (auto* host =
            qobject_cast<QLineEdit*>(table->cellWidget(table->rowCount() - 1, HostColumn))) {
        host->setFocus();
    }
}

void NetworkPortsDialog::removeSelectedRow() {
    const int row = table->currentRow();
    if (row >= 0) {
        table->removeRow(row);
    }
}

QList<NetworkPortRow> NetworkPortsDialog::rows() const {
    QList<NetworkPortRow> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        NetworkPortRow row;
        if (auto* port = qobject_cast<QComboBox*>(table->cellWidget(r, PortColumn))) {
            row.port = port->currentData().toInt();
        }
        if (auto* host = qobject_cast<QLineEdit*>(table->cellWidget(r, HostColumn))) {
            row.host = host->text();
        }
        if (auto* tcpPort = qobject_cast<QSpinBox*>(table->cellWidget(r, TcpPortColumn))) {
            row.tcpPort = tcpPort->value();
        }
        if (auto* framing = qobject_cast<QComboBox*>(table->cellWidget(r, FramingColumn))) {
            row.framing = static_cast<Framing>(framing->currentData().toInt());
        }
        if (auto* reconnect = qobject_cast<QCheckBox*>(table->cellWidget(r, ReconnectColumn))) {
            row.reconnect = reconnect->isChecked();
        }
        rows << row;
    }
    return rows;
}

bool NetworkPortsDialog::applyRows() {
    const NetworkPortCheck check = CheckNetworkPortRows(rows());
    if (!check.problem.isEmpty()) {
        say(check.problem, true);
        return false;
    }
    if (apply_) {
        apply_(check.ports, check.reconnect);
    }
    say(check.ports.empty()
            ? tr("已保存：没有映射到网络的端口")
            : tr("已保存 %1 个网络端口；下次打开端口时生效").arg(check.ports.size()),
        false);
    return true;
}

void NetworkPortsDialog::say(const QString& text, bool problem) {
    statusLine->setText(text);
    statusLine->setStyleSheet(problem ? kProblemStyle : QString());
    statusLine->setAccessibleDescription(text);
}

}  // namespace mt
