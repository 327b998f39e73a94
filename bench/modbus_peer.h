// The peer: a libmodbus RTU client and server, each on one end of a line.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

struct _modbus;
using modbus_t = _modbus;
struct _modbus_mapping_t;

inline constexpr int kModbusUnit = 1;
inline constexpr int kModbusRegisters = 10;

// A server answering unit 1 with ten holding registers, in a thread of its own,
// until destroyed.
class ModbusServer {
 public:
  // On a descriptor the bench holds (a pseudo-terminal master).
  explicit ModbusServer(int fd);
  // On a device it opens by name.
  explicit ModbusServer(const std::string& deviceName);
  ~ModbusServer();
  ModbusServer(const ModbusServer&) = delete;
  ModbusServer& operator=(const ModbusServer&) = delete;

 private:
  void Serve();

  modbus_t* context_;
  _modbus_mapping_t* registers_;
  bool ownsDevice_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class ModbusClient {
 public:
  explicit ModbusClient(const std::string& deviceName);  // throws when it cannot connect
  ~ModbusClient();
  ModbusClient(const ModbusClient&) = delete;
  ModbusClient& operator=(const ModbusClient&) = delete;
  // Reads holding registers 0 to 9 of unit 1; false on any failure.
  bool ReadTen(std::uint16_t* values);

 private:
  modbus_t* context_;
};

// Wire bytes of reading ten holding registers: an 8-byte request and a
// 25-byte response (unit, function, count, 20 data bytes, CRC).
inline constexpr int kModbusReadWireBytes = 8 + 5 + 2 * kModbusRegisters;
