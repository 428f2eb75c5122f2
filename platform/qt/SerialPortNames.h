#pragma once
// The serial ports of this system, and a port that cannot be opened explained in words.
#include <QSerialPort>
#include <QStringList>
#include <string>

namespace serialportnames {

// Every serial port the system has, one line each, fields separated by tabs: device,
// description, manufacturer, serial number, USB vendor:product ("-" where unknown).
QStringList Table();

// Why device could not be opened, as a whole message naming it, for a missing device
// (with the ports there are) and for missing permission (with the group to join);
// empty for other errors.
std::string Explain(const std::string& device, QSerialPort::SerialPortError error);

}  // namespace serialportnames
