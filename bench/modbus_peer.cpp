#include "modbus_peer.h"

#include <modbus.h>

#include <stdexcept>

namespace {

// The server looks at its stop flag at least this often.
constexpr std::uint32_t kIndicationWaitUs = 20'000;

modbus_t* NewRtuContext(const char* deviceName) {
  modbus_t* context = modbus_new_rtu(deviceName, 19200, 'N', 8, 1);
  if (context == nullptr) throw std::runtime_error("libmodbus: no RTU context");
  modbus_set_slave(context, kModbusUnit);
  return context;
}

}  // namespace

ModbusServer::ModbusServer(int fd)
    : context_(NewRtuContext("/dev/null")),
      registers_(modbus_mapping_new(0, 0, kModbusRegisters, 0)),
      ownsDevice_(false) {
  modbus_set_socket(context_, fd);
  thread_ = std::thread([this] { Serve(); });
}

ModbusServer::ModbusServer(const std::string& deviceName)
    : context_(NewRtuContext(deviceName.c_str())),
      registers_(modbus_mapping_new(0, 0, kModbusRegisters, 0)),
      ownsDevice_(true) {
  if (modbus_connect(context_) != 0) throw std::runtime_error("libmodbus: cannot open " + deviceName);
  thread_ = std::thread([this] { Serve(); });
}

ModbusServer::~ModbusServer() {
  stop_ = true;
  thread_.join();
  if (ownsDevice_) modbus_close(context_);
  modbus_free(context_);
  modbus_mapping_free(registers_);
}

void ModbusServer::Serve() {
  for (int i = 0; i < kModbusRegisters; ++i) registers_->tab_registers[i] = static_cast<std::uint16_t>(0xA000 + i);
  modbus_set_indication_timeout(context_, 0, kIndicationWaitUs);
  std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
  while (!stop_) {
    const int length = modbus_receive(context_, query);
    if (length > 0) modbus_reply(context_, query, length, registers_);
  }
}

ModbusClient::ModbusClient(const std::string& deviceName) : context_(NewRtuContext(deviceName.c_str())) {
  if (modbus_connect(context_) != 0) {
    modbus_free(context_);
    throw std::runtime_error("libmodbus: cannot open " + deviceName);
  }
}

ModbusClient::~ModbusClient() {
  modbus_close(context_);
  modbus_free(context_);
}

bool ModbusClient::ReadTen(std::uint16_t* values) {
  return modbus_read_registers(context_, 0, kModbusRegisters, values) == kModbusRegisters;
}
