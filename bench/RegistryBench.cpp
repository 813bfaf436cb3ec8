// SPDX-License-Identifier: GPL-3.0-or-later
// The server list of a settings file holding 10,000 servers: listing them must stay within ten
// times the cost of parsing the file once.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "settings/FileIo.h"
#include "settings/ProfileDocument.h"
#include "settings/ServerRegistry.h"
#include "settings/SettingsStore.h"

namespace {

using namespace pelvane::settings;

constexpr int kServers = 10000;

/// A settings file shaped like a real one: the list, then one section per server.
class TenThousandServers {
 public:
  TenThousandServers() {
    char pattern[] = "/tmp/pelvane-bench-XXXXXX";
    folder_ = ::mkdtemp(pattern);
    file_ = folder_ + "/Pelvane.ZRQ";
    std::ofstream out(file_, std::ios::binary);
    out << "[Pelvane]\r\nDateTimeFormat=yyyy-mmm-dd hh:mm:ss\r\n[Servers]\r\n";
    for (int i = 1; i <= kServers; ++i) out << "Server" << i << "=SQLSERVER" << i << "\r\n";
    for (int i = 1; i <= kServers; ++i) {
      out << " \r\n[sqlserver" << i << "]\r\nServerGroup=GROUP" << i % 20
          << "\r\nLogin=deploy\r\nPassword=4251\r\nDatabase=PUBS\r\n"
          << "CopyPath=\\\\sqlserver" << i << "\\deploy\r\nServiceName=MSSQLSERVER\r\n";
    }
  }
  ~TenThousandServers() {
    std::remove(file_.c_str());
    ::rmdir(folder_.c_str());
  }
  const std::string& file() const { return file_; }

 private:
  std::string folder_, file_;
};

const TenThousandServers& Fixture() {
  static const TenThousandServers fixture;
  return fixture;
}

void BM_ParseSettingsFileOnce(benchmark::State& state) {
  for (auto _ : state) {
    pelvane::Result<FileContent> content = ReadFileBytes(Fixture().file());
    ProfileDocument doc = ProfileDocument::Parse(content->bytes);
    benchmark::DoNotOptimize(doc);
  }
}
BENCHMARK(BM_ParseSettingsFileOnce)->Unit(benchmark::kMillisecond);

// A dialog opening: a new store, so the file is read and parsed within the measurement.
void BM_FillServerListByGroup(benchmark::State& state) {
  for (auto _ : state) {
    SettingsStore store(Fixture().file());
    ServerRegistry registry(store);
    auto names = registry.FillServerList("GROUP7");
    if (registry.ServerCount() != kServers) state.SkipWithError("wrong count");
    benchmark::DoNotOptimize(names);
  }
}
BENCHMARK(BM_FillServerListByGroup)->Unit(benchmark::kMillisecond);

// The same 20,000 reads made key by key, as a window reads its settings.
void BM_TwentyThousandKeyReads(benchmark::State& state) {
  for (auto _ : state) {
    SettingsStore store(Fixture().file());
    int found = 0;
    for (int i = 1; i <= kServers; ++i) {
      std::string name = store.GetINIValue("Servers", "Server" + std::to_string(i));
      found += !store.GetINIValue(name, "ServerGroup").empty();
    }
    if (found != kServers) state.SkipWithError("missing groups");
  }
}
BENCHMARK(BM_TwentyThousandKeyReads)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
