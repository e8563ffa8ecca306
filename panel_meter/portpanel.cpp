#include "portpanel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "statuslamp.h"
#include "twips.h"

namespace mt {

namespace {

PanelComboBox* MakeList(QWidget* parent, const char* name, const QString& accessibleName,
                        const QRect& geometry) {
    auto* combo = new PanelComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setAccessibleName(accessibleName);
    combo->setGeometry(geometry);
    return combo;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace

PanelComboBox::PanelComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Typed text never becomes a new item; it is taken as it stands.
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(16);
}

void PanelComboBox::showPopup() {
    emit popupAboutToShow();
    QComboBox::showPopup();
}

PortPanel::PortPanel(SerialPort& port, Services services, QWidget* parent)
    : QWidget(parent), port_(port), services_(std::move(services)) {
    setObjectName(QStringLiteral("PortPanel"));
    resize(TwipsSize(13290, 3060));

    Frame1 = new QGroupBox(QStringLiteral("仪表参数选择"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(TwipsRect(240, 120, 12975, 1320));

    Frame2 = new QGroupBox(QStringLiteral("串口通信选择"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(TwipsRect(240, 1560, 12975, 1440));

    // Upper frame: meter address and baud rate, one row centred in the frame
    // below its caption.
    constexpr int kRowTop = 540;
    constexpr int kUpperRowTop = 600;
    constexpr int kListHeight = 360;
    MakeLabel(Frame1, QStringLiteral("仪表地址："),
              TwipsRect(120, kUpperRowTop, 1200, kListHeight));
    Combo1 = MakeList(Frame1, "Combo1", QStringLiteral("仪表地址"),
                      TwipsRect(1320, kUpperRowTop, 1215, kListHeight));
    MakeLabel(Frame1, QStringLiteral("波特率："), TwipsRect(2880, kUpperRowTop, 1080, kListHeight));
    Combo3 = MakeList(Frame1, "Combo3", QStringLiteral("波特率"),
                      TwipsRect(3960, kUpperRowTop, 1215, kListHeight));
    StatusLabel = new QLabel(Frame1);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setGeometry(TwipsRect(5520, kUpperRowTop, 7200, kListHeight));
    StatusLabel->setStyleSheet(QStringLiteral("color: #c00000;"));

    // Lower frame, left to right: port, parity, data bits, stop bits, button, lamp.
    MakeLabel(Frame2, QStringLiteral("com："), TwipsRect(120, kRowTop, 600, kListHeight));
    Combo4 = MakeList(Frame2, "Combo4", QStringLiteral("串口"),
                      TwipsRect(720, kRowTop, 1215, kListHeight));
    MakeLabel(Frame2, QStringLiteral("校验位："), TwipsRect(2040, kRowTop, 1080, kListHeight));
    Combo5 = MakeList(Frame2, "Combo5", QStringLiteral("校验位"),
                      TwipsRect(3120, kRowTop, 900, kListHeight));
    MakeLabel(Frame2, QStringLiteral("数据位："), TwipsRect(4140, kRowTop, 1080, kListHeight));
    Combo6 = MakeList(Frame2, "Combo6", QStringLiteral("数据位"),
                      TwipsRect(5220, kRowTop, 900, kListHeight));
    MakeLabel(Frame2, QStringLiteral("停止位："), TwipsRect(6240, kRowTop, 1080, kListHeight));
    Combo7 = MakeList(Frame2, "Combo7", QStringLiteral("停止位"),
                      TwipsRect(7320, kRowTop, 900, kListHeight));

    Command3 = new QPushButton(kOpenCaption, Frame2);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setAccessibleName(kOpenCaption);
    Command3->setGeometry(TwipsRect(8640, kRowTop - 60, 1695, 480));

    Shape1 = new StatusLamp(Frame2);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(TwipsRect(10680, kRowTop - 60, 480, 480));

    DeviceLabel = new QLabel(Frame2);
    DeviceLabel->setObjectName(QStringLiteral("DeviceLabel"));
    DeviceLabel->setGeometry(TwipsRect(120, 1020, 12600, 300));
    DeviceLabel->setStyleSheet(QStringLiteral("color: #555555;"));

    connect(Command3, &QPushButton::clicked, this, &PortPanel::Command3Click);
    connect(Combo4, &QComboBox::activated, this, [this](int) { Combo4Click(); });
    connect(Combo4, &PanelComboBox::popupAboutToShow, this, &PortPanel::refreshDeviceLabel);
    connect(&port_, &SerialPort::deviceLost, this, &PortPanel::onDeviceLost);
}

void PortPanel::InitPortLists() {
    for (int n = 1; n <= 16; ++n) {
        Combo4->addItem(QStringLiteral("com%1").arg(n));
    }
    Combo4->setCurrentIndex(0);
    Combo4Click();  // choosing the start item counts as a click on the list

    Combo5->addItems({QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("O")});
    Combo5->setCurrentIndex(0);
    Combo6->addItems(
        {QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5")});
    Combo6->setCurrentIndex(0);
    Combo7->addItems({QStringLiteral("1"), QStringLiteral("2")});
    Combo7->setCurrentIndex(0);
    for (int address = 1; address <= 247; ++address) {
        Combo1->addItem(QString::number(address));
    }
    Combo1->setCurrentIndex(0);
    Combo3->addItems({QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                      QStringLiteral("38400")});
    Combo3->setCurrentIndex(1);
}

QString PortPanel::settingsText() const {
    return QStringList{Combo3->currentText(), Combo5->currentText(), Combo6->currentText(),
                       Combo7->currentText()}
        .join(QLatin1Char(','));
}

int PortPanel::selectedPortNumber() const {
    const int index = Combo4->findText(Combo4->currentText(), Qt::MatchFixedString);
    return index + 1;
}

QString PortPanel::addressText() const {
    return Combo1->currentText();
}

void PortPanel::Command3Click() {
    if (Command3->text() == kOpenCaption) {
        if (port_.isOpen()) {
            services_.message(kAlreadyOpen, kAppTitle, MessageIcon::None);
            return;
        }
        if (!openPort()) {
            warnInvalidPort();
            return;
        }
        showOpenState(true);
        return;
    }
    if (!port_.close()) {
        warnInvalidPort();
        return;
    }
    emit portClosed();
    showOpenState(false);
}

bool PortPanel::openPort() {
    // The configuration is applied in this order on every opening.
    if (!port_.setPortNumber(selectedPortNumber())) {
        return false;
    }
    port_.setInputMode(InputMode::Binary);
    port_.setInputLength(0);
    port_.clearInput();
    port_.clearOutput();
    port_.setReceiveThreshold(1);
    port_.setInBufferSize(1024);
    port_.setOutBufferSize(1024);
    if (!port_.setSettings(settingsText())) {
        return false;
    }
    const bool opened = port_.open().ok();
    refreshDeviceLabel();
    return opened;
}

void PortPanel::Combo4Click() {
    if (port_.isOpen()) {
        if (!port_.close()) {
            // The old port stays open and shown open; the new number cannot be
            // set on an open port, so say so instead of pretending to switch.
            warnInvalidPort();
            refreshDeviceLabel();
            return;
        }
        showOpenState(false);
        emit portSwitched();
    }
    // A text matching no port gives port number 0, which the port refuses; the
    // refusal shows up as "无效端口号" at the next open click.
    (void)port_.setPortNumber(selectedPortNumber());
    refreshDeviceLabel();
}

bool PortPanel::reopenPort() {
    const bool closed = port_.close().ok();
    if (closed && port_.open().ok()) {
        showOpenState(true);  // the port is open, whatever the panel showed before
        return true;
    }
    if (port_.isOpen()) {
        (void)port_.close();
    }
    showOpenState(port_.isOpen());
    warnInvalidPort();
    return false;
}

void PortPanel::showAddressInvalid(bool invalid) {
    Combo1->setStyleSheet(invalid ? QStringLiteral("QComboBox { background: #ffd0d0; }")
                                  : QString());
    StatusLabel->setText(invalid ? QStringLiteral("仪表地址无效") : QString());
}

void PortPanel::showOpenState(bool open) {
    const QString caption = open ? kCloseCaption : kOpenCaption;
    Command3->setText(caption);
    Command3->setAccessibleName(caption);
    Shape1->showOpen(open);
}

void PortPanel::refreshDeviceLabel() {
    const int number = selectedPortNumber();
    QString device = number > 0 ? port_.deviceName() : QString();
    if (number > 0 && number != port_.portNumber()) {
        device.clear();
    }
    const QString text = number <= 0        ? QStringLiteral("所选串口无效")
                         : device.isEmpty() ? QStringLiteral("com%1：未找到对应设备").arg(number)
                                            : QStringLiteral("com%1 → %2").arg(number).arg(device);
    DeviceLabel->setText(text);
    DeviceLabel->setToolTip(QString());
    Combo4->setToolTip(text);
    Combo4->setAccessibleDescription(text);
}

void PortPanel::onDeviceLost(const QString& detail) {
    if (Command3->text() == kOpenCaption) {
        // Already shown closed: this loss has been reported (or nothing the
        // panel opened was lost), so the user is not warned twice.
        return;
    }
    showOpenState(false);
    refreshDeviceLabel();
    // The warning stays in the screen's language; the operating system's own
    // words about the loss go to the device line's tooltip for diagnosis.
    DeviceLabel->setText(QStringLiteral("com%1：%2").arg(selectedPortNumber()).arg(kDisconnected));
    DeviceLabel->setToolTip(detail);
    emit portLost();
    services_.message(kDisconnected, kAppTitle, MessageIcon::Warning);
}

void PortPanel::warnInvalidPort() {
    services_.message(kInvalidPort, kAppTitle, MessageIcon::Warning);
}

}  // namespace mt
