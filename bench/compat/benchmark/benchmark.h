#pragma once
// A small stand-in for Google Benchmark in the Windows builds, which have no
// cross-built Google Benchmark: the same source compiles against either.
//
// What it offers: BENCHMARK(fn) with ->Arg, ->Args, ->Unit, ->Iterations,
// ->Repetitions, ->MinTime, ->UseRealTime, ->ReportAggregatesOnly; State with
// its range-for loop, range(i), PauseTiming/ResumeTiming, SetItemsProcessed,
// SetLabel, SkipWithError, iterations(); DoNotOptimize, ClobberMemory;
// Initialize/RunSpecifiedBenchmarks/Shutdown and BENCHMARK_MAIN. Every
// benchmark runs its repetitions (5 unless set) and prints the median time
// per iteration, wall clock. --benchmark_filter=<substring> picks benchmarks.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

template <class T>
inline void DoNotOptimize(T const& value) {
  asm volatile("" : : "r,m"(value) : "memory");
}
template <class T>
inline void DoNotOptimize(T& value) {
  asm volatile("" : "+r,m"(value) : : "memory");
}
inline void ClobberMemory() { asm volatile("" : : : "memory"); }

class State {
 public:
  using Clock = std::chrono::steady_clock;

  State(int64_t iterations, std::vector<int64_t> ranges)
      : maxIterations_(iterations), ranges_(std::move(ranges)) {}

  struct Iterator {
    State* state;
    int64_t left;
    bool operator!=(const Iterator&) const {
      if (left > 0 && !state->error_) return true;
      state->Finish();
      return false;
    }
    void operator++() { --left; }
    struct __attribute__((unused)) Value {};
    Value operator*() const { return Value(); }
  };
  Iterator begin() {
    Start();
    return Iterator{this, maxIterations_};
  }
  Iterator end() { return Iterator{this, 0}; }

  bool KeepRunning() {
    if (!started_) Start();
    if (done_ < maxIterations_ && !error_) {
      ++done_;
      return true;
    }
    Finish();
    return false;
  }

  int64_t range(size_t i = 0) const { return i < ranges_.size() ? ranges_[i] : 0; }
  int64_t iterations() const { return maxIterations_; }
  void PauseTiming() {
    if (running_) elapsed_ += Clock::now() - startedAt_;
    running_ = false;
  }
  void ResumeTiming() {
    if (!running_) startedAt_ = Clock::now();
    running_ = true;
  }
  void SetItemsProcessed(int64_t items) { items_ = items; }
  void SetLabel(const std::string& label) { label_ = label; }
  void SkipWithError(const char* message) {
    error_ = true;
    errorMessage_ = message != nullptr ? message : "";
  }

  double seconds() const { return std::chrono::duration<double>(elapsed_).count(); }
  bool failed() const { return error_; }
  const std::string& errorMessage() const { return errorMessage_; }
  const std::string& label() const { return label_; }

 private:
  void Start() {
    started_ = true;
    ResumeTiming();
  }
  void Finish() { PauseTiming(); }

  int64_t maxIterations_;
  int64_t done_ = 0;
  std::vector<int64_t> ranges_;
  bool started_ = false;
  bool running_ = false;
  Clock::time_point startedAt_;
  Clock::duration elapsed_{};
  int64_t items_ = 0;
  bool error_ = false;
  std::string errorMessage_;
  std::string label_;
};

namespace internal {

class Benchmark {
 public:
  using Function = void (*)(State&);
  Benchmark(const char* name, Function function) : name_(name), function_(function) {}

  Benchmark* Arg(int64_t x) {
    args_.push_back({x});
    return this;
  }
  Benchmark* Args(std::initializer_list<int64_t> xs) {
    args_.emplace_back(xs);
    return this;
  }
  Benchmark* Unit(TimeUnit unit) {
    unit_ = unit;
    return this;
  }
  Benchmark* Iterations(int64_t n) {
    iterations_ = n;
    return this;
  }
  Benchmark* Repetitions(int n) {
    repetitions_ = n;
    return this;
  }
  Benchmark* MinTime(double seconds) {
    minTime_ = seconds;
    return this;
  }
  Benchmark* UseRealTime() { return this; }  // always wall-clock time here
  Benchmark* ReportAggregatesOnly(bool = true) { return this; }

  void Run(const std::string& filter) const {
    std::vector<std::vector<int64_t>> runs = args_.empty() ? std::vector<std::vector<int64_t>>{{}} : args_;
    for (const auto& ranges : runs) {
      std::string name = name_;
      for (int64_t r : ranges) {
        name += '/';
        name += std::to_string(r);
      }
      if (!filter.empty() && name.find(filter) == std::string::npos) continue;
      RunOne(name, ranges);
    }
  }

 private:
  void RunOne(const std::string& name, const std::vector<int64_t>& ranges) const {
    int64_t iterations = iterations_;
    if (iterations <= 0) {
      // Grow the iteration count until one repetition lasts minTime_.
      iterations = 1;
      for (;;) {
        State probe(iterations, ranges);
        function_(probe);
        if (probe.failed()) return Report(name, probe.errorMessage());
        double seconds = probe.seconds();
        if (seconds >= minTime_ || iterations >= (int64_t{1} << 30)) break;
        double factor = seconds <= 0 ? 10.0 : std::min(10.0, std::max(1.5, 1.4 * minTime_ / seconds));
        iterations = static_cast<int64_t>(iterations * factor) + 1;
      }
    }
    std::vector<double> perIteration;
    std::string label;
    for (int i = 0; i < repetitions_; ++i) {
      State state(iterations, ranges);
      function_(state);
      if (state.failed()) return Report(name, state.errorMessage());
      perIteration.push_back(state.seconds() / static_cast<double>(iterations));
      label = state.label();
    }
    std::sort(perIteration.begin(), perIteration.end());
    size_t n = perIteration.size();
    double median = n % 2 == 1 ? perIteration[n / 2] : (perIteration[n / 2 - 1] + perIteration[n / 2]) / 2;
    static const char* const kUnits[] = {"ns", "us", "ms", "s"};
    static const double kScale[] = {1e9, 1e6, 1e3, 1};
    std::printf("%-44s median %12.3f %s   (%d repetitions x %lld iterations)%s%s\n", name.c_str(),
                median * kScale[unit_], kUnits[unit_], repetitions_, static_cast<long long>(iterations),
                label.empty() ? "" : "  ", label.c_str());
    std::fflush(stdout);
  }
  static void Report(const std::string& name, const std::string& error) {
    std::printf("%-44s ERROR: %s\n", name.c_str(), error.c_str());
    std::fflush(stdout);
  }

  std::string name_;
  Function function_;
  std::vector<std::vector<int64_t>> args_;
  TimeUnit unit_ = kNanosecond;
  int64_t iterations_ = 0;
  int repetitions_ = 5;
  double minTime_ = 0.1;
};

inline std::vector<std::unique_ptr<Benchmark>>& Registry() {
  static std::vector<std::unique_ptr<Benchmark>> all;
  return all;
}

inline std::string& Filter() {
  static std::string filter;
  return filter;
}

inline Benchmark* Register(const char* name, Benchmark::Function function) {
  Registry().push_back(std::make_unique<Benchmark>(name, function));
  return Registry().back().get();
}

}  // namespace internal

inline void Initialize(int* argc, char** argv) {
  const char* const kFilter = "--benchmark_filter=";
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], kFilter, std::strlen(kFilter)) == 0) {
      internal::Filter() = argv[i] + std::strlen(kFilter);
    }
  }
}
inline bool ReportUnrecognizedArguments(int, char**) { return false; }
inline size_t RunSpecifiedBenchmarks() {
  for (const auto& benchmark : internal::Registry()) benchmark->Run(internal::Filter());
  return internal::Registry().size();
}
inline void Shutdown() {}

}  // namespace benchmark

#define VTR_BENCH_CONCAT2(a, b) a##b
#define VTR_BENCH_CONCAT(a, b) VTR_BENCH_CONCAT2(a, b)
#define BENCHMARK(function)                                                   \
  static ::benchmark::internal::Benchmark* VTR_BENCH_CONCAT(vtr_bench_, __LINE__) \
      [[maybe_unused]] = ::benchmark::internal::Register(#function, function)
#define BENCHMARK_MAIN()                          \
  int main(int argc, char** argv) {               \
    ::benchmark::Initialize(&argc, argv);         \
    ::benchmark::RunSpecifiedBenchmarks();        \
    ::benchmark::Shutdown();                      \
    return 0;                                     \
  }
