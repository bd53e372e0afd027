// Walking a byte record with the library's own decoding walk, noting where
// every part lies and which check rejects a record. Plain data: the check,
// the dump rows and the JSON build on it.
#ifndef BIOAPI_DATA_INSPECT_WALK_H_
#define BIOAPI_DATA_INSPECT_WALK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/inspect.h"
#include "bir/record_layout.h"
#include "bir/record_reader.h"
#include "bir/rejection.h"

namespace BioAPI_Data {
namespace inspect {
namespace detail {

using record::FieldId;

/// Returns the part number of field `id`.
constexpr int PartOf(FieldId id) { return static_cast<int>(id); }

/// Where one part lies in a record: bytes [begin, end).
struct FieldSpan {
  FieldId id;
  std::size_t begin;
  std::size_t end;
};

/// A record as the decoding walk met it.
struct WalkedRecord {
  /// The fields read, but the BDB: all of them for an accepted record,
  /// those before the failing check otherwise.
  BIR bir;
  /// Every part read, in record order, when the walk was asked to keep them.
  std::vector<FieldSpan> fields;
  std::size_t size = 0;                ///< Bytes in the record.
  std::size_t end = 0;                 ///< Offset after the last part read.
  std::uint32_t presence = 0;          ///< The presence bit-map, all 32 bits.
  bool has_security_block = false;     ///< The walk read an SB.
  record::BlockSpan bdb;               ///< Where the BDB lies.
  std::optional<Rejection> rejection;  ///< Set when the record is rejected.

  bool Accepted() const { return !rejection.has_value(); }
};

/// Walks the `size` bytes at `data`; keeps every part's span when
/// `keep_spans`. Never throws for a bad record.
WalkedRecord WalkRecord(const unsigned char* data, std::size_t size,
                        bool keep_spans);

/// Returns what re-encoding the accepted record `data` (walked as `walked`)
/// changes, in record order.
std::vector<Change> ReencodingChanges(const unsigned char* data,
                                      const WalkedRecord& walked);

/// Returns the rows of the dump of `walked`, the walk of `data` that kept
/// its spans.
std::vector<Row> DumpRows(const unsigned char* data,
                          const WalkedRecord& walked);

/// Longer parts show their first bytes only.
inline constexpr std::size_t kMaxShownBytes = 16;

/// Returns the first kMaxShownBytes of the bytes [begin, end) of `bytes` in
/// hex, "AB CD", then " ..." when more follow: the bytes column of a row.
std::string FirstBytesHex(const unsigned char* bytes, std::size_t begin,
                          std::size_t end);

/// Returns the bioapi_bir_field of part `id`, or -1 when `BIR` lacks it.
int BirFieldOf(FieldId id);

/// Returns what part `id` holds.
RowKind KindOf(FieldId id);

}  // namespace detail
}  // namespace inspect
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_INSPECT_WALK_H_
