// Identification populations of records with a 1 KiB BDB: building one member
// by member, and copying one.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/params.h"
#include "sample_records.h"
#include "suite.h"

namespace BioAPI_Data {
namespace bench {
namespace {

std::array<unsigned char, 16> Uuid(std::size_t n) {
  std::array<unsigned char, 16> uuid{};
  for (std::size_t i = 0; i < sizeof(n); ++i) {
    uuid[i] = static_cast<unsigned char>(n >> (8 * i));
  }
  return uuid;
}

const BIR& MemberRecord() {
  static const BIR record =
      testing::FullRecord(static_cast<std::size_t>(kMemberBdbSize));
  return record;
}

// A population of `members` members, built once per size.
const IdentifyPopulation& PopulationOf(std::int64_t members) {
  static std::map<std::int64_t, IdentifyPopulation> populations;
  auto found = populations.find(members);
  if (found == populations.end()) {
    IdentifyPopulation population{std::vector<PopulationMember>{}};
    for (std::int64_t i = 0; i < members; ++i) {
      population.AddMember(
          PopulationMember(Uuid(static_cast<std::size_t>(i)), MemberRecord()));
    }
    found = populations.emplace(members, std::move(population)).first;
  }
  return found->second;
}

void Finish(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Adds every member, its record moved in, to an empty population, then
// destroys the population. The records are copied outside the timed region.
void AddMember(benchmark::State& state) {
  const auto members = static_cast<std::size_t>(state.range(0));
  std::vector<BIR> records;
  for (auto _ : state) {
    state.PauseTiming();
    records.assign(members, MemberRecord());
    state.ResumeTiming();
    IdentifyPopulation population{std::vector<PopulationMember>{}};
    for (std::size_t i = 0; i < members; ++i) {
      population.AddMember(PopulationMember(Uuid(i), std::move(records[i])));
    }
    benchmark::DoNotOptimize(population.Members.data());
  }
  Finish(state);
}

void Copy(benchmark::State& state) {
  const IdentifyPopulation& population = PopulationOf(state.range(0));
  for (auto _ : state) {
    IdentifyPopulation copy(population);
    benchmark::DoNotOptimize(copy.Members.data());
  }
  Finish(state);
}

// The baselines: the same records in a plain vector, appended by move and
// copied. Their growth from 1k to 10k is what the caches make of the same
// work, against which the population's growth is judged.
void VectorPushBack(benchmark::State& state) {
  const auto members = static_cast<std::size_t>(state.range(0));
  std::vector<BIR> records;
  for (auto _ : state) {
    state.PauseTiming();
    records.assign(members, MemberRecord());
    state.ResumeTiming();
    std::vector<BIR> vector;
    for (std::size_t i = 0; i < members; ++i) {
      vector.push_back(std::move(records[i]));
    }
    benchmark::DoNotOptimize(vector.data());
  }
  Finish(state);
}

void VectorCopy(benchmark::State& state) {
  const IdentifyPopulation& population = PopulationOf(state.range(0));
  std::vector<BIR> records;
  for (const PopulationMember& member : population.Members) {
    records.push_back(member.MemberBIR);
  }
  for (auto _ : state) {
    std::vector<BIR> copy(records);
    benchmark::DoNotOptimize(copy.data());
  }
  Finish(state);
}

void PopulationSizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t size : kPopulationSizes) b->Arg(size);
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(AddMember)->Name(kAddMember)->Apply(PopulationSizes);
BENCHMARK(Copy)->Name(kPopulationCopy)->Apply(PopulationSizes);
BENCHMARK(VectorPushBack)->Name(kVectorPushBack)->Apply(PopulationSizes);
BENCHMARK(VectorCopy)->Name(kVectorCopy)->Apply(PopulationSizes);

}  // namespace
}  // namespace bench
}  // namespace BioAPI_Data
