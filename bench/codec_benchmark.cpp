// The record codec against one plain copy of the record.
//
// Every operation includes the destruction of what it produced, as a caller
// pays it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "bioapi_data/bir.h"
#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_bdb.h"
#include "counting_allocator.h"
#include "sample_records.h"
#include "suite.h"

namespace BioAPI_Data {
namespace bench {
namespace {

struct Sample {
  BIR record;
  std::vector<unsigned char> bytes;
  double allowed_allocations;
};

// One allocation per byte string and sequence that holds something.
double CountHeldBlocks(const BIR& r) {
  const std::size_t sizes[] = {
      r.OctetString1.size(),      r.OctetString2.size(),
      r.OctetString3.size(),      r.OctetString4.size(),
      r.OctetString5.size(),      r.OctetString6.size(),
      r.BDBValidityPeriod.size(), r.BIRValidityPeriod.size(),
      r.BiometricData.size(),     r.SecurityBlock.size()};
  return static_cast<double>(
      std::count_if(std::begin(sizes), std::end(sizes),
                    [](std::size_t n) { return n != 0; }));
}

// Writes `bytes` over `path` with plain POSIX or C calls and syncs it once.
bool WriteAndSync(const char* path, const std::vector<unsigned char>& bytes) {
#ifdef _WIN32
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  bool done = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  done = std::fflush(file) == 0 && done;
  done = FlushFileBuffers(
             reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0 &&
         done;
  return std::fclose(file) == 0 && done;
#else
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const unsigned char* next = bytes.data();
  std::size_t left = bytes.size();
  bool done = true;
  while (left > 0 && done) {
    const ssize_t n = ::write(fd, next, left);
    done = n > 0;
    if (done) {
      next += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  done = ::fsync(fd) == 0 && done;
  return ::close(fd) == 0 && done;
#endif
}

// A folder of kCrowdFiles empty files that is the working directory while
// the object lives; removed with them afterwards.
class Crowd {
 public:
  Crowd() : previous_(std::filesystem::current_path()) {
    const std::filesystem::path folder = previous_ / "crowd";
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (!std::filesystem::create_directory(folder, error)) return;
    for (int i = 0; i < kCrowdFiles; ++i) {
      std::ofstream(folder / ("file-" + std::to_string(i)));
    }
    std::filesystem::current_path(folder, error);
    ready_ = !error;
  }
  ~Crowd() {
    std::error_code error;
    std::filesystem::current_path(previous_, error);
    std::filesystem::remove_all(previous_ / "crowd", error);
  }
  Crowd(const Crowd&) = delete;
  Crowd& operator=(const Crowd&) = delete;
  bool Ready() const { return ready_; }

 private:
  std::filesystem::path previous_;
  bool ready_ = false;
};

// The record with all optional fields and a BDB of `bdb_size` bytes, built
// once per size.
const Sample& SampleWith(std::int64_t bdb_size) {
  static std::map<std::int64_t, Sample> samples;
  auto found = samples.find(bdb_size);
  if (found == samples.end()) {
    BIR record = testing::FullRecord(static_cast<std::size_t>(bdb_size));
    std::vector<unsigned char> bytes = record.Encode();
    const double allowed = CountHeldBlocks(record);
    found = samples
                .emplace(bdb_size,
                         Sample{std::move(record), std::move(bytes), allowed})
                .first;
  }
  return found->second;
}

void Finish(benchmark::State& state, const Sample& sample) {
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(sample.bytes.size()));
  state.counters[kRecordBytes] =
      benchmark::Counter(static_cast<double>(sample.bytes.size()));
}

template <class Operation>
double AllocationsOf(Operation&& operation) {
  const std::uint64_t before = AllocationCount();
  operation();
  return static_cast<double>(AllocationCount() - before);
}

// The baseline: allocate a byte vector of the record's size, copy the record
// into it, free it.
void Copy(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    std::vector<unsigned char> copy(sample.bytes);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  Finish(state, sample);
  state.counters[kAllocations] =
      AllocationsOf([&] { std::vector<unsigned char> copy(sample.bytes); });
}

// A caller that decodes by move has the buffer already: it made it, read it
// or received it, and it is hot in the cache. Measured here as a plain copy
// followed by the decoding that takes it over; the report subtracts the
// median of `Copy`, measured in the same run.
void CopyAndDecodeMove(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    std::vector<unsigned char> input(sample.bytes);
    BIR record(std::move(input));
    benchmark::DoNotOptimize(record.BiometricData.data());
  }
  Finish(state, sample);
  std::vector<unsigned char> input = sample.bytes;
  state.counters[kAllocations] =
      AllocationsOf([&] { BIR record(std::move(input)); });
  state.counters[kAllowedAllocations] = sample.allowed_allocations;
}

void DecodeLvalue(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    BIR record(sample.bytes);
    benchmark::DoNotOptimize(record.BiometricData.data());
  }
  Finish(state, sample);
  state.counters[kAllocations] =
      AllocationsOf([&] { BIR record(sample.bytes); });
  state.counters[kAllowedAllocations] = sample.allowed_allocations;
}

void DecodePointer(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    BIR record(sample.bytes.data(), sample.bytes.size());
    benchmark::DoNotOptimize(record.BiometricData.data());
  }
  Finish(state, sample);
  state.counters[kAllocations] = AllocationsOf(
      [&] { BIR record(sample.bytes.data(), sample.bytes.size()); });
  state.counters[kAllowedAllocations] = sample.allowed_allocations;
}

void Encode(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    std::vector<unsigned char> bytes = sample.record.Encode();
    benchmark::DoNotOptimize(bytes.data());
  }
  Finish(state, sample);
  state.counters[kAllocations] = AllocationsOf([&] { sample.record.Encode(); });
}

// The baseline of `ToArray`: `Encode`, then a plain truncating write of the
// same bytes over one file and one sync of that file, the least that leaves
// the record on the disk.
void EncodeWriteSync(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    std::vector<unsigned char> bytes = sample.record.Encode();
    if (!WriteAndSync("plain-record", bytes)) {
      state.SkipWithError("cannot write plain-record");
      break;
    }
  }
  Finish(state, sample);
}

void ToArray(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    std::vector<unsigned char> bytes = sample.record.ToArray();
    benchmark::DoNotOptimize(bytes.data());
  }
  Finish(state, sample);
}

// `ToArray` in a folder that also holds kCrowdFiles other files: its cost
// must not grow with them.
void ToArrayCrowded(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  const Crowd crowd;
  if (!crowd.Ready()) {
    state.SkipWithError("cannot make the crowded folder");
    return;
  }
  for (auto _ : state) {
    std::vector<unsigned char> bytes = sample.record.ToArray();
    benchmark::DoNotOptimize(bytes.data());
  }
  Finish(state, sample);
}

// The inspection library's verdict on an accepted record: the decoder's walk
// without the copy of the BDB, and what re-encoding changes.
void Check(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    inspect::Check check =
        inspect::CheckRecord(sample.bytes.data(), sample.bytes.size());
    benchmark::DoNotOptimize(check);
  }
  Finish(state, sample);
}

// The dump rows of a record: offsets into it and short texts.
void Walk(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    inspect::Walk walk(sample.bytes.data(), sample.bytes.size());
    benchmark::DoNotOptimize(walk.Rows().data());
  }
  Finish(state, sample);
}

// A face record (ISO/IEC 19794-5:2005) of `size` bytes: one face, four
// landmarks, and an image that fills the rest.
std::vector<unsigned char> FaceRecord(std::size_t size) {
  constexpr std::size_t kHeaders = 14 + 20 + 4 * 8 + 12;
  size = std::max(size, kHeaders);
  std::vector<unsigned char> bdb(size, 0x5A);
  const auto put = [&](std::size_t at, std::size_t width, std::uint64_t v) {
    for (std::size_t i = 0; i < width; ++i) {
      bdb[at + i] = static_cast<unsigned char>(v >> (8 * (width - 1 - i)));
    }
  };
  const unsigned char magic[] = {'F', 'A', 'C', 0, '0', '1', '0', 0};
  std::copy(std::begin(magic), std::end(magic), bdb.begin());
  put(8, 4, size);        // record length
  put(12, 2, 1);          // one face
  put(14, 4, size - 14);  // its block
  put(18, 2, 4);          // four landmarks
  return bdb;
}

// The summary of a BDB in its record, as `bir dump` and `bir json` give it.
void SummarizeBdb(benchmark::State& state) {
  const std::vector<unsigned char> bdb =
      FaceRecord(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    inspect::BdbSummary summary =
        inspect::SummarizeBdb(bdb.data(), bdb.size(), RegistryID{0x0101, 8},
                              BiometricType::FacialFeatures);
    benchmark::DoNotOptimize(summary.rows.data());
  }
  state.counters[kRecordBytes] = static_cast<double>(bdb.size());
}

// One read of every byte of the record, the allowance of the walk's growth.
void ReadBytes(benchmark::State& state) {
  const Sample& sample = SampleWith(state.range(0));
  for (auto _ : state) {
    unsigned sum = 0;
    for (unsigned char b : sample.bytes) sum += b;
    benchmark::DoNotOptimize(sum);
  }
  Finish(state, sample);
}

void BdbSizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t size : kBdbSizes) b->Arg(size);
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Copy)->Name(kCopy)->Apply(BdbSizes);
BENCHMARK(CopyAndDecodeMove)->Name(kCopyAndDecodeMove)->Apply(BdbSizes);
BENCHMARK(DecodeLvalue)->Name(kDecodeLvalue)->Apply(BdbSizes);
BENCHMARK(DecodePointer)->Name(kDecodePointer)->Apply(BdbSizes);
BENCHMARK(Encode)->Name(kEncode)->Apply(BdbSizes);
// The file writers wait for the disk: their figures are wall-clock times.
BENCHMARK(EncodeWriteSync)
    ->Name(kEncodeWriteSync)
    ->Apply(BdbSizes)
    ->UseRealTime();
BENCHMARK(ToArray)->Name(kToArray)->Apply(BdbSizes)->UseRealTime();
BENCHMARK(ToArrayCrowded)
    ->Name(kToArrayCrowded)
    ->Arg(1 << 10)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(Check)->Name(kCheck)->Apply(BdbSizes);
BENCHMARK(Walk)->Name(kWalk)->Apply(BdbSizes);
BENCHMARK(ReadBytes)->Name(kReadBytes)->Apply(BdbSizes);
BENCHMARK(SummarizeBdb)
    ->Name(kSummarizeBdb)
    ->Arg(1 << 10)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace BioAPI_Data
