// Encoding record fields, then reading the written record back to see that
// every field comes back as given.
#ifndef BIOAPI_DATA_TOOLS_BIR_CHECKED_ENCODE_H_
#define BIOAPI_DATA_TOOLS_BIR_CHECKED_ENCODE_H_

#include <optional>
#include <string>
#include <vector>

#include "record_json.h"
#include "record_walk.h"

namespace bir_tool {

/// A field that the written record does not give back as it was given.
struct FieldLoss {
  FieldId field;         ///< The field.
  std::string given;     ///< Its JSON as given.
  std::string returned;  ///< Its JSON as the written record gives it back.
  std::string reason;    ///< The rule of the record that makes the difference.
};

/// A record written by `BIR::Encode`, and how it reads back.
struct CheckedRecord {
  std::vector<unsigned char> bytes;    ///< The record.
  std::optional<Rejection> rejection;  ///< Set when the library rejects it.
  std::vector<FieldLoss> losses;  ///< Fields that do not come back as given.

  /// Returns true when the record reads back to exactly the given fields.
  bool Faithful() const { return !rejection && losses.empty(); }
};

/// Encodes `fields` with `BIR::Encode` and reads the record back. Throws what
/// `BIR::Encode` throws: `BioAPIException*` for a byte string or a record too
/// long for the record format (the handler deletes it), std::bad_alloc.
CheckedRecord EncodeChecked(const RecordFields& fields);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_CHECKED_ENCODE_H_
