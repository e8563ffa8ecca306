#include "qtserialport.h"

// Placeholder until the adapter lands.
namespace mt {
QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {}
QtSerialPort::~QtSerialPort() = default;
PortResult QtSerialPort::setPortNumber(int) { return {}; }
int QtSerialPort::portNumber() const { return 0; }
PortResult QtSerialPort::setSettings(const QString&) { return {}; }
QString QtSerialPort::settings() const { return {}; }
void QtSerialPort::setInputMode(InputMode) {}
void QtSerialPort::setInputLength(int) {}
void QtSerialPort::setReceiveThreshold(int) {}
void QtSerialPort::setInBufferSize(int) {}
void QtSerialPort::setOutBufferSize(int) {}
PortResult QtSerialPort::open() { return PortError{PortError::Kind::NoSuchPort, {}}; }
PortResult QtSerialPort::close() { return {}; }
bool QtSerialPort::isOpen() const { return false; }
void QtSerialPort::clearInput() {}
void QtSerialPort::clearOutput() {}
PortResult QtSerialPort::write(const QByteArray&) { return PortError{PortError::Kind::NotOpen, {}}; }
QByteArray QtSerialPort::readAll() { return {}; }
int QtSerialPort::bytesWaiting() const { return 0; }
QString QtSerialPort::deviceName() const { return {}; }
}  // namespace mt
