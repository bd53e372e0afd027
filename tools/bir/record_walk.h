// Walking a byte record with the library's own decoding walk, noting where
// every field lies and which check rejects a record. Plain data, no output:
// the command line and the browser inspector both build on it.
#ifndef BIOAPI_DATA_TOOLS_BIR_RECORD_WALK_H_
#define BIOAPI_DATA_TOOLS_BIR_RECORD_WALK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/record_layout.h"

namespace bir_tool {

using BioAPI_Data::record::FieldId;

/// Returns the name of field `id` as the record layout gives it.
inline const char* NameOf(FieldId id) {
  return BioAPI_Data::record::LayoutOf(id).name;
}

/// Where one field lies in a record: bytes [begin, end).
struct FieldSpan {
  FieldId id;
  std::size_t begin;
  std::size_t end;
};

/// The check that made the library reject a record, and where.
struct Rejection {
  std::size_t offset;  ///< Where the check looked.
  /// The field being read, or the one just read; none before the first.
  std::optional<FieldId> field;
  std::size_t field_begin;  ///< Where that field begins.
  bool inside_field;        ///< True when the field was not read to its end.
  const char* check;        ///< The condition that does not hold.
};

/// Returns e.g. `rejected at offset 4 (TotalLength): check "..." failed`.
std::string Describe(const Rejection& rejection);

/// A record as the library's decoding walk met it.
struct WalkedRecord {
  /// The fields read: all of them for an accepted record, those before the
  /// failing check otherwise. Fields the record lacks keep the decoder's
  /// defaults.
  BioAPI_Data::BIR bir;
  std::vector<FieldSpan> fields;       ///< Every field read, in record order.
  std::size_t size = 0;                ///< Bytes in the record.
  std::uint32_t presence = 0;          ///< The presence bit-map, all 32 bits.
  std::optional<Rejection> rejection;  ///< Set when the record is rejected.

  /// Returns true when the library accepts the record.
  bool Accepted() const { return !rejection.has_value(); }
  /// Returns the offset after the last field read.
  std::size_t End() const;
  /// Returns true when field `id` was read.
  bool Has(FieldId id) const;
};

/// Walks the record in `bytes` with the decoder's walk. Never throws for a
/// bad record: the rejection is part of the result.
WalkedRecord WalkRecord(const std::vector<unsigned char>& bytes);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_RECORD_WALK_H_
