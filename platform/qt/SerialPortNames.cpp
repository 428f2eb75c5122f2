#include "platform/qt/SerialPortNames.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSerialPortInfo>
#include <cerrno>

namespace serialportnames {

namespace {

QString OrDash(const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; }

QString UsbIds(const QSerialPortInfo& port) {
  if (!port.hasVendorIdentifier() || !port.hasProductIdentifier()) return "-";
  return QStringLiteral("%1:%2")
      .arg(port.vendorIdentifier(), 4, 16, QChar('0'))
      .arg(port.productIdentifier(), 4, 16, QChar('0'));
}

std::string PortsHere() {
  QStringList names;
  for (const auto& port : QSerialPortInfo::availablePorts())
    names << port.systemLocation() +
                 (port.description().isEmpty() ? QString() : " (" + port.description() + ")");
  return names.isEmpty() ? std::string("none") : names.join(", ").toStdString();
}

// The group owning the device; its number when the system has no name for it.
std::string GroupOf(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return "dialout";
  if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
  return std::to_string(st.st_gid);
}

// Qt reports a lock held elsewhere as a permission error too: only the device's own
// modes count here, for the ids this program runs with.
bool DeviceRefusesUs(const std::string& device) {
  return ::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

}  // namespace

QStringList Table() {
  QStringList lines;
  for (const auto& port : QSerialPortInfo::availablePorts())
    lines << QStringList{port.systemLocation(), OrDash(port.description()),
                         OrDash(port.manufacturer()), OrDash(port.serialNumber()), UsbIds(port)}
                 .join('\t');
  return lines;
}

std::string Explain(const std::string& device, QSerialPort::SerialPortError error) {
  if (error == QSerialPort::DeviceNotFoundError)
    return "No port " + device + "; ports here: " + PortsHere();
  if (error == QSerialPort::PermissionError && DeviceRefusesUs(device)) {
    const std::string group = GroupOf(device);
    return "Permission denied on " + device + ": add your user to the group '" + group +
           "' (sudo usermod -aG " + group + " $USER) and log in again";
  }
  return {};
}

}  // namespace serialportnames
