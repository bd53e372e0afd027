// The console report of the benchmarks, followed by the codec's figures as
// ratios to their baselines and each goal with its verdict.
#ifndef BIOAPI_DATA_BENCH_RATIO_REPORT_H_
#define BIOAPI_DATA_BENCH_RATIO_REPORT_H_

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace BioAPI_Data {
namespace bench {

/// Prints what the console reporter prints, keeps the median (or only) figure
/// of every benchmark, and at the end prints the ratio table and the goals.
class RatioReport : public benchmark::ConsoleReporter {
 public:
  RatioReport();

  void ReportRuns(const std::vector<Run>& reports) override;
  void Finalize() override;

  /// Number of goals that the figures missed; set by `Finalize`.
  int Misses() const { return misses_; }

 private:
  struct Figure {
    double cpu_ns = 0;
    double real_ns = 0;
    std::map<std::string, double> counters;
  };
  using Key = std::pair<std::string, std::int64_t>;

  /// CPU time (with `wall`, wall-clock time) in nanoseconds of one `name` at
  /// `arg`; negative when it was not run. "DecodeMove" is derived:
  /// copy-and-decode less the copy.
  double Time(const std::string& name, std::int64_t arg,
              bool wall = false) const;
  /// `Time(name)` over `Time(baseline)`, both at `arg`; negative when either
  /// was not run.
  double Ratio(const std::string& name, const std::string& baseline,
               std::int64_t arg, bool wall = false) const;
  /// A counter of `name` at `arg`; negative when it was not reported.
  double Counter(const std::string& name, std::int64_t arg,
                 const std::string& counter) const;

  void PrintTable(std::ostream& out) const;
  void PrintGoals(std::ostream& out);

  /// Every group of runs, printed in the order of registration at the end:
  /// interleaved runs arrive in random order.
  std::vector<std::vector<Run>> groups_;
  std::map<Key, Figure> figures_;
  std::int64_t repetitions_ = 1;
  int misses_ = 0;
};

}  // namespace bench
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BENCH_RATIO_REPORT_H_
