// Our buffer cipher against OpenSSL's Blowfish on the same work, with ratios
// printed at the end so the comparison never depends on the machine.
//
// Each side derives a key schedule and enciphers a buffer, as one data call
// of the module does; the key setup and the bulk loop are also measured on
// their own. OpenSSL is given a 72-byte key, the one it needs to build our
// schedule, so both sides do the same 521-encipherment expansion.
#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cipher/blowfish.h"

namespace {

constexpr std::uint8_t kKey[] = "bench key, 24 bytes long";
constexpr std::int32_t kKeyLength = sizeof kKey - 1;

std::vector<std::uint8_t> Buffer(std::int64_t size) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131);
  return data;
}

void SetBytes(benchmark::State& state, std::int64_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}

void OpenSslEcb(const BF_KEY& key, std::vector<std::uint8_t>& data) {
  for (std::size_t at = 0; at < data.size(); at += 8) {
    BF_ecb_encrypt(&data[at], &data[at], &key, BF_ENCRYPT);
  }
}

void BM_Ours_Call(benchmark::State& state) {
  std::vector<std::uint8_t> data = Buffer(state.range(0));
  const auto count = static_cast<std::int32_t>(data.size());
  for (auto _ : state) {
    qor::BlowfishEncryptBuffer(data.data(), count, kKey, kKeyLength);
    benchmark::DoNotOptimize(data.data());
  }
  SetBytes(state, state.range(0));
}

void BM_OpenSsl_Call(benchmark::State& state) {
  std::vector<std::uint8_t> data = Buffer(state.range(0));
  std::uint8_t key72[72];
  for (std::size_t i = 0; i < sizeof key72; ++i) key72[i] = kKey[i % kKeyLength];
  for (auto _ : state) {
    BF_KEY key;
    BF_set_key(&key, sizeof key72, key72);
    OpenSslEcb(key, data);
    benchmark::DoNotOptimize(data.data());
  }
  SetBytes(state, state.range(0));
}

void BM_Ours_KeySetup(benchmark::State& state) {
  qor::BlowfishSchedule schedule;
  for (auto _ : state) {
    qor::BlowfishSetKey(&schedule, kKey, static_cast<std::int16_t>(kKeyLength));
    benchmark::DoNotOptimize(&schedule);
  }
}

void BM_OpenSsl_KeySetup(benchmark::State& state) {
  std::uint8_t key72[72];
  for (std::size_t i = 0; i < sizeof key72; ++i) key72[i] = kKey[i % kKeyLength];
  BF_KEY key;
  for (auto _ : state) {
    BF_set_key(&key, sizeof key72, key72);
    benchmark::DoNotOptimize(&key);
  }
}

BENCHMARK(BM_Ours_Call)->Arg(64)->Arg(64 * 1024);
BENCHMARK(BM_OpenSsl_Call)->Arg(64)->Arg(64 * 1024);
BENCHMARK(BM_Ours_KeySetup);
BENCHMARK(BM_OpenSsl_KeySetup);

// Remembers each run's CPU time per iteration (steadier than wall time on a
// shared machine) so the ratios can be printed once both sides have run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\nCPU time of ours / CPU time of OpenSSL (below 1: ours is faster):\n");
    for (const auto& [name, ours] : times_) {
      if (name.rfind("BM_Ours_", 0) != 0) continue;
      const std::string peer = "BM_OpenSsl_" + name.substr(8);
      const auto it = times_.find(peer);
      if (it == times_.end() || it->second <= 0) continue;
      std::printf("  %-28s %.2f\n", name.substr(8).c_str(), ours / it->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
