// What the codec and population benchmarks measure, shared by the benchmarks
// and the report that compares them.
#ifndef BIOAPI_DATA_BENCH_SUITE_H_
#define BIOAPI_DATA_BENCH_SUITE_H_

#include <cstdint>

namespace BioAPI_Data {
namespace bench {

/// Sizes of the BDB in the measured records; every record also holds all 23
/// optional fields and an SB.
inline constexpr std::int64_t kBdbSizes[] = {0, 1 << 10, 64 << 10, 1 << 20,
                                             16 << 20};
/// Member counts of the measured populations (1 KiB BDB each).
inline constexpr std::int64_t kPopulationSizes[] = {1000, 10000};
/// BDB size of a population member.
inline constexpr std::int64_t kMemberBdbSize = 1 << 10;

// Benchmark names. The baseline of every codec figure is `kCopy`; the one of
// `kToArray` is `kEncodeWriteSync`, and `kToArrayCrowded` (beside
// kCrowdFiles other files) is measured against `kToArray` in an empty folder.
// Decoding by move is measured after a copy that makes its input, and that
// copy's median is subtracted.
inline constexpr char kCopy[] = "Copy";
inline constexpr char kCopyAndDecodeMove[] = "CopyAndDecodeMove";
inline constexpr char kDecodeLvalue[] = "DecodeLvalue";
inline constexpr char kDecodePointer[] = "DecodePointer";
inline constexpr char kEncode[] = "Encode";
inline constexpr char kEncodeWriteSync[] = "EncodeWriteSync";
inline constexpr char kToArray[] = "ToArray";
inline constexpr char kToArrayCrowded[] = "ToArrayCrowded";
/// Files beside "record" in the crowded folder.
inline constexpr int kCrowdFiles = 20000;
// The inspection library: the check of an accepted record (against
// `kDecodePointer`) and the walk of its dump rows (against its own time at
// 1 KiB plus `kReadBytes`, one read of every byte of the record).
inline constexpr char kCheck[] = "Check";
inline constexpr char kWalk[] = "Walk";
inline constexpr char kReadBytes[] = "ReadBytes";
// The summary of the record inside a BDB (an ISO/IEC 19794-5 face record
// whose image fills the block): headers only, so its time at 16 MiB is
// bounded by its own and the check's at 1 KiB.
inline constexpr char kSummarizeBdb[] = "SummarizeBdb";
inline constexpr char kAddMember[] = "PopulationAddMember";
inline constexpr char kPopulationCopy[] = "PopulationCopy";
// The baselines of the population figures: the same records in a plain
// std::vector<BIR>.
inline constexpr char kVectorPushBack[] = "RecordVectorPushBack";
inline constexpr char kVectorCopy[] = "RecordVectorCopy";

// Counter names.
inline constexpr char kRecordBytes[] = "record_bytes";
inline constexpr char kAllocations[] = "allocs";
/// The allocations that the goals allow for one decoding of the record: one
/// per non-empty byte string and sequence it holds.
inline constexpr char kAllowedAllocations[] = "allowed_allocs";

}  // namespace bench
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BENCH_SUITE_H_
