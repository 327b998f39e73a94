// The host boundary: dispatch by operation code, and records a host leaves out.
#include <gtest/gtest.h>

#include <cstring>

#include "support/driver_calls.h"
#include "support/host_log_capture.h"

namespace {

TEST(KelMain, CodesWithoutAnOperationAnswerTwoAndTouchNothing) {
  for (std::uint32_t code : {0u, 8u, 9u, 16u, 17u, 255u, 0x80000000u, 0xFFFFFFFFu}) {
    DriverContext context;
    std::memset(&context, 0xA5, sizeof context);
    unsigned char params[64];
    std::memset(params, 0x5A, sizeof params);
    ClearLog();
    EXPECT_EQ(CallDriver(code, &context, params), 2) << "code " << code;
    for (unsigned char byte : params) ASSERT_EQ(byte, 0x5A);
    const auto* raw = reinterpret_cast<const unsigned char*>(&context);
    for (std::size_t i = 0; i < sizeof context; ++i) ASSERT_EQ(raw[i], 0xA5);
    EXPECT_TRUE(LoggedLines().empty());
  }
}

TEST(KelMain, MissingRecordsAreRefusedWithTwo) {
  DriverContext context{};
  TransferParams transfer{};
  ColdStartParams start{};
  struct Case {
    std::uint32_t operation;
    DriverContext* context;
    void* params;
  };
  const Case cases[] = {
      {kOpColdStart, nullptr, &start},      {kOpColdStart, &context, nullptr},
      {kOpWarmStart, nullptr, &start},      {kOpSingleAddressParser, nullptr, nullptr},
      {kOpBlockAddressParser, nullptr, nullptr}, {kOpSingleRead, nullptr, &transfer},
      {kOpBlockRead, &context, nullptr},    {kOpSingleWrite, nullptr, &transfer},
      {kOpBlockWrite, &context, nullptr},   {kOpEndKel, nullptr, nullptr},
      {kOpCloseCom, nullptr, nullptr},      {kOpReOpenCom, nullptr, nullptr},
      {kOpGetKelInfo, nullptr, nullptr},    {kOpChangeKelParams, &context, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(CallDriver(c.operation, c.context, c.params), 2) << c.operation;
  EXPECT_EQ(KelMain(nullptr), 2);
}

TEST(KelMain, ParsersAndDescriptionNeedNoStartedContext) {
  DriverContext garbage;
  std::memset(&garbage, 0xEE, sizeof garbage);
  ParserParams parse{};
  parse.text = "010120";
  parse.blockCount = 10;
  EXPECT_EQ(CallDriver(kOpBlockAddressParser, &garbage, &parse), 0);
  DriverInfo info{};
  EXPECT_EQ(CallDriver(kOpGetKelInfo, &garbage, &info), 0);
  EXPECT_EQ(info.contextSize, static_cast<std::int32_t>(sizeof(DriverContext)));
}

}  // namespace
