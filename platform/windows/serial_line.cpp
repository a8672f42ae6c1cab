// The serial port for a program that waits for each reply (zanteqctl.exe):
// the COM port and the network port seen through the core's SerialLine,
// and the port list by the names --port takes.
#include "platform/serial_line.h"

#include "platform/net_line.h"
#include "platform/windows/com_port.h"
#include "platform/windows/net_port.h"
#include "platform/windows/port_list.h"

namespace zanteq::platform {

namespace {

class PortLine final : public SerialLine {
 public:
  explicit PortLine(std::unique_ptr<Port> port) : port_(std::move(port)) {}

  bool write_all(std::string_view bytes) override { return port_->send(std::string(bytes)) && port_->wait_sent(); }

  long read_some(char* buffer, std::size_t size, int timeout_ms) override {
    std::size_t received = 0;
    switch (port_->receive(buffer, size, timeout_ms < 0 ? 0 : timeout_ms, received)) {
      case Received::bytes: return static_cast<long>(received);
      case Received::nothing: return 0;
      case Received::stopped:
      case Received::gone:
      case Received::failed: break;
    }
    return -1;
  }

  std::string error() const override { return port_->error(); }

 private:
  std::unique_ptr<Port> port_;
};

}  // namespace

std::unique_ptr<SerialLine> open_serial_line(const std::string& name, std::string& error) {
  ComPortOpening opening = open_com_port(name);
  switch (opening.failure) {
    case OpenFailure::none: return std::make_unique<PortLine>(std::move(opening.port));
    case OpenFailure::in_use: error = "in use by another program"; break;
    case OpenFailure::not_present: error = opening.reason; break;
    case OpenFailure::settings: error = "the line settings were refused: " + opening.reason; break;
  }
  return nullptr;
}

NetLineOpening open_net_line(const NetPort& port, NetNotes notes) {
  NetPortOpening opening = connect_net_port(port, std::move(notes));
  NetLineOpening line;
  if (opening.port) line.line = std::make_unique<PortLine>(std::move(opening.port));
  line.failure = opening.failure;
  line.reason = opening.reason;
  return line;
}

std::vector<std::string> list_serial_ports() {
  // The interface dialog's list, by the names --port takes: "COM12  USB Serial Port".
  std::vector<std::string> lines;
  for (const PortListEntry& entry : port_list(present_ports(), -1)) {
    const std::size_t description = entry.text.find("  ");
    lines.push_back(port_name(entry.com_port) +
                    (description == std::string::npos ? std::string() : entry.text.substr(description)));
  }
  return lines;
}

}  // namespace zanteq::platform
