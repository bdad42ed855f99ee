#pragma once
// The main of the registry benchmarks. Natively they run on a store of their
// own: a temporary one, removed afterwards, unless VTR_REGISTRY names one, so
// the figures neither depend on nor touch the user's settings. Cross-built,
// they run on the platform's registry.
//
//   int main(int argc, char** argv) { return RunBenchmarks(argc, argv, DeleteBenchKeys); }
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/emu/UserData.h"
#include "tray/UserDataNames.h"
#endif

// Runs the registered benchmarks, then cleanUp (while the store is still
// there); returns the program's exit code.
inline int RunBenchmarks(int argc, char** argv, void (*cleanUp)() = nullptr) {
#ifndef _WIN32
  emu::SetUserDataNames({kDataFolderName, kStoreVariable, kDriveCVariable});
  // Never the user's own store.
  std::filesystem::path privateDir;
  if (std::getenv("VTR_REGISTRY") == nullptr) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vtr-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    privateDir = pattern;
    ::setenv("VTR_REGISTRY", (privateDir / "registry.db").c_str(), 1);
  }
#endif
  benchmark::Initialize(&argc, argv);
  int exitCode = 1;
  if (!benchmark::ReportUnrecognizedArguments(argc, argv)) {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (cleanUp != nullptr) cleanUp();
    exitCode = 0;
  }
#ifndef _WIN32
  if (!privateDir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(privateDir, ignored);
  }
#endif
  return exitCode;
}
