#include "ratio_report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "suite.h"

namespace BioAPI_Data {
namespace bench {
namespace {

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

// What a goal measures.
enum class Measure {
  // Time of `name` over time of `baseline`, at each size: at most `limit`.
  kTime,
  // Growth of `name`'s time from the first size to the second over the same
  // growth of `baseline`: within 1/`limit` to `limit`. Over member counts it
  // is also the growth of the time per member.
  kGrowth,
  // Allocations of one `name` at each size: at most `limit`, or with a
  // `baseline` (a counter of `name`), at most that counter.
  kAllocations,
  // Time of `name` at the second size over `limit` times its time at the
  // first plus `baseline`'s time at the second: at most 1.
  kBoundedGrowth,
  // Time of `name` at the second size over `baseline`'s at the first: at
  // most `limit` (a cost that does not grow with the record).
  kAcrossSizes,
};

struct Goal {
  Measure measure;
  const char* name;
  const char* baseline;
  double limit;
  std::vector<std::int64_t> sizes;
  // Wall-clock times rather than CPU times: for what waits for the disk.
  bool wall = false;
};

// Every goal of the suite; the report builds its labels from these rows.
const std::vector<Goal>& Goals() {
  using M = Measure;
  static const std::vector<std::int64_t> large = {64 << 10, 1 << 20, 16 << 20},
                                         small = {1 << 10},
                                         all = {0, 1 << 10, 64 << 10, 1 << 20,
                                                16 << 20},
                                         growth = {1 << 20, 16 << 20},
                                         members = {1000, 10000};
  static const std::vector<Goal> goals = {
      {M::kTime, kDecodeMove, kCopy, 0.75, large},
      {M::kTime, kDecodeLvalue, kCopy, 1.1, large},
      {M::kTime, kDecodePointer, kCopy, 1.1, large},
      {M::kTime, kEncode, kCopy, 1.1, large},
      {M::kTime, kEncode, kCopy, 2, small},
      {M::kTime, kToArray, kEncodeWriteSync, 2.5, all, true},
      {M::kTime, kToArrayCrowded, kToArray, 1.25, small},
      {M::kGrowth, kDecodeMove, kCopy, 1.25, growth},
      {M::kGrowth, kDecodeLvalue, kCopy, 1.25, growth},
      {M::kGrowth, kDecodePointer, kCopy, 1.25, growth},
      {M::kAllocations, kDecodeMove, kAllowedAllocations, 0, small},
      {M::kAllocations, kDecodeLvalue, kAllowedAllocations, 0, small},
      {M::kAllocations, kDecodePointer, kAllowedAllocations, 0, small},
      {M::kAllocations, kEncode, nullptr, 1, small},
      {M::kTime, kCheck, kDecodePointer, 1.5, {1 << 10, 16 << 20}},
      {M::kBoundedGrowth, kWalk, kReadBytes, 2, {1 << 10, 16 << 20}},
      {M::kAcrossSizes, kSummarizeBdb, kCheck, 2, {1 << 10, 16 << 20}},
      {M::kAcrossSizes,
       kSummarizeBdb,
       kSummarizeBdb,
       1.25,
       {1 << 10, 16 << 20}},
      {M::kGrowth, kAddMember, kVectorPushBack, 1.25, members},
      {M::kGrowth, kPopulationCopy, kVectorCopy, 1.25, members},
  };
  return goals;
}

// The words of the report for a benchmark or a counter.
std::string Label(const std::string& name) {
  static const std::map<std::string, std::string> labels = {
      {kCopy, "copy"},
      {kDecodeMove, "decode move"},
      {kDecodeLvalue, "decode lvalue"},
      {kDecodePointer, "decode pointer"},
      {kEncode, "Encode"},
      {kEncodeWriteSync, "(Encode + write + sync)"},
      {kToArray, "ToArray"},
      {kToArrayCrowded, "ToArray beside 20,000 files"},
      {kCheck, "CheckRecord"},
      {kWalk, "Walk"},
      {kReadBytes, "one read of the record"},
      {kSummarizeBdb, "SummarizeBdb"},
      {kAddMember, "AddMember"},
      {kPopulationCopy, "population copy"},
      {kVectorPushBack, "plain vector push_back"},
      {kVectorCopy, "plain vector copy"},
      {kAllowedAllocations, "blocks held"}};
  auto found = labels.find(name);
  return found == labels.end() ? name : found->second;
}

// "64 KiB to 16 MiB"; populations are sized in members, records by their BDB.
std::string SizesLabel(const Goal& goal) {
  const bool members =
      goal.baseline && Label(goal.baseline).rfind("plain vector", 0) == 0;
  const auto size = [&](std::int64_t n) {
    return members ? std::to_string(n) : SizeName(n);
  };
  std::string label = size(goal.sizes.front());
  if (goal.sizes.size() > 1) label += " to " + size(goal.sizes.back());
  return members ? label + " members" : label;
}

std::string GoalLabel(const Goal& goal) {
  const std::string name = Label(goal.name);
  switch (goal.measure) {
    case Measure::kTime:
      return name + " <= " + Fixed(goal.limit, goal.limit < 1 ? 2 : 1) + " x " +
             Label(goal.baseline) + ", " + SizesLabel(goal) +
             (goal.wall ? " (wall-clock)" : "");
    case Measure::kGrowth:
      return name + " growth " + SizesLabel(goal) + " within " +
             Fixed(1 / goal.limit, 2) + "-" + Fixed(goal.limit, 2) + " of " +
             Label(goal.baseline) + "'s";
    case Measure::kAllocations:
      return name + " allocations, " + SizesLabel(goal) + ": <= " +
             (goal.baseline ? Label(goal.baseline) : Fixed(goal.limit, 0));
    case Measure::kAcrossSizes:
      return name + " at " + SizeName(goal.sizes.back()) +
             " <= " + Fixed(goal.limit, 2) + " x " + Label(goal.baseline) +
             " at " + SizeName(goal.sizes.front());
    case Measure::kBoundedGrowth:
      return name + " at " + SizeName(goal.sizes.back()) +
             " <= " + Fixed(goal.limit, 0) + " x its time at " +
             SizeName(goal.sizes.front()) + " + " + Label(goal.baseline);
  }
  return name;
}

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
    const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
    figure.cpu_ns = run.GetAdjustedCPUTime() * 1e9 / unit;
    figure.real_ns = run.GetAdjustedRealTime() * 1e9 / unit;
    for (const auto& counter : run.counters) {
      figure.counters[counter.first] = counter.second.value;
    }
    std::int64_t arg = 0;
    std::istringstream(run.run_name.args) >> arg;
    figures_[{run.run_name.function_name, arg}] = figure;
    if (run.repetitions > repetitions_) repetitions_ = run.repetitions;
  }
}

double RatioReport::Time(const std::string& name, std::int64_t arg,
                         bool wall) const {
  if (name == kDecodeMove) {
    const double both = Time(kCopyAndDecodeMove, arg);
    const double copy = Time(kCopy, arg);
    return both < 0 || copy < 0 ? -1 : std::max(both - copy, 0.0);
  }
  auto found = figures_.find({name, arg});
  if (found == figures_.end()) return -1;
  return wall ? found->second.real_ns : found->second.cpu_ns;
}

double RatioReport::Ratio(const std::string& name, const std::string& baseline,
                          std::int64_t arg, bool wall) const {
  const double measured = Time(name, arg, wall);
  const double base = Time(baseline, arg, wall);
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
  // A column for every ratio that a goal bounds, one for the allocations.
  std::vector<const Goal*> ratios;
  std::string allocations;
  for (const Goal& goal : Goals()) {
    if (goal.measure == Measure::kAllocations) {
      allocations += (allocations.empty() ? "" : ", ") + Label(goal.name);
      continue;
    }
    const bool seen = std::any_of(ratios.begin(), ratios.end(), [&](auto* g) {
      return std::string(g->name) == goal.name;
    });
    if (goal.measure == Measure::kTime && !seen) ratios.push_back(&goal);
  }
  out << "\nRecord codec: CPU time, median of " << repetitions_
      << " repetition(s); each ratio compares figures of this run.\n\n"
      << "| BDB | record bytes | copy (us) | copy GB/s | ";
  for (const Goal* g : ratios) {
    out << Label(g->name) << " / " << Label(g->baseline) << " | ";
  }
  out << "allocations: " << allocations << " |\n|---|---:|---:|---:|";
  for (std::size_t i = 0; i < ratios.size(); ++i) out << "---:|";
  out << "---|\n";
  for (std::int64_t size : kBdbSizes) {
    const double copy = Time(kCopy, size);
    const double bytes = Counter(kCopy, size, kRecordBytes);
    const double copy_us = copy >= 0 ? copy / 1e3 : -1;
    const double gbps = copy > 0 ? bytes / copy : -1;
    out << "| " << SizeName(size) << " | " << Fixed(bytes, 0) << " | "
        << Fixed(copy_us, copy_us < 10 ? 3 : 1) << " | " << Fixed(gbps, 2);
    for (const Goal* g : ratios) {
      out << " | " << Fixed(Ratio(g->name, g->baseline, size, g->wall), 2);
    }
    const char* separator = " | ";
    for (const Goal& goal : Goals()) {
      if (goal.measure != Measure::kAllocations) continue;
      out << separator << Fixed(Counter(goal.name, size, kAllocations), 0);
      separator = ", ";
    }
    out << " |\n";
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
  out << "\n| goal | figures | verdict |\n|---|---|---|\n";
  misses_ = 0;
  for (const Goal& goal : Goals()) {
    std::string figures;
    bool measured = true;
    bool met = true;
    const auto add = [&](const std::string& label, double value, bool ok,
                         int decimals) {
      if (!figures.empty()) figures += ", ";
      figures += (label.empty() ? "" : label + " ") + Fixed(value, decimals);
      if (value < 0) {
        measured = false;
      } else if (!ok) {
        met = false;
      }
    };
    switch (goal.measure) {
      case Measure::kTime:
        for (std::int64_t size : goal.sizes) {
          const double r = Ratio(goal.name, goal.baseline, size, goal.wall);
          add(SizeName(size), r, r <= goal.limit, 2);
        }
        break;
      case Measure::kGrowth: {
        const std::int64_t from = goal.sizes.front();
        const std::int64_t to = goal.sizes.back();
        const auto grows = [&](const char* name) {
          const double a = Time(name, from);
          const double b = Time(name, to);
          return a > 0 && b >= 0 ? b / a : -1;
        };
        const double growth = grows(goal.name);
        const double base = grows(goal.baseline);
        const double relative = growth >= 0 && base > 0 ? growth / base : -1;
        add("", relative, relative >= 1 / goal.limit && relative <= goal.limit,
            2);
        figures += " (" + Label(goal.name) + " " + Fixed(growth, 2) + "x, " +
                   Label(goal.baseline) + " " + Fixed(base, 2) + "x)";
        break;
      }
      case Measure::kBoundedGrowth: {
        const double a = Time(goal.name, goal.sizes.front());
        const double b = Time(goal.name, goal.sizes.back());
        const double read = Time(goal.baseline, goal.sizes.back());
        const double bound = goal.limit * a + read;
        const double r = a >= 0 && b >= 0 && read >= 0 ? b / bound : -1;
        add("", r, r <= 1, 2);
        figures += " (" + Fixed(b / 1000, 1) + " us against " +
                   Fixed(goal.limit, 0) + " x " + Fixed(a / 1000, 1) +
                   " us + " + Fixed(read / 1000, 1) + " us)";
        break;
      }
      case Measure::kAcrossSizes: {
        const double b = Time(goal.name, goal.sizes.back());
        const double a = Time(goal.baseline, goal.sizes.front());
        const double r = a > 0 && b >= 0 ? b / a : -1;
        add("", r, r <= goal.limit, 2);
        figures += " (" + Fixed(b / 1000, 2) + " us against " +
                   Fixed(a / 1000, 2) + " us)";
        break;
      }
      case Measure::kAllocations:
        for (std::int64_t size : goal.sizes) {
          const double n = Counter(goal.name, size, kAllocations);
          const double limit = goal.baseline
                                   ? Counter(goal.name, size, goal.baseline)
                                   : goal.limit;
          add(SizeName(size), n, limit >= 0 && n <= limit, 0);
          if (goal.baseline) {
            figures +=
                " (" + Label(goal.baseline) + " " + Fixed(limit, 0) + ")";
          }
        }
        break;
    }
    const char* verdict = !measured ? "not run" : met ? "PASS" : "MISS";
    if (measured && !met) ++misses_;
    out << "| " << GoalLabel(goal) << " | " << figures << " | " << verdict
        << " |\n";
  }
  out << "\n"
      << (misses_ == 0 ? std::string("Every measured goal is met.")
                       : std::to_string(misses_) + " goal(s) missed.")
      << "\n";
}

}  // namespace bench
}  // namespace BioAPI_Data
