// The simulator on the wire: what a machine answers to each request.
#include <algorithm>
#include <chrono>
#include <regex>
#include <sstream>

#include "simulator_line_fixture.h"

namespace {

using namespace std::chrono_literals;

std::vector<std::uint16_t> Sequence(std::uint16_t first, int count) {
  std::vector<std::uint16_t> words;
  for (int i = 0; i < count; ++i) words.push_back(static_cast<std::uint16_t>(first + i));
  return words;
}

sim::MachineFaults Faults(void (*set)(sim::MachineFaults&)) {
  sim::MachineFaults faults;
  set(faults);
  return faults;
}

Bytes Concat(const Bytes& front, const Bytes& back) {
  Bytes joined(front.size() + back.size());
  std::copy(back.begin(), back.end(), std::copy(front.begin(), front.end(), joined.begin()));
  return joined;
}

// A request given by its leading bytes in hex; zeros up to the checksum.
Bytes Literal(const std::string& head, std::uint8_t checksum) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < head.size(); i += 3) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(head.substr(i, 2), nullptr, 16)));
  }
  bytes.resize(35, 0);
  bytes.push_back(checksum);
  return bytes;
}

TEST_F(SimulatorLineTest, BlockReadRepliesWithTheBlocksRegistersAndStatus) {
  for (int i = 0; i < 10; ++i) simulator_.SetRegister(5, 120 + i, static_cast<std::uint16_t>(0xA000 + i));
  simulator_.SetStatus(5, 0x1234);
  const Bytes reply = Exchange(BlockReadRequest(5, 120));
  EXPECT_EQ(Hex(reply), Hex(Reply(5, "PD", 13, 0x1234, Sequence(0xA000, 10))));
  EXPECT_EQ(reply[35], Checksum(reply));
}

TEST_F(SimulatorLineTest, BlockReadAtTheEdgesOfTheRegisterRange) {
  simulator_.SetRegister(2, 0, 11);
  simulator_.SetRegister(2, 9999, 22);
  struct Case {
    std::uint16_t block;
    std::vector<std::uint16_t> words;
  };
  const Case cases[] = {
      {1, {11}},
      {1000, {0, 0, 0, 0, 0, 0, 0, 0, 0, 22}},
      {1001, {}},  // registers 10000 and up read 0
      {0, {}},     // no such block
      {0xFFFF, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block);
    EXPECT_EQ(Hex(Exchange(Request(2, "PD", "DR", c.block, {}))), Hex(Reply(2, "PD", c.block, 0, c.words)));
  }
}

// Requests written out byte by byte: a simulator with a wrong checksum or
// layout would drop them.
TEST_F(SimulatorLineTest, AnswersLiterallyWrittenRequests) {
  EXPECT_EQ(Exchange(Literal("02 2F 00 05 00 50 44 44 52 00 00 0D 00", 0x6B)).size(), 36u);
  EXPECT_EQ(Hex(Exchange(Literal("02 2F 00 03 00 4C 53 52 57 00 00 00 00 00 00 2C 01", 0xA7))),
            Hex(Reply(3, "LS", 0, 0, {1})));
  EXPECT_EQ(Hex(Exchange(Literal("02 2F 00 03 00 50 53 52 57 00 00 00 00 00 00 F4 01", 0x73))),
            Hex(Reply(3, "PS", 0, 0, {1})));
  EXPECT_EQ(simulator_.Register(3, 300), 500);
}

TEST_F(SimulatorLineTest, TwoPhaseWriteStoresAcceptedRegistersOnly) {
  simulator_.SetReadOnly(3, 203, true);
  simulator_.SetRegister(3, 203, 77);
  simulator_.SetStatus(3, 0x0042);
  const std::vector<std::uint16_t> acks = {1, 1, 1, 0, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(Hex(Exchange(RegisterListRequest(3, 200, 10))), Hex(Reply(3, "LS", 0, 0x42, acks)));
  EXPECT_EQ(simulator_.Register(3, 200), 0) << "nothing is stored before the values arrive";
  EXPECT_EQ(Hex(Exchange(ValuesRequest(3, Sequence(500, 10)))), Hex(Reply(3, "PS", 0, 0x42, acks)));
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(simulator_.Register(3, 200 + j), j == 3 ? 77 : 500 + j) << "register " << 200 + j;
  }
}

TEST_F(SimulatorLineTest, RegisterListEndsWhereTheConsecutiveRunBreaks) {
  struct Case {
    const char* name;
    std::vector<std::uint16_t> listed;
    std::vector<std::uint16_t> acks;
  };
  const Case cases[] = {
      {"register 0 alone, zero-filled", {0}, {1}},
      {"registers 0 and 1", {0, 1}, {1, 1}},
      {"a gap ends the list", {50, 51, 53}, {1, 1}},
      {"register 10000 is no register", {9999, 10000}, {1, 0}},
      {"zero-filled after 7", {7}, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(Exchange(Request(4, "LS", "RW", 0, c.listed))), Hex(Reply(4, "LS", 0, 0, c.acks)));
  }
}

TEST_F(SimulatorLineTest, ValuesGoToTheLastListOnly) {
  EXPECT_EQ(Hex(Exchange(ValuesRequest(6, {9, 9}))), Hex(Reply(6, "PS", 0, 0, {})))
      << "values without a list are refused";
  EXPECT_EQ(simulator_.Register(6, 0), 0);

  Exchange(RegisterListRequest(6, 40, 2));
  Exchange(RegisterListRequest(6, 10, 1));
  EXPECT_EQ(Hex(Exchange(ValuesRequest(6, {5, 6}))), Hex(Reply(6, "PS", 0, 0, {1})));
  EXPECT_EQ(simulator_.Register(6, 10), 5);
  EXPECT_EQ(simulator_.Register(6, 11), 0);
  EXPECT_EQ(simulator_.Register(6, 40), 0);

  EXPECT_EQ(Hex(Exchange(ValuesRequest(6, {8}))), Hex(Reply(6, "PS", 0, 0, {1})))
      << "a repeated values request (the driver's next attempt) is stored again";
  EXPECT_EQ(simulator_.Register(6, 10), 8);
}

TEST_F(SimulatorLineTest, FindsRequestsAmongNoise) {
  const Bytes request = BlockReadRequest(1, 0);
  const Bytes expected = Reply(1, "PD", 1, 0, {});
  EXPECT_EQ(Hex(Exchange(Concat({0xFF, 0x02, 0x02, 0x00, 0x2F, 0x4F}, request))), Hex(expected));

  // A false start whose 36 bytes fail the checksum does not swallow the
  // request that begins inside them.
  EXPECT_EQ(Hex(Exchange(Concat({0x02, 0x2F, 0x00, 0x01}, request))), Hex(expected));

  // A request split over several writes.
  ASSERT_TRUE(driver_->Write(Bytes(request.begin(), request.begin() + 1)));
  ASSERT_TRUE(driver_->Write(Bytes(request.begin() + 1, request.begin() + 20)));
  EXPECT_EQ(Hex(Exchange(Bytes(request.begin() + 20, request.end()))), Hex(expected));
}

TEST_F(SimulatorLineTest, UnansweredRequests) {
  simulator_.SetPresent(8, false);
  Bytes badChecksum = BlockReadRequest(1, 0);
  badChecksum[35] ^= 0x01;
  struct Case {
    const char* name;
    Bytes request;
  };
  const Case cases[] = {
      {"absent machine", BlockReadRequest(8, 0)},
      {"machine 100", BlockReadRequest(100, 0)},
      {"wrong checksum", badChecksum},
      {"block read with the write code", Request(1, "PD", "RW", 1, {})},
      {"register list with the read code", Request(1, "LS", "DR", 0, {1})},
      {"unknown command", Request(1, "QQ", "RW", 0, {})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectNoReplyTo(c.request);
  }
  EXPECT_EQ(simulator_.ReceivedFrames().size(), 12u) << "every request frame is recorded";
}

TEST_F(SimulatorLineTest, ValuesAreStoredEvenWhenTheReplyIsLost) {
  Exchange(RegisterListRequest(9, 30, 1));
  simulator_.SetFaults(9, Faults([](auto& f) { f.silent = true; }));
  ExpectNoReplyTo(ValuesRequest(9, {1234}));
  EXPECT_EQ(simulator_.Register(9, 30), 1234);
}

// Faults that shape a reply, each seen on the first reply and the one after.
TEST_F(SimulatorLineTest, FaultsShowOnTheWire) {
  const auto badChecksum = [](Bytes r) { r[35] = static_cast<std::uint8_t>(r[35] + 1); return r; };
  const auto wrongCodes = [](Bytes r) { r[5] = r[6] = 'X'; r[7] = r[8] = 'Y'; Reseal(r); return r; };
  const auto cut = [](std::size_t k) { return [k](Bytes r) { r.resize(k); return r; }; };
  const auto noise = [](Bytes r) { return Concat({0x02, 0x02, 0xFF}, r); };
  const auto intact = [](Bytes r) { return r; };
  struct Case {
    const char* name;
    sim::MachineFaults faults;
    std::vector<sim::ScriptedReply> script;
    std::function<Bytes(Bytes)> first;
    std::function<Bytes(Bytes)> second;
  };
  const Case cases[] = {
      {"bad checksum once", Faults([](auto& f) { f.badChecksumReplies = 1; }), {}, badChecksum, intact},
      {"bad checksum twice", Faults([](auto& f) { f.badChecksumReplies = 2; }), {}, badChecksum, badChecksum},
      {"wrong codes once", Faults([](auto& f) { f.wrongCodeReplies = 1; }), {}, wrongCodes, intact},
      {"every reply cut", Faults([](auto& f) { f.cutAfterBytes = 20; }), {}, cut(20), cut(20)},
      {"noise before every reply", Faults([](auto& f) { f.noiseBeforeReply = {0x02, 0x02, 0xFF}; }),
       {}, noise, noise},
      {"script before the counted faults", Faults([](auto& f) { f.badChecksumReplies = 1; }),
       {{sim::ReplyFault::kCut, 5}}, cut(5), badChecksum},
      {"scripted wrong codes", {}, {{sim::ReplyFault::kWrongCodes}}, wrongCodes, intact},
      {"scripted bad checksum", {}, {{sim::ReplyFault::kBadChecksum}}, badChecksum, intact},
      {"scripted correct reply", Faults([](auto& f) { f.cutAfterBytes = 3; }), {{sim::ReplyFault::kNone}}, intact, cut(3)},
  };
  simulator_.SetRegister(7, 0, 0x5A5A);
  const Bytes healthy = Reply(7, "PD", 1, 0, {0x5A5A});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    simulator_.SetFaults(7, c.faults);
    simulator_.Script(7, c.script);
    for (const auto& shape : {c.first, c.second}) {
      const Bytes expected = shape(healthy);
      EXPECT_EQ(Hex(Exchange(BlockReadRequest(7, 0), expected.size())), Hex(expected));
    }
  }
}

TEST_F(SimulatorLineTest, SilenceFaults) {
  struct Case {
    const char* name;
    sim::MachineFaults faults;
    std::vector<sim::ScriptedReply> script;
    std::vector<bool> answered;
  };
  const Case cases[] = {
      {"silent", Faults([](auto& f) { f.silent = true; }), {}, {false, false}},
      {"silent after two replies", Faults([](auto& f) { f.silentAfterReplies = 2; }), {}, {true, true, false, false}},
      {"silent at once", Faults([](auto& f) { f.silentAfterReplies = 0; }), {}, {false}},
      {"scripted silence, then the faults", Faults([](auto& f) { f.badChecksumReplies = 1; }),
       {{sim::ReplyFault::kSilent}, {sim::ReplyFault::kNone}}, {false, true}},
  };
  const Bytes request = BlockReadRequest(7, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    simulator_.SetFaults(7, c.faults);
    simulator_.Script(7, c.script);
    for (bool answered : c.answered) {
      if (answered) {
        EXPECT_EQ(Hex(Exchange(request)), Hex(Reply(7, "PD", 1, 0, {})));
      } else {
        ExpectNoReplyTo(request);
      }
    }
  }
}

TEST_F(SimulatorLineTest, RefusedPositionInBothWritePhases) {
  simulator_.SetFaults(2, Faults([](auto& f) { f.nackIndex = 3; }));
  const std::vector<std::uint16_t> acks = {1, 1, 1, 0, 1};
  EXPECT_EQ(Hex(Exchange(RegisterListRequest(2, 60, 5))), Hex(Reply(2, "LS", 0, 0, acks)));
  EXPECT_EQ(Hex(Exchange(ValuesRequest(2, {1, 2, 3, 4, 5}))), Hex(Reply(2, "PS", 0, 0, acks)));
  EXPECT_EQ(simulator_.Register(2, 62), 3);
  EXPECT_EQ(simulator_.Register(2, 63), 0) << "a refused value is not stored";
}

TEST_F(SimulatorLineTest, DelayedReplyComesNoSoonerThanTheDelay) {
  simulator_.SetFaults(7, Faults([](auto& f) { f.replyDelayMs = 200; }));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Exchange(BlockReadRequest(7, 0)).size(), 36u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
}

// At 4800 baud one byte takes about 2 ms; the request counts as arrived only
// when its last byte would have, and the reply takes as long again.
TEST_F(SimulatorLineTest, PacedExchangeTakesTheWireTimeOfBothFrames) {
  simulator_.SetPacing(4800);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Hex(Exchange(BlockReadRequest(1, 0))), Hex(Reply(1, "PD", 1, 0, {})));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 72 * 10 * 1'000'000ns / 4800);
}

TEST_F(SimulatorLineTest, TraceHoldsBothDirectionsAsSent) {
  simulator_.SetFaults(7, Faults([](auto& f) {
    f.cutAfterBytes = 10;
    f.noiseBeforeReply = {0xEE};
  }));
  const Bytes request = BlockReadRequest(7, 0);
  const Bytes sent = Exchange(request, 11);
  ASSERT_EQ(sent.size(), 11u);
  const std::vector<sim::TraceEntry> trace = simulator_.Trace();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_TRUE(trace[0].received);
  EXPECT_EQ(Hex(trace[0].bytes), Hex(request));
  EXPECT_FALSE(trace[1].received);
  EXPECT_EQ(Hex(trace[1].bytes), Hex(sent));
  EXPECT_LE(trace[0].when, trace[1].when);
  EXPECT_EQ(simulator_.ReceivedFrames(), std::vector<std::vector<std::uint8_t>>{request});

  const std::regex format(R"(\d\d:[0-5]\d:[0-5]\d\.\d{3} (RX|TX)  [0-9A-F]{2}( [0-9A-F]{2})*)");
  std::istringstream text(simulator_.FormatTrace());
  std::string rx, tx, rest;
  ASSERT_TRUE(std::getline(text, rx) && std::getline(text, tx));
  EXPECT_FALSE(std::getline(text, rest));
  EXPECT_TRUE(std::regex_match(rx, format)) << rx;
  EXPECT_NE(rx.find(" RX  02 2F 00 07 00 50 44"), std::string::npos) << rx;
  EXPECT_TRUE(std::regex_match(tx, format)) << tx;
  EXPECT_NE(tx.find(" TX  EE 02 4F 00 07"), std::string::npos) << tx;

  simulator_.ClearTrace();
  EXPECT_TRUE(simulator_.Trace().empty());
  EXPECT_EQ(simulator_.FormatTrace(), "");
}

// A line whose other end is never read fills up; the simulator's writes then
// give up instead of holding its thread (and whoever stops it) for ever.
TEST(SimulatorLine, AWriteNobodyReadsGivesUp) {
  std::string whyNot;
  TestLine line = OpenTestLine(&whyNot);
  if (!line.driverEnd) GTEST_SKIP() << whyNot;
  const Bytes chunk(4096, 0x55);
  const auto start = std::chrono::steady_clock::now();
  bool written = true;
  for (int i = 0; i < 4096 && written; ++i) written = line.simulatorEnd->Write(chunk.data(), chunk.size());
  EXPECT_FALSE(written) << "16 MiB went into a line nobody reads";
  EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
  // What the line holds is not for the next test.
  while (!line.driverEnd->Read(65536, 200).empty()) {
  }
}

}  // namespace
