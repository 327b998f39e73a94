#include "fake_serial.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "check.h"

namespace {

constexpr std::size_t kPortNameField = 12;  // the name and its NUL fit the host's field
constexpr char kFailingNamePrefix = '!';
constexpr SerialHandle kFirstHandle = 0x100;
constexpr std::int32_t kOpenTimeoutUnits = 100;

struct Port {
  std::string name;
  std::int32_t timeoutUnits = kOpenTimeoutUnits;
};

struct Line {
  std::map<SerialHandle, Port> ports;
  SerialHandle nextHandle = kFirstHandle;
  std::vector<std::uint8_t> incoming;
  std::size_t delivered = 0;
  std::vector<std::uint8_t> consumed;
  std::vector<std::vector<std::uint8_t>> written;
};

Line& TheLine() {
  static Line line;
  return line;
}

Port* FindPort(SerialHandle handle) {
  auto found = TheLine().ports.find(handle);
  return found == TheLine().ports.end() ? nullptr : &found->second;
}

bool IsHeld(const std::string& name) {
  const auto& ports = TheLine().ports;
  return std::any_of(ports.begin(), ports.end(), [&](const auto& p) { return p.second.name == name; });
}

int FailureSelectedBy(const std::string& name) {
  static constexpr int kCodes[] = {kSerialOpenFailed, kSerialStateUnreadable, kSerialStateRefused};
  const auto selector = static_cast<unsigned char>(name.size() > 1 ? name[1] : 0);
  return kCodes[selector % 3];
}

}  // namespace

namespace fake_serial {

void Reset() { TheLine() = Line{}; }

void StartOperation(std::vector<std::uint8_t> incoming) {
  Line& line = TheLine();
  line.incoming = std::move(incoming);
  line.delivered = 0;
  line.consumed.clear();
  line.written.clear();
}

const std::vector<std::uint8_t>& Consumed() { return TheLine().consumed; }
const std::vector<std::vector<std::uint8_t>>& Written() { return TheLine().written; }
bool IsOpen(SerialHandle handle) { return FindPort(handle) != nullptr; }

}  // namespace fake_serial

int SerialOpen(const char* portName, const LineSettings* line, std::uint16_t, SerialHandle* handle) {
  FUZZ_CHECK(portName != nullptr && line != nullptr && handle != nullptr);
  // The driver hands over only names that end inside the host's field.
  FUZZ_CHECK(::strnlen(portName, kPortNameField) < kPortNameField);
  const std::string name = portName;
  *handle = kSerialNoHandle;
  if (!name.empty() && name[0] == kFailingNamePrefix) return FailureSelectedBy(name);
  if (IsHeld(name)) return kSerialOpenFailed;
  Line& fake = TheLine();
  *handle = fake.nextHandle++;
  fake.ports[*handle] = Port{name};
  return kSerialOk;
}

int SerialClose(SerialHandle handle) {
  return TheLine().ports.erase(handle) == 1 ? kSerialOk : kSerialIoFailed;
}

std::int32_t SerialSetReadTimeout(SerialHandle handle, std::int32_t timeout) {
  Port* port = FindPort(handle);
  if (port == nullptr || timeout <= 0) return 0;
  const std::int32_t previous = port->timeoutUnits;
  port->timeoutUnits = timeout;
  return previous;
}

// Nothing is pending before a request: the line brings its bytes only after it.
int SerialPurge(SerialHandle handle) { return fake_serial::IsOpen(handle) ? kSerialOk : kSerialOpenFailed; }

// The driver never sends a break or waits on the library.
int SerialSendBreak(std::uint32_t, SerialHandle) {
  FUZZ_CHECK(!"SerialSendBreak is never called");
  return kSerialOk;
}

int SerialDelay(std::uint32_t) {
  FUZZ_CHECK(!"SerialDelay is never called");
  return kSerialOk;
}

int SerialWrite(SerialHandle handle, const void* data, std::uint32_t count, std::uint32_t* written) {
  if (!fake_serial::IsOpen(handle)) return kSerialIoFailed;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  TheLine().written.emplace_back(bytes, bytes + count);
  if (written != nullptr) *written = count;
  return kSerialOk;
}

int SerialRead(SerialHandle handle, void* buffer, std::int32_t count, std::int32_t* gathered) {
  if (gathered != nullptr) *gathered = 0;
  if (!fake_serial::IsOpen(handle) || count <= 0 || count > 65535) return kSerialIoFailed;
  Line& line = TheLine();
  const std::size_t available = line.incoming.size() - line.delivered;
  const std::size_t taken = std::min(static_cast<std::size_t>(count), available);
  if (taken > 0) {
    const std::uint8_t* from = line.incoming.data() + line.delivered;
    std::memcpy(buffer, from, taken);
    line.consumed.insert(line.consumed.end(), from, from + taken);
    line.delivered += taken;
  }
  if (gathered != nullptr) *gathered = static_cast<std::int32_t>(taken);
  return taken == static_cast<std::size_t>(count) ? kSerialOk : kSerialIoFailed;
}
