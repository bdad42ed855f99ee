// The registry functions' speed: open + query + close of one value, a set,
// and listing 10,000 and 100,000 subkeys and values. Natively it measures the
// emulated registry (in a store of its own, unless VTR_REGISTRY names one);
// cross-built and run under wine64, Wine's registry.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/BenchMain.h"
#include "platform/modAPI.h"
#include "tests/RegistryTestSupport.h"
#include "tools/vtrreg/RegFileWriter.h"
#include "tools/vtrreg/RegTree.h"

namespace {

const char* const kBase = "Software\\VtrTest\\Bench";

HKEY CreateKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// How many values (or subkeys) a key has.
DWORD CountEntries(HKEY key, bool values) {
  DWORD subKeys = 0, valueCount = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &valueCount, nullptr, nullptr,
                   nullptr, nullptr);
  return values ? valueCount : subKeys;
}

// A key below the bench key with `count` subkeys (or values), made once.
std::string Populated(const char* kind, int64_t count, bool values) {
  std::string path = std::string(kBase) + "\\" + kind + std::to_string(count);
  HKEY key = CreateKey(path);
  if (key == nullptr) return "";
  DWORD have = CountEntries(key, values);
  char name[32];
  for (int64_t i = have; i < count; ++i) {
    std::snprintf(name, sizeof name, "Entry%06lld", static_cast<long long>(i));
    if (values) {
      DWORD data = static_cast<DWORD>(i);
      RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    } else {
      HKEY sub = nullptr;
      if (RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) == ERROR_SUCCESS)
        RegCloseKey(sub);
    }
  }
  RegCloseKey(key);
  return path;
}

void BM_OpenQueryClose(benchmark::State& state) {
  HKEY setup = CreateKey(kBase);
  const char text[] = "C:\\Program Files\\Vantorel\\Vtr.exe";
  RegSetValueExA(setup, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  RegCloseKey(setup);
  char buffer[256];
  for (auto _ : state) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBase, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      state.SkipWithError("open failed");
      break;
    }
    DWORD size = sizeof buffer;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
      state.SkipWithError("query failed");
      break;
    }
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_OpenQueryClose)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SetValue(benchmark::State& state) {
  HKEY key = CreateKey(kBase);
  const char text[] = "C:\\Users\\Me\\Documents\\Plan.vtr";
  for (auto _ : state) {
    if (RegSetValueExA(key, "LastFileApplied", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text) !=
        ERROR_SUCCESS) {
      state.SkipWithError("set failed");
      break;
    }
  }
  RegCloseKey(key);
}
BENCHMARK(BM_SetValue)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Opens the key, counts its entries and reads every one of them by index.
void ListAll(benchmark::State& state, bool values) {
  std::string path = Populated(values ? "Values" : "Keys", state.range(0), values);
  char name[300];
  for (auto _ : state) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      state.SkipWithError("open failed");
      break;
    }
    DWORD count = CountEntries(key, values);
    DWORD listed = 0;
    for (DWORD i = 0; i < count; ++i) {
      DWORD length = sizeof name;
      BYTE data[64];
      DWORD size = sizeof data;
      LONG rc = values ? RegEnumValueA(key, i, name, &length, nullptr, nullptr, data, &size)
                       : RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_SUCCESS) ++listed;
    }
    RegCloseKey(key);
    if (listed != static_cast<DWORD>(state.range(0))) {
      state.SkipWithError("listing incomplete");
      break;
    }
  }
}
void BM_EnumSubKeys(benchmark::State& state) { ListAll(state, false); }
void BM_EnumValues(benchmark::State& state) { ListAll(state, true); }
BENCHMARK(BM_EnumSubKeys)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EnumValues)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);

void DeleteBenchKey() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kBase); }

}  // namespace

// A chain of 500 keys below the bench key, made one level at a time.
void MakeChain(const std::string& path) {
  HKEY key = CreateKey(path);
  for (int level = 0; level < 500 && key != nullptr; ++level) {
    HKEY child = nullptr;
    if (RegCreateKeyExA(key, "Level", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr) != ERROR_SUCCESS)
      child = nullptr;
    RegCloseKey(key);
    key = child;
  }
  if (key != nullptr) RegCloseKey(key);
}

// vtrreg's export and recursive delete of a tree 500 levels deep (target:
// well under a second each).
void BM_Export500Levels(benchmark::State& state) {
  const std::string path = std::string(kBase) + "\\Chain";
  MakeChain(path);
  for (auto _ : state) benchmark::DoNotOptimize(RegFileWriter::Export("\\HKEY_LOCAL_MACHINE\\" + path).size());
}
BENCHMARK(BM_Export500Levels)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DeleteTree500Levels(benchmark::State& state) {
  const std::string path = std::string(kBase) + "\\Chain";
  for (auto _ : state) {
    state.PauseTiming();
    MakeChain(path);
    state.ResumeTiming();
    if (RegTree::DeleteTree(HKEY_LOCAL_MACHINE, path) != ERROR_SUCCESS) state.SkipWithError("delete failed");
  }
}
BENCHMARK(BM_DeleteTree500Levels)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv, DeleteBenchKey); }
