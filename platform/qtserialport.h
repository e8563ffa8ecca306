// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <optional>

#include "arrivalwatch.h"
#include "linesettings.h"
#include "serialport.h"

namespace mt {

// Line settings in QSerialPort's terms.
struct QtLineConfig {
    qint32 baud = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    friend bool operator==(const QtLineConfig&, const QtLineConfig&) = default;
};

// What tells a serial device apart from others when its name may change: its
// /dev/serial/by-id link (Linux), or its USB serial number with the vendor
// and product ids; neither for a device without them (a built-in UART, a
// pseudo-terminal), which is then known by its name alone.
struct DeviceIdentity {
    QString device;  // the name it had when it was opened
    QString byId;
    QString serialNumber;
    quint16 vendor = 0;
    quint16 product = 0;

    QString describe() const;
};
DeviceIdentity IdentityOf(const QString& device);
// The device with that identity now; empty when none is there (or the
// identity has neither a by-id link nor a serial number).
QString FindDevice(const DeviceIdentity& identity);

// Translates line settings for QSerialPort. 1.5 stop bits exist only with
// 5 data bits (as on every common UART); other combinations give nothing.
// Outside Windows, 1.5 stop bits are asked for as two stop bits, which a UART
// sends as 1.5 when the word has 5 bits.
std::optional<QtLineConfig> ToQtLineConfig(const LineSettings& settings);

// The production serial component over QSerialPort.
//
// Opening applies the whole configuration before the device is opened (some
// drivers refuse parity or word-size changes on an open device), then locks the
// device for this program alone: QSerialPort's lock file and exclusive mode,
// and on Linux also an flock() on the open descriptor, which holds against
// every other opening of the same device, under whatever name and by root too.
//
// Writes go to the operating system at once (not at the next event
// processing), because the screens sleep right after writing a request.
//
// Device loss: a resource, read or write error of an open port (a converter
// unplugged, the other end of a pseudo-terminal closed) closes the port at
// once, inside the call or event that met the error, so that isOpen() is false
// and write() refuses from then on. deviceLost(detail) follows once per loss,
// queued, in the next round of event processing; it is dropped if the port was
// opened again meanwhile. A write that meets the loss fails with DeviceLost.
// A write that finds the output queue full fails with Other and drops what did
// not go out; the port stays open.
class QtSerialPort : public SerialPort {
    Q_OBJECT

public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    PortResult setPortNumber(int number) override;
    int portNumber() const override;
    PortResult setSettings(const QString& settings) override;
    QString settings() const override;
    void setInputLength(int length) override;
    void setReceiveThreshold(int bytes) override;
    void setInBufferSize(int bytes) override;
    void setOutBufferSize(int bytes) override;
    PortResult open() override;
    // The device that went away, by its identity (see DeviceIdentity), or
    // else as open() finds one.
    PortResult reopenLost() override;
    PortResult close() override;
    bool isOpen() const override;
    void clearInput() override;
    void clearOutput() override;
    PortResult write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    int bytesWaiting() const override;
    QString deviceName() const override;
    std::int64_t lastArrivalNs() const override { return arrivals_.lastArrivalNs(); }

private:
    PortResult openDevice(const QString& device);
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // True when the open device has hung up (the other end went away).
    bool hungUp() const;
    // True when the device takes no more output for now (and has not hung up).
    bool outputFull() const;
    void loseDevice(const QString& reason);
    void closeDevice();

    QSerialPort port_;
    int portNumber_ = 0;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    LineSettings settings_;
    int inputLength_ = 0;
    int receiveThreshold_ = 1;
    int inBufferSize_ = kPortBufferBytes;
    int outBufferSize_ = kPortBufferBytes;
    QString openedDevice_;
    DeviceIdentity identity_;
    // Counts openings, so that a loss notice of an earlier opening is dropped.
    quint64 openings_ = 0;
    bool closing_ = false;
    bool outputBackedUp_ = false;
    ArrivalWatch arrivals_;
};

}  // namespace mt
