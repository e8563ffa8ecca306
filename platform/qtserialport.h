#pragma once

#include "serialport.h"

namespace mt {

// The production serial component over QSerialPort.
class QtSerialPort : public SerialPort {
    Q_OBJECT

public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    PortResult setPortNumber(int number) override;
    int portNumber() const override;
    PortResult setSettings(const QString& settings) override;
    QString settings() const override;
    void setInputMode(InputMode mode) override;
    void setInputLength(int length) override;
    void setReceiveThreshold(int bytes) override;
    void setInBufferSize(int bytes) override;
    void setOutBufferSize(int bytes) override;
    PortResult open() override;
    PortResult close() override;
    bool isOpen() const override;
    void clearInput() override;
    void clearOutput() override;
    PortResult write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    int bytesWaiting() const override;
    QString deviceName() const override;
};

}  // namespace mt
