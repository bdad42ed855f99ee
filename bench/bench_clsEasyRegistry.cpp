// clsEasyRegistry and the settings store: one setting read (existing value,
// missing section), one setting write, and the listings of a key with 10,000
// and 100,000 subkeys or values. Natively on the emulated registry (a store of
// its own unless VTR_REGISTRY names one); cross-built under wine64, on Wine's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/BenchMain.h"
#include "registry/clsEasyRegistry.h"
#include "registry/modSettings.h"

namespace {

// Settings live below \HKEY_LOCAL_MACHINE\Software\<company>\<app>.
const char* const kCompany = "VtrTest";
const char* const kApp = "SettingsBench";
const std::string kBenchPath = "\\HKEY_LOCAL_MACHINE\\Software\\VtrTest\\ListBench";

void BM_GetRegSetting_Existing(benchmark::State& state) {
  SaveRegSetting(kApp, "Options", "LastFileApplied", "C:\\Users\\Me\\Documents\\Plan.vtr", kCompany);
  for (auto _ : state) {
    std::string text = GetRegSetting(kApp, "Options", "LastFileApplied", "None", kCompany);
    if (text == "None") {
      state.SkipWithError("setting not found");
      break;
    }
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_GetRegSetting_Existing)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_GetRegSetting_MissingSection(benchmark::State& state) {
  for (auto _ : state) {
    std::string text = GetRegSetting(kApp, "NoSuchSection", "MaxFile", "3", kCompany);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_GetRegSetting_MissingSection)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SaveRegSetting_Existing(benchmark::State& state) {
  SaveRegSetting(kApp, "Options", "TrayIconActive", "0", kCompany);
  for (auto _ : state) SaveRegSetting(kApp, "Options", "TrayIconActive", "1", kCompany);
}
BENCHMARK(BM_SaveRegSetting_Existing)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A key below the bench key with `count` subkeys or DWORD values, made once
// through the class itself.
std::string Populated(int64_t count, bool values) {
  const std::string name = std::string(values ? "Values" : "Keys") + std::to_string(count);
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  reg.Cd("\\HKEY_LOCAL_MACHINE\\Software");
  reg.MakeKey("VtrTest\\ListBench\\" + name);
  reg.Cd(kBenchPath + "\\" + name);
  if (reg.lastError() != 0) return "";
  int64_t have = 0;  // a store named by VTR_REGISTRY may hold them from an earlier run
  if (values) {
    if (auto table = reg.DirValue()) have = static_cast<int64_t>((*table)[clsEasyRegistry::RowName].size());
  } else if (auto names = reg.DirKey()) {
    have = static_cast<int64_t>(names->size());
  }
  char entry[32];
  for (int64_t i = have; i < count; ++i) {
    std::snprintf(entry, sizeof entry, "Entry%06lld", static_cast<long long>(i));
    if (values) {
      int32_t kind = ValueKind::DWord;
      reg.ValueOf(entry, kind, Variant(static_cast<double>(i * 40503)));
    } else {
      reg.MakeKey(entry);
    }
    if (reg.lastError() != 0) return "";
  }
  return kBenchPath + "\\" + name;
}

void BM_DirKey(benchmark::State& state) {
  const std::string path = Populated(state.range(0), false);
  clsEasyRegistry reg;
  reg.Cd(path);
  for (auto _ : state) {
    auto names = reg.DirKey();
    if (!names || static_cast<int64_t>(names->size()) != state.range(0)) {
      state.SkipWithError("listing incomplete");
      break;
    }
    benchmark::DoNotOptimize(names);
  }
}
BENCHMARK(BM_DirKey)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_DirValue(benchmark::State& state) {
  const std::string path = Populated(state.range(0), true);
  clsEasyRegistry reg;
  reg.Cd(path);
  for (auto _ : state) {
    auto table = reg.DirValue();
    if (!table || static_cast<int64_t>((*table)[clsEasyRegistry::RowName].size()) != state.range(0)) {
      state.SkipWithError("listing incomplete");
      break;
    }
    benchmark::DoNotOptimize(table);
  }
}
BENCHMARK(BM_DirValue)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Removes the bench keys, one level at a time through the class.
void DeleteBenchKeys() {
  clsEasyRegistry reg;
  reg.SuppressErrors(true);
  reg.Cd(kBenchPath);
  if (auto children = reg.DirKey()) {
    for (const std::string& child : *children) {
      reg.Cd(kBenchPath + "\\" + child);
      if (auto grandchildren = reg.DirKey())
        for (const std::string& each : *grandchildren) reg.DeleteKey(each);
      reg.Cd(kBenchPath);
      reg.DeleteKey(child);
    }
  }
  reg.Cd(std::string("\\HKEY_LOCAL_MACHINE\\Software\\") + kCompany);
  reg.DeleteKey("ListBench");
  reg.Cd(std::string("\\HKEY_LOCAL_MACHINE\\Software\\") + kCompany + "\\" + kApp);
  reg.DeleteKey("Options");
  reg.Cd(std::string("\\HKEY_LOCAL_MACHINE\\Software\\") + kCompany);
  reg.DeleteKey(kApp);
  reg.Cd("\\HKEY_LOCAL_MACHINE\\Software");
  reg.DeleteKey(kCompany);  // only when nothing else is left in it
}

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(argc, argv, DeleteBenchKeys); }
