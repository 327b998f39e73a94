// In-process figures under Google Benchmark, unpaced, each line a pseudo-terminal
// pair: a block read through KelMain against the bare round trip of a minimal
// program with the same responder (the simulator), and against libmodbus
// reading ten holding registers from a libmodbus server.
//
//   torva-bench-inprocess [--report-dir=DIR] [Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <sched.h>

#include <map>
#include <string>
#include <vector>

#include "bare_client.h"
#include "figure_report.h"
#include "host_session.h"
#include "latency_samples.h"
#include "modbus_peer.h"
#include "pty_pair.h"

namespace {

// Many short repetitions, run in random order across the benchmarks, so that
// every benchmark meets the same load of a shared machine.
constexpr int kIterations = 400;
constexpr int kRepetitions = 40;
constexpr int kMachine = 1;
constexpr int kFirstRegister = 120;
constexpr std::int32_t kReplyTimeoutUnits = 100;
constexpr double kFloorLimit = 1.3;

// Every iteration of every repetition, by benchmark.
std::map<std::string, LatencySamples> samplesOf;

// Runs `transaction` once an iteration, keeps each duration among the samples
// of `key`, and reports the median and 99th percentile of this repetition.
template <typename Transaction>
void TimeIterations(benchmark::State& state, const std::string& key, Transaction&& transaction) {
  LatencySamples& all = samplesOf[key];
  LatencySamples repetition;
  repetition.Reserve(kIterations);
  for (auto _ : state) {
    const auto start = LatencySamples::Clock::now();
    const bool ok = transaction();
    const auto elapsed = LatencySamples::Clock::now() - start;
    if (!ok) {
      state.SkipWithError("transaction failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    repetition.Add(elapsed);
    all.Add(elapsed);
  }
  state.counters["p50_us"] = repetition.Median();
  state.counters["p99_us"] = repetition.Percentile(0.99);
}

void BM_BareRoundTrip(benchmark::State& state) {
  SimulatedLine line;
  BareClient client(line.portName());
  TimeIterations(state, "bare", [&] { return client.RoundTrip(); });
}

void BM_TorvaBlockRead(benchmark::State& state) {
  SimulatedLine line;
  HostSession host;
  if (!host.Start(line.portName(), kReplyTimeoutUnits)) return state.SkipWithError("ColdStart failed");
  RegisterBlock values{};
  TimeIterations(state, "torva", [&] { return host.ReadBlock(kMachine, kFirstRegister, values) == kResultDone; });
}

void BM_ModbusReadTenRegisters(benchmark::State& state) {
  PtyPair pair;
  ModbusServer server(pair.master());
  ModbusClient client(pair.slaveName());
  std::uint16_t values[kModbusRegisters];
  TimeIterations(state, "modbus", [&] { return client.ReadTen(values); });
}

void Register(const char* name, void (*benchmark)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, benchmark)
      ->Iterations(kIterations)
      ->Repetitions(kRepetitions)
      ->UseManualTime()
      ->ReportAggregatesOnly()
      ->Unit(benchmark::kMicrosecond);
}

void ReportFigures(const std::string& reportDir) {
  const LatencySamples& bare = samplesOf["bare"];
  const LatencySamples& torva = samplesOf["torva"];
  const LatencySamples& modbus = samplesOf["modbus"];
  if (bare.size() == 0 || torva.size() == 0 || modbus.size() == 0) return;  // some were filtered out
  FigureReport report(reportDir.empty() ? "" : reportDir + "/figures.md");
  for (const auto& [what, fraction] : {std::pair{"median", 0.5}, std::pair{"p99", 0.99}}) {
    const double ratio = torva.Percentile(fraction) / bare.Percentile(fraction);
    report.Add({"2", std::string("Software floor, unpaced: block read through KelMain, ") + what,
                FormatMicroseconds(torva.Percentile(fraction)),
                "bare round trip " + FormatMicroseconds(bare.Percentile(fraction)), ratio,
                "at most 1.3x", ratio <= kFloorLimit});
  }
  for (const auto& [what, fraction] : {std::pair{"median", 0.5}, std::pair{"p99", 0.99}}) {
    const double ratio = torva.Percentile(fraction) / modbus.Percentile(fraction);
    report.Add({"3", std::string("Peer, unpaced: torva block read against libmodbus reading ten registers, ") + what,
                FormatMicroseconds(torva.Percentile(fraction)),
                "libmodbus " + FormatMicroseconds(modbus.Percentile(fraction)), ratio,
                "below 1 (faster)", ratio < 1.0});
  }
  if (reportDir.empty()) return;
  bare.WriteDistribution(reportDir + "/bare-unpaced.dat");
  torva.WriteDistribution(reportDir + "/torva-unpaced.dat");
  modbus.WriteDistribution(reportDir + "/modbus-unpaced.dat");
}

// Client and responder share one core: every round trip then has the same
// shape, two threads taking turns. Across two cores a round trip is fast or
// slow by whether the other core is free, which on a shared machine is a
// lottery that would decide the medians.
void KeepToOneCore() {
  cpu_set_t cores;
  CPU_ZERO(&cores);
  CPU_SET(sched_getcpu(), &cores);
  sched_setaffinity(0, sizeof cores, &cores);
}

}  // namespace

int main(int argc, char** argv) {
  KeepToOneCore();  // before any thread starts, so that all inherit it
  std::vector<char*> arguments(argv, argv + argc);
  char interleaving[] = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleaving);  // a later flag may still say otherwise
  argc = static_cast<int>(arguments.size());
  argv = arguments.data();
  benchmark::Initialize(&argc, argv);
  const std::string reportDir = ArgumentValue(argc, argv, "report-dir", "");
  Register("BareRoundTrip", BM_BareRoundTrip);
  Register("TorvaBlockRead", BM_TorvaBlockRead);
  Register("ModbusReadTenRegisters", BM_ModbusReadTenRegisters);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ReportFigures(reportDir);
  return 0;
}
