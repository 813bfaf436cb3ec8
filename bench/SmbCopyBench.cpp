// SPDX-License-Identifier: GPL-3.0-or-later
// A 100 MiB file copied to a Samba share on loopback: the copy streams in blocks, so the peak
// memory of the process should grow by a few blocks, not by the file. Reports the time and the
// growth of the peak resident size (goal: under 24 MiB). Needs root, as the Samba fixture does.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "platform/SmbNetworkShares.h"
#include "support/SambaServer.h"
#include "support/TempDir.h"

namespace {

using pelvane::testing::SambaServer;

constexpr size_t kMiB = 1024 * 1024;
constexpr size_t kSize = 100 * kMiB;

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_CopyHundredMegabytesToShare(benchmark::State& state) {
  SambaServer& samba = SambaServer::Shared();
  pelvane::testing::TempDir local;
  const std::string source = local.File("big.bin");
  {
    std::ofstream out(source, std::ios::binary);
    std::string block(kMiB, '\0');
    for (size_t i = 0; i < kSize / kMiB; ++i) {
      for (size_t j = 0; j < block.size(); j += 4096) block[j] = static_cast<char>(i + j / 4096);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  pelvane::platform::SmbNetworkShares shares;
  const auto connection =
      shares.Connect(samba.NetworkPath("dir"), SambaServer::kUser, SambaServer::kPassword);
  if (connection.localName.empty()) {
    state.SkipWithError(("no connection: " + connection.message).c_str());
    return;
  }
  const std::filesystem::path copy = samba.LocalPath("dir/big.bin");
  const long before = PeakKiB();
  for (auto _ : state) {
    std::filesystem::remove(copy);
    const pelvane::Status copied = shares.CopyFile(source, connection.localName + "big.bin", true);
    if (!copied) state.SkipWithError(copied.message().c_str());
  }
  state.counters["peak_growth_KiB"] = static_cast<double>(PeakKiB() - before);
  if (std::filesystem::file_size(copy) != kSize) state.SkipWithError("the copy is incomplete");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
  std::filesystem::remove(copy);
  shares.Disconnect(connection.localName, true);
}
BENCHMARK(BM_CopyHundredMegabytesToShare)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
