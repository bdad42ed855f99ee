// The tray icon's two busiest paths, through the recording runtime on the
// platform's registry (the emulated store natively): the tooltip refresh when
// the pointer moves over the icon (code 0x200), and the right button with
// five recent files (the recent items rebuilt from the settings, the popup
// shown and dismissed). Targets: 100 us and 400 us median.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchMain.h"
#include "platform/modAPI.h"
#include "registry/modSettings.h"
#include "tests/RecordingRuntime.h"
#include "tray/frmSysTray.h"

namespace {

void RegisterMainProgram() {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe", 0,
                  nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const std::string path = "C:\\Program Files\\Vantorel\\Vtr.exe";
  RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>(path.size() + 1));
  RegCloseKey(key);
}

void StoreSettings() {
  RegisterMainProgram();
  SaveRegSetting("Vantorel", "Options", "LastFileApplied", "C:\\Documents\\Projects\\Budget 2024.vtr");
  SaveRegSetting("Vantorel", "Recent", "MaxFile", "5");
  for (int i = 1; i <= 5; ++i) {
    SaveRegSetting("Vantorel", "Recent", "File" + std::to_string(i),
                   "C:\\Documents\\Projects\\Recent file " + std::to_string(i) + ".vtr");
  }
}

// The utility loaded on the recording runtime with the settings above, and
// unloaded at the end.
struct RunningTray {
  RunningTray() {
    StoreSettings();
    form.Load();
  }
  ~RunningTray() { form.Unload(); }
  RunningTray(const RunningTray&) = delete;
  RunningTray& operator=(const RunningTray&) = delete;

  // The shell's callback with a mouse code; what the runtime recorded of it
  // is forgotten, so that the records do not grow from one iteration to the next.
  void Callback(int code) {
    form.RaiseMouseMove(0, 0, static_cast<float>(code), 0);
    runtime.Calls.clear();
    runtime.IconCalls.clear();
  }

  RecordingRuntime runtime;
  frmSysTray form;
};

void BM_TooltipRefresh(benchmark::State& state) {
  RunningTray tray;
  for (auto _ : state) tray.Callback(WM_MOUSEMOVE);
}
BENCHMARK(BM_TooltipRefresh)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RightButtonFiveRecentFiles(benchmark::State& state) {
  RunningTray tray;
  for (auto _ : state) tray.Callback(WM_RBUTTONUP);  // the popup is dismissed
  if (!tray.form.mnuFileRecent(5).Visible) state.SkipWithError("the five recent items were not built");
}
BENCHMARK(BM_RightButtonFiveRecentFiles)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
