// Runs the codec and population benchmarks and prints their ratios.
//
//   bioapi_data_bench [--strict] [Google Benchmark flags]
//
// With --strict the program fails (exit status 1) when a figure misses its
// goal: for a person checking a change on a quiet machine. The timings of a
// shared machine vary too much for a gate, so no test or CI run passes it.
//
// Unless told otherwise, every benchmark runs five times, the runs of all
// benchmarks interleaved in random order so that a baseline and what it is
// compared with see the same machine; the figures are the medians. The
// benchmarks that write files do so in a directory of their own, removed at
// the end.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "ratio_report.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// glibc returns freed memory at the top of its heap to the system and maps
// large blocks afresh, by thresholds that it moves as the program runs; a
// benchmark that frees ten thousand records then pays page faults on the next
// iteration, or not, by the heap's history. Fixed thresholds keep every
// benchmark in the steady state that a long-running caller sees.
void SteadyHeap() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

// Makes a fresh directory under the system's temporary directory the working
// directory, and removes it when done.
class ScratchDirectory {
 public:
  ScratchDirectory() : previous_(std::filesystem::current_path()) {
    std::random_device entropy;
    path_ = std::filesystem::temp_directory_path() /
            ("bioapi_data_bench." + std::to_string(entropy()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

}  // namespace

int main(int argc, char** argv) {
  // Defaults first: a flag given on the command line comes later and wins.
  std::vector<std::string> words = {
      argv[0], "--benchmark_repetitions=5",
      "--benchmark_report_aggregates_only=true",
      "--benchmark_enable_random_interleaving=true"};
  bool strict = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--strict") {
      strict = true;
    } else {
      words.emplace_back(argv[i]);
    }
  }
  std::vector<char*> args;
  for (std::string& word : words) args.push_back(word.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  SteadyHeap();
  ScratchDirectory scratch;
  BioAPI_Data::bench::RatioReport report;
  benchmark::RunSpecifiedBenchmarks(&report);
  benchmark::Shutdown();
  return strict && report.Misses() > 0 ? 1 : 0;
}
