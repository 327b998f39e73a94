// A short soak with every kind of fault: no answer of 0 may be untrue.
#include <gtest/gtest.h>

#include "reliability/soak.h"

namespace {

TEST(Soak, ShortSeededRunWithFaultsLosesNothing) {
  SoakOptions options;
  options.operations = 1500;
  options.seed = 20261211;
  options.timeoutUnits = 10;
  options.faultPercent = 15;
  const SoakFigures figures = RunSoak(options);
  const std::string report = SoakReport(options, figures, "soak_tests");
  EXPECT_EQ(figures.Untruths(), 0u) << report;
  EXPECT_EQ(figures.Operations(), options.operations) << report;

  // The run met every fault and every answer, or it proves little.
  for (SoakFault fault : {SoakFault::kSilent, SoakFault::kBadChecksum, SoakFault::kWrongCodes,
                          SoakFault::kCut, SoakFault::kNoise, SoakFault::kNack,
                          SoakFault::kSwappedBytes, SoakFault::kReplacedBytes,
                          SoakFault::kLateReply}) {
    EXPECT_GT(figures.faults.count(fault), 0u) << static_cast<int>(fault) << "\n" << report;
  }
  for (SoakOperation operation :
       {SoakOperation::kBlockRead, SoakOperation::kSingleWrite, SoakOperation::kBlockWrite}) {
    for (int code = 0; code < 3; ++code) {
      EXPECT_GT(figures.results.at(operation)[code], 0u)
          << static_cast<int>(operation) << " code " << code << "\n" << report;
    }
  }
  const auto& reEnabled = figures.results.at(SoakOperation::kReEnable);
  EXPECT_EQ(reEnabled[0], figures.results.at(SoakOperation::kBlockRead)[2]) << report;
  EXPECT_GT(figures.failedWritesThatArrived, 0u) << "faults reached the second phase\n" << report;
  // Swapped data bytes keep the checksum: the protocol cannot catch them.
  EXPECT_GT(figures.corruptionsDelivered.count(SoakFault::kSwappedBytes), 0u) << report;
  // Nor can it tell a late reply to an earlier request from the one awaited.
  EXPECT_GT(figures.lateRepliesTaken, 0u) << report;
}

}  // namespace
