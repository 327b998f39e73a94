#include "serial/port_fixture.h"

#include <algorithm>

Bytes Pattern(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

void LineTest::SetUp() {
  std::string whyNot;
  peer_ = Connect(&whyNot);
  if (peer_ == nullptr) GTEST_SKIP() << whyNot;
}

void LineTest::TearDown() {
  if (port_ != kSerialNoHandle) Close();
}

std::unique_ptr<LinePeer> LineTest::Connect(std::string* whyNot) { return ConnectLinePeer(whyNot); }

int LineTest::Open(const LineSettings& line, std::uint16_t options) {
  const int result = SerialOpen(peer_->PortName().c_str(), &line, options, &port_);
  if (result != kSerialOk) port_ = kSerialNoHandle;
  return result;
}

int LineTest::Close() {
  const int result = SerialClose(port_);
  port_ = kSerialNoHandle;
  return result;
}

Bytes LineTest::ReadExactly(std::int32_t count) {
  Bytes bytes(static_cast<std::size_t>(count));
  std::int32_t gathered = -1;
  EXPECT_EQ(SerialRead(port_, bytes.data(), count, &gathered), kSerialOk);
  bytes.resize(static_cast<std::size_t>(std::max(gathered, 0)));
  return bytes;
}
