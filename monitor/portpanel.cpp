// SPDX-License-Identifier: GPL-3.0-or-later
#include "portpanel.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/request.h"
#include "platform/portadvice.h"
#include "platform/portsetup.h"
#include "statuslamp.h"
#include "twips.h"

namespace mt {

namespace {

// One list of the panel with its caption on its left, in twips within its
// frame: the caption's left and width, the list's left and width.
struct ListPlace {
    const char* name;
    const char* caption;  // the caption's text without its colon is the list's name
    int captionLeft;
    int captionWidth;
    int listLeft;
    int listWidth;
};

PanelComboBox* MakeCaptionedList(QWidget* frame, const ListPlace& place, int top, int height) {
    const QString caption = QCoreApplication::translate("mt::PortPanel", place.caption);
    auto* label = new QLabel(caption, frame);
    label->setGeometry(TwipsRect(place.captionLeft, top, place.captionWidth, height));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* combo = new PanelComboBox(frame);
    combo->setObjectName(QString::fromLatin1(place.name));
    combo->setAccessibleName(caption.chopped(1));
    combo->setGeometry(TwipsRect(place.listLeft, top, place.listWidth, height));
    return combo;
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

    meterFrame = new QGroupBox(tr("仪表参数选择"), this);
    meterFrame->setObjectName(QStringLiteral("Frame1"));
    meterFrame->setGeometry(TwipsRect(240, 120, 12975, 1320));

    portFrame = new QGroupBox(tr("串口通信选择"), this);
    portFrame->setObjectName(QStringLiteral("Frame2"));
    portFrame->setGeometry(TwipsRect(240, 1560, 12975, 1440));

    // Upper frame: meter address and baud rate, one row centred in the frame
    // below its caption.
    constexpr int kRowTop = 540;
    constexpr int kUpperRowTop = 600;
    constexpr int kListHeight = 360;
    addressList = MakeCaptionedList(
        meterFrame,
        {"Combo1", QT_TRANSLATE_NOOP("mt::PortPanel", "仪表地址："), 120, 1200, 1320, 1215},
        kUpperRowTop, kListHeight);
    baudList = MakeCaptionedList(
        meterFrame,
        {"Combo3", QT_TRANSLATE_NOOP("mt::PortPanel", "波特率："), 2880, 1080, 3960, 1215},
        kUpperRowTop, kListHeight);
    addressHint = new QLabel(meterFrame);
    addressHint->setObjectName(QStringLiteral("StatusLabel"));
    addressHint->setGeometry(TwipsRect(5520, kUpperRowTop, 7200, kListHeight));
    addressHint->setStyleSheet(kProblemStyle);

    // Lower frame, left to right: port, parity, data bits, stop bits, button, lamp.
    portList = MakeCaptionedList(
        portFrame, {"Combo4", QT_TRANSLATE_NOOP("mt::PortPanel", "com："), 120, 600, 720, 1215},
        kRowTop, kListHeight);
    // The port list's caption is "com", its name for screen readers "串口".
    portList->setAccessibleName(tr("串口"));
    parityList = MakeCaptionedList(
        portFrame,
        {"Combo5", QT_TRANSLATE_NOOP("mt::PortPanel", "校验位："), 2040, 1080, 3120, 900}, kRowTop,
        kListHeight);
    dataBitsList = MakeCaptionedList(
        portFrame,
        {"Combo6", QT_TRANSLATE_NOOP("mt::PortPanel", "数据位："), 4140, 1080, 5220, 900}, kRowTop,
        kListHeight);
    stopBitsList = MakeCaptionedList(
        portFrame,
        {"Combo7", QT_TRANSLATE_NOOP("mt::PortPanel", "停止位："), 6240, 1080, 7320, 900}, kRowTop,
        kListHeight);

    openCloseButton = new QPushButton(openCaption(), portFrame);
    openCloseButton->setObjectName(QStringLiteral("Command3"));
    openCloseButton->setAccessibleName(openCaption());
    openCloseButton->setGeometry(TwipsRect(8640, kRowTop - 60, 1695, 480));

    connect(portList, &QComboBox::currentTextChanged, this, &PortPanel::portChoiceChanged);

    lamp = new StatusLamp(portFrame);
    lamp->setObjectName(QStringLiteral("Shape1"));
    lamp->setGeometry(TwipsRect(10680, kRowTop - 60, 480, 480));

    deviceLine = new QLabel(portFrame);
    deviceLine->setObjectName(QStringLiteral("DeviceLabel"));
    deviceLine->setGeometry(TwipsRect(120, 1020, 12600, 300));
    deviceLine->setStyleSheet(QStringLiteral("color: #555555;"));

    connect(openCloseButton, &QPushButton::clicked, this, &PortPanel::onOpenCloseClicked);
    connect(portList, &QComboBox::activated, this, [this](int) { onPortPicked(); });
    connect(portList, &PanelComboBox::popupAboutToShow, this, &PortPanel::refreshDeviceLine);
    connect(&port_, &SerialPort::deviceLost, this, &PortPanel::onDeviceLost);
    connect(&port_, &SerialPort::linkStateChanged, this, &PortPanel::onLinkStateChanged);
}

void PortPanel::onLinkStateChanged(LinkState state, const QString& detail) {
    // Only while the panel shows the port open: a closed port is grey.
    if (!shownOpen()) {
        return;
    }
    switch (state) {
        case LinkState::Connecting:
            lamp->showConnecting();
            break;
        case LinkState::Lost:
            lamp->showLost();
            break;
        case LinkState::Connected:
            lamp->showOpen(true);
            break;
        case LinkState::Closed:
            break;
    }
    if (!detail.isEmpty() && state == LinkState::Lost) {
        deviceLine->setToolTip(detail);
    }
}

void PortPanel::InitPortLists() {
    for (int n = 1; n <= 16; ++n) {
        portList->addItem(QStringLiteral("com%1").arg(n));
    }
    portList->setCurrentIndex(0);
    onPortPicked();  // choosing the start item counts as a click on the list

    parityList->addItems({QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("O")});
    parityList->setCurrentIndex(0);
    dataBitsList->addItems(
        {QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5")});
    dataBitsList->setCurrentIndex(0);
    stopBitsList->addItems({QStringLiteral("1"), QStringLiteral("2")});
    stopBitsList->setCurrentIndex(0);
    for (int address = 1; address <= kMaxMeterAddress; ++address) {
        addressList->addItem(QString::number(address));
    }
    addressList->setCurrentIndex(0);
    baudList->addItems({QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                        QStringLiteral("38400")});
    baudList->setCurrentIndex(1);
}

QString PortPanel::settingsText() const {
    return QStringList{baudList->currentText(), parityList->currentText(),
                       dataBitsList->currentText(), stopBitsList->currentText()}
        .join(QLatin1Char(','));
}

int PortPanel::selectedPortNumber() const {
    const int index = portList->findText(portList->currentText(), Qt::MatchFixedString);
    return index + 1;
}

QString PortPanel::addressText() const {
    return addressList->currentText();
}

void PortPanel::onOpenCloseClicked() {
    if (openCloseButton->text() == openCaption()) {
        if (port_.isOpen()) {
            services_.message(alreadyOpenText(), AppTitle(), MessageIcon::None);
            return;
        }
        if (const PortResult opened = openPort(); !opened) {
            showWhyNotOpen(opened.error());
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

void PortPanel::pickPort(int number) {
    portList->setCurrentText(QStringLiteral("com%1").arg(number));
    onPortPicked();
}

bool PortPanel::shownOpen() const {
    return openCloseButton->text() == closeCaption();
}

void PortPanel::useSettings(int address, int baud, char parity, int dataBits, int stopBits) {
    // An editable list shows its item for the text when it has one.
    const auto put = [](QComboBox* list, const QString& text) {
        const int index = list->findText(text, Qt::MatchFixedString);
        if (index >= 0) {
            list->setCurrentIndex(index);
        } else {
            list->setEditText(text);
        }
    };
    put(addressList, QString::number(address));
    put(baudList, QString::number(baud));
    put(parityList, QString(QLatin1Char(parity)));
    put(dataBitsList, QString::number(dataBits));
    put(stopBitsList, QString::number(stopBits));
    if (port_.isOpen()) {
        onOpenCloseClicked();
        if (!port_.isOpen()) {
            onOpenCloseClicked();
        }
    }
}

SavedPort PortPanel::choices() const {
    using namespace settings_key;
    const std::map<std::string, std::string> texts = {
        {std::string("panel/") + kPort, std::to_string(selectedPortNumber())},
        {std::string("panel/") + kBaud, baudList->currentText().toStdString()},
        {std::string("panel/") + kParity, parityList->currentText().toStdString()},
        {std::string("panel/") + kDataBits, dataBitsList->currentText().toStdString()},
        {std::string("panel/") + kStopBits, stopBitsList->currentText().toStdString()},
        {std::string("panel/") + kAddress, addressList->currentText().toStdString()},
    };
    return ReadSavedSettings(texts, nullptr).panelPort;
}

void PortPanel::applyChoices(const SavedPort& saved) {
    if (saved.portNumber && *saved.portNumber != selectedPortNumber()) {
        pickPort(*saved.portNumber);
    }
    const SavedPort now = choices();
    useSettings(saved.address.value_or(now.address.value_or(1)),
                saved.baud.value_or(now.baud.value_or(9600)),
                saved.parity.value_or(now.parity.value_or('N')),
                saved.dataBits.value_or(now.dataBits.value_or(8)),
                saved.stopBits.value_or(now.stopBits.value_or(1)));
}

PortResult PortPanel::openPort() {
    PortResult opened = OpenConfigured(port_, selectedPortNumber(), settingsText());
    refreshDeviceLine();
    return opened;
}

void PortPanel::showWhyNotOpen(const PortError& error) {
    refreshDeviceLine();
    const int number = selectedPortNumber();
    const QString advice = PortOpenAdvice(error, number > 0 ? port_.deviceName() : QString());
    const QString line = number > 0 ? tr("com%1：%2").arg(number).arg(advice) : advice;
    deviceLine->setText(line);
    // The line may be cut at the panel's edge; the tooltip has it whole, with
    // the system's own words.
    deviceLine->setToolTip(error.detail.isEmpty() ? line : line + QLatin1Char('\n') + error.detail);
    deviceLine->setAccessibleDescription(line);
}

void PortPanel::onPortPicked() {
    if (port_.isOpen()) {
        if (!port_.close()) {
            // The old port stays open and shown open; the new number cannot be
            // set on an open port, so say so instead of pretending to switch.
            warnInvalidPort();
            refreshDeviceLine();
            return;
        }
        showOpenState(false);
        emit portSwitched();
    }
    // A text matching no port gives port number 0, which the port refuses; the
    // refusal shows up as "无效端口号" at the next open click.
    (void)port_.setPortNumber(selectedPortNumber());
    refreshDeviceLine();
}

bool PortPanel::reopenPort() {
    PortResult result = port_.close();
    if (result) {
        result = port_.open();
    }
    if (result) {
        showOpenState(true);  // the port is open, whatever the panel showed before
        return true;
    }
    if (port_.isOpen()) {
        (void)port_.close();
    }
    showOpenState(port_.isOpen());
    showWhyNotOpen(result.error());
    warnInvalidPort();
    return false;
}

void PortPanel::showAddressInvalid(bool invalid) {
    addressList->setStyleSheet(invalid ? QStringLiteral("QComboBox { background: #ffd0d0; }")
                                       : QString());
    addressHint->setText(invalid ? tr("仪表地址无效") : QString());
}

void PortPanel::showOpenState(bool open) {
    const QString caption = open ? closeCaption() : openCaption();
    openCloseButton->setText(caption);
    openCloseButton->setAccessibleName(caption);
    lamp->showOpen(open);
    if (open) {
        onLinkStateChanged(port_.linkState(), {});
    }
}

void PortPanel::refreshDeviceLine() {
    const int number = selectedPortNumber();
    QString device = number > 0 ? port_.deviceName() : QString();
    if (number > 0 && number != port_.portNumber()) {
        device.clear();
    }
    const QString text = number <= 0        ? tr("所选串口无效")
                         : device.isEmpty() ? tr("com%1：未找到对应设备").arg(number)
                                            : QStringLiteral("com%1 → %2").arg(number).arg(device);
    deviceLine->setText(text);
    deviceLine->setToolTip(QString());
    portList->setToolTip(text);
    portList->setAccessibleDescription(text);
}

void PortPanel::onDeviceLost(const QString& detail) {
    if (openCloseButton->text() == openCaption()) {
        // Already shown closed: this loss has been reported (or nothing the
        // panel opened was lost), so the user is not warned twice.
        return;
    }
    showOpenState(false);
    refreshDeviceLine();
    // The warning stays in the screen's language; the operating system's own
    // words about the loss go to the device line's tooltip for diagnosis. A
    // connection to a gateway says which host and port failed, and how.
    const bool network = !port_.lineSettingsApply() && !detail.isEmpty();
    const QString warning = network ? detail : disconnectedText();
    deviceLine->setText(tr("com%1：%2").arg(selectedPortNumber()).arg(warning));
    deviceLine->setToolTip(detail);
    emit portLost();
    services_.message(warning, AppTitle(), MessageIcon::Warning);
}

void PortPanel::warnInvalidPort() {
    services_.message(invalidPortText(), AppTitle(), MessageIcon::Warning);
}

}  // namespace mt
