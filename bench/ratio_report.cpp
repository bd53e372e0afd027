#include "ratio_report.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "suite.h"

namespace BioAPI_Data {
namespace bench {
namespace {

double NanosecondsPer(benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return 1;
    case benchmark::kMicrosecond:
      return 1e3;
    case benchmark::kMillisecond:
      return 1e6;
    case benchmark::kSecond:
      return 1e9;
  }
  return 1;
}

std::string Fixed(double value, int decimals) {
  if (value < 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

std::string SizeName(std::int64_t bytes) {
  if (bytes >= (1 << 20) && bytes % (1 << 20) == 0) {
    return std::to_string(bytes >> 20) + " MiB";
  }
  if (bytes >= (1 << 10) && bytes % (1 << 10) == 0) {
    return std::to_string(bytes >> 10) + " KiB";
  }
  return std::to_string(bytes) + " B";
}

// Decoding by move alone: `kCopyAndDecodeMove` less `kCopy`.
constexpr char kDecodeMove[] = "DecodeMove";

constexpr std::int64_t kFrom = 64 << 10;  // the large-record goals start here
constexpr std::int64_t kSmall = 1 << 10;  // the small-record goals apply here
constexpr std::int64_t kGrowthLow = 1 << 20;
constexpr std::int64_t kGrowthHigh = 16 << 20;

// One goal: its figures and whether they meet it.
struct Verdict {
  std::string figures;
  bool measured = true;
  bool met = true;

  void Add(const std::string& label, double value, bool ok, int decimals = 2) {
    if (!figures.empty()) figures += ", ";
    figures += label + " " + Fixed(value, decimals);
    if (value < 0) {
      measured = false;
    } else if (!ok) {
      met = false;
    }
  }
};

}  // namespace

RatioReport::RatioReport() : benchmark::ConsoleReporter(OO_Tabular) {}

void RatioReport::ReportRuns(const std::vector<Run>& reports) {
  if (!reports.empty()) groups_.push_back(reports);
  for (const Run& run : reports) {
    if (run.error_occurred) continue;
    const bool median =
        run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const bool single =
        run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (!median && !single) continue;
    Figure figure;
    figure.cpu_ns = run.GetAdjustedCPUTime() * NanosecondsPer(run.time_unit);
    for (const auto& counter : run.counters) {
      figure.counters[counter.first] = counter.second.value;
    }
    std::int64_t arg = 0;
    std::istringstream(run.run_name.args) >> arg;
    figures_[{run.run_name.function_name, arg}] = figure;
    if (run.repetitions > repetitions_) repetitions_ = run.repetitions;
  }
}

double RatioReport::Time(const std::string& name, std::int64_t arg) const {
  if (name == kDecodeMove) {
    const double both = Time(kCopyAndDecodeMove, arg);
    const double copy = Time(kCopy, arg);
    return both < 0 || copy < 0 ? -1 : std::max(both - copy, 0.0);
  }
  auto found = figures_.find({name, arg});
  return found == figures_.end() ? -1 : found->second.cpu_ns;
}

double RatioReport::Ratio(const std::string& name, const std::string& baseline,
                          std::int64_t arg) const {
  const double measured = Time(name, arg);
  const double base = Time(baseline, arg);
  if (measured < 0 || base <= 0) return -1;
  return measured / base;
}

double RatioReport::Counter(const std::string& name, std::int64_t arg,
                            const std::string& counter) const {
  const std::string& source = name == kDecodeMove ? kCopyAndDecodeMove : name;
  auto found = figures_.find({source, arg});
  if (found == figures_.end()) return -1;
  auto value = found->second.counters.find(counter);
  return value == found->second.counters.end() ? -1 : value->second;
}

void RatioReport::Finalize() {
  std::stable_sort(groups_.begin(), groups_.end(),
                   [](const std::vector<Run>& a, const std::vector<Run>& b) {
                     return std::make_pair(a[0].family_index,
                                           a[0].per_family_instance_index) <
                            std::make_pair(b[0].family_index,
                                           b[0].per_family_instance_index);
                   });
  for (const std::vector<Run>& group : groups_) {
    benchmark::ConsoleReporter::ReportRuns(group);
  }
  benchmark::ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  PrintTable(out);
  PrintGoals(out);
  out.flush();
}

void RatioReport::PrintTable(std::ostream& out) const {
  out << "\nRecord codec: CPU time, median of " << repetitions_
      << " repetition(s); each ratio compares figures of this run.\n\n"
      << "| BDB | record bytes | copy (us) | copy GB/s | decode move / copy "
         "| decode lvalue / copy | decode pointer / copy | Encode / copy "
         "| ToArray / (Encode + write) | allocations: decode move, lvalue, "
         "pointer; Encode |\n"
      << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---|\n";
  for (std::int64_t size : kBdbSizes) {
    const double copy = Time(kCopy, size);
    const double bytes = Counter(kCopy, size, kRecordBytes);
    const double copy_us = copy >= 0 ? copy / 1e3 : -1;
    const double gbps = copy > 0 ? bytes / copy : -1;
    out << "| " << SizeName(size) << " | " << Fixed(bytes, 0) << " | "
        << Fixed(copy_us, copy_us < 10 ? 3 : 1) << " | " << Fixed(gbps, 2)
        << " | " << Fixed(Ratio(kDecodeMove, kCopy, size), 2) << " | "
        << Fixed(Ratio(kDecodeLvalue, kCopy, size), 2) << " | "
        << Fixed(Ratio(kDecodePointer, kCopy, size), 2) << " | "
        << Fixed(Ratio(kEncode, kCopy, size), 2) << " | "
        << Fixed(Ratio(kToArray, kEncodeAndWrite, size), 2) << " | "
        << Fixed(Counter(kDecodeMove, size, kAllocations), 0) << ", "
        << Fixed(Counter(kDecodeLvalue, size, kAllocations), 0) << ", "
        << Fixed(Counter(kDecodePointer, size, kAllocations), 0) << "; "
        << Fixed(Counter(kEncode, size, kAllocations), 0) << " |\n";
  }
  out << "\n| members | AddMember (us per member) | plain vector push_back "
         "| population copy (us per member) | plain vector copy |\n"
         "|---:|---:|---:|---:|---:|\n";
  for (std::int64_t members : kPopulationSizes) {
    const auto per_member = [&](const char* name) {
      const double t = Time(name, members);
      return Fixed(t >= 0 ? t / static_cast<double>(members) / 1e3 : -1, 3);
    };
    out << "| " << members << " | " << per_member(kAddMember) << " | "
        << per_member(kVectorPushBack) << " | " << per_member(kPopulationCopy)
        << " | " << per_member(kVectorCopy) << " |\n";
  }
}

void RatioReport::PrintGoals(std::ostream& out) {
  struct Goal {
    std::string name;
    Verdict verdict;
  };
  std::vector<Goal> goals;

  const auto up_to = [&](const char* name, const char* baseline, double limit,
                         const std::string& goal) {
    Verdict v;
    for (std::int64_t size : kBdbSizes) {
      if (size < kFrom) continue;
      const double r = Ratio(name, baseline, size);
      v.Add(SizeName(size), r, r <= limit);
    }
    goals.push_back({goal, v});
  };
  up_to(kDecodeMove, kCopy, 0.75, "decode move <= 0.75 x copy, 64 KiB and up");
  up_to(kDecodeLvalue, kCopy, 1.1,
        "decode lvalue <= 1.1 x copy, 64 KiB and up");
  up_to(kDecodePointer, kCopy, 1.1,
        "decode pointer <= 1.1 x copy, 64 KiB and up");
  up_to(kEncode, kCopy, 1.1, "Encode <= 1.1 x copy, 64 KiB and up");
  {
    Verdict v;
    const double r = Ratio(kEncode, kCopy, kSmall);
    v.Add(SizeName(kSmall), r, r <= 2.0);
    goals.push_back({"Encode <= 2 x copy, 1 KiB", v});
  }
  {
    Verdict v;
    for (std::int64_t size : kBdbSizes) {
      const double r = Ratio(kToArray, kEncodeAndWrite, size);
      v.Add(SizeName(size), r, r <= 1.5);
    }
    goals.push_back({"ToArray <= 1.5 x (Encode + truncating write)", v});
  }
  {
    Verdict v;
    const double copy_low = Time(kCopy, kGrowthLow);
    const double copy_high = Time(kCopy, kGrowthHigh);
    const double copy_growth =
        copy_low > 0 && copy_high >= 0 ? copy_high / copy_low : -1;
    const std::pair<const char*, const char*> decodes[] = {
        {kDecodeMove, "move"},
        {kDecodeLvalue, "lvalue"},
        {kDecodePointer, "pointer"}};
    for (const auto& decode : decodes) {
      const double low = Time(decode.first, kGrowthLow);
      const double high = Time(decode.first, kGrowthHigh);
      const double growth = low > 0 && high >= 0 && copy_growth > 0
                                ? high / low / copy_growth
                                : -1;
      v.Add(decode.second, growth, growth >= 0.8 && growth <= 1.25);
    }
    v.figures += " (copy grows " + Fixed(copy_growth, 1) + "x)";
    goals.push_back(
        {"decode growth 16 MiB / 1 MiB within 0.8-1.25 of copy's", v});
  }
  {
    Verdict v;
    const double allowed = Counter(kDecodeLvalue, kSmall, kAllowedAllocations);
    const std::pair<const char*, const char*> decodes[] = {
        {kDecodeMove, "move"},
        {kDecodeLvalue, "lvalue"},
        {kDecodePointer, "pointer"}};
    for (const auto& decode : decodes) {
      const double n = Counter(decode.first, kSmall, kAllocations);
      v.Add("decode " + std::string(decode.second), n,
            allowed >= 0 && n <= allowed, 0);
    }
    const double encode = Counter(kEncode, kSmall, kAllocations);
    v.Add("Encode", encode, encode == 1, 0);
    v.figures += " (blocks held: " + Fixed(allowed, 0) + ")";
    goals.push_back(
        {"allocations, 1 KiB: decode <= blocks held, Encode = 1", v});
  }
  // Per-member cost at the larger population over that at the smaller.
  const auto per_member_growth = [&](const char* name) {
    const std::int64_t small = kPopulationSizes[0];
    const std::int64_t large = kPopulationSizes[1];
    const double a = Time(name, small);
    const double b = Time(name, large);
    return a > 0 && b >= 0 ? (b / static_cast<double>(large)) /
                                 (a / static_cast<double>(small))
                           : -1;
  };
  const auto linear = [&](const char* name, const char* baseline,
                          const std::string& goal) {
    Verdict v;
    const double growth = per_member_growth(name);
    const double base = per_member_growth(baseline);
    const double relative = growth >= 0 && base > 0 ? growth / base : -1;
    v.Add("grows", relative, relative >= 0.8 && relative <= 1.25);
    v.figures += " (" + Fixed(growth, 2) + " per member, the plain vector " +
                 Fixed(base, 2) + ")";
    goals.push_back({goal, v});
  };
  linear(kAddMember, kVectorPushBack,
         "AddMember linear: per-member growth 1k to 10k within 0.8-1.25 of a "
         "plain vector's");
  linear(kPopulationCopy, kVectorCopy,
         "population copy linear: per-member growth 1k to 10k within 0.8-1.25 "
         "of a plain vector's");

  out << "\n| goal | figures | verdict |\n|---|---|---|\n";
  misses_ = 0;
  for (const Goal& goal : goals) {
    const char* verdict = !goal.verdict.measured ? "not run"
                          : goal.verdict.met     ? "PASS"
                                                 : "MISS";
    if (goal.verdict.measured && !goal.verdict.met) ++misses_;
    out << "| " << goal.name << " | " << goal.verdict.figures << " | "
        << verdict << " |\n";
  }
  out << "\n"
      << (misses_ == 0 ? std::string("Every measured goal is met.")
                       : std::to_string(misses_) + " goal(s) missed.")
      << "\n";
}

}  // namespace bench
}  // namespace BioAPI_Data
