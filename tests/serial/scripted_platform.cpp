#include "serial/scripted_platform.h"

#include <algorithm>
#include <cstring>

#include "serial/serial_platform.h"

namespace {

ScriptedDevice device;

bool Record(const std::string& call, bool ok = true) {
  device.calls.push_back(call);
  return ok;
}

}  // namespace

ScriptedDevice& Device() { return device; }
void ResetDevice() { device = ScriptedDevice{}; }

namespace serial_platform {

SerialHandle OpenDevice(const char* portName) {
  Record(std::string("OpenDevice ") + portName);
  device.open = !device.openFails;
  return device.open ? kScriptedHandle : kSerialNoHandle;
}

bool CloseDevice(SerialHandle) {
  device.open = false;
  return Record("CloseDevice", !device.closeFails);
}

bool ReadState(SerialHandle, DeviceState& state) {
  if (!device.stateUnreadable) state = device.reported;
  return Record("ReadState", !device.stateUnreadable);
}

bool ApplyState(SerialHandle, const DeviceState& state) {
  device.applied = state;
  return Record("ApplyState", !device.stateRefused);
}

bool ReadTimeouts(SerialHandle, CommTimeouts& timeouts) {
  timeouts = device.timeouts;
  return Record("ReadTimeouts", !device.timeoutsUnreadable);
}

bool ApplyTimeouts(SerialHandle, const CommTimeouts& timeouts) {
  if (!device.timeoutsRefused) device.timeouts = timeouts;
  return Record("ApplyTimeouts " + std::to_string(timeouts.readTotalConstant), !device.timeoutsRefused);
}

void RequestQueueSizes(SerialHandle, std::uint32_t input, std::uint32_t output) {
  Record("RequestQueueSizes " + std::to_string(input) + " " + std::to_string(output));
}

bool QueryPendingInput(SerialHandle, std::uint32_t& pending) {
  pending = device.pending;
  return Record("QueryPendingInput", !device.statusFails);
}

bool ReadSome(SerialHandle, void* buffer, std::uint32_t count, std::uint32_t& delivered) {
  device.readSizes.push_back(count);
  device.readTimeoutsMs.push_back(device.timeouts.readTotalConstant);
  ScriptedRead read;
  if (!device.reads.empty()) {
    read = device.reads.front();
    device.reads.pop_front();
  }
  delivered = std::min(read.delivered, count);
  std::memset(buffer, 0xAB, delivered);
  return Record("ReadSome", read.ok);
}

bool WriteAll(SerialHandle, const void*, std::uint32_t count, std::uint32_t& accepted) {
  accepted = std::min(count, device.writeAccepts);
  return Record("WriteAll", !device.writeFails);
}

// The scripted device refuses every break; the library must not mind.
bool SetBreak(SerialHandle, bool on) { return Record(on ? "SetBreak on" : "SetBreak off", false); }

void SleepMilliseconds(std::uint32_t milliseconds) {
  device.sleptMs += milliseconds;
  Record("Sleep " + std::to_string(milliseconds));
}

}  // namespace serial_platform
