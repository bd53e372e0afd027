/// @file
/// Editing one field of a record with the fewest changes: in place where
/// only the field's bytes change, or by encoding the record again, with what
/// that changes besides the field. Link
/// `bioapi_data::inspect`.
#ifndef BIOAPI_DATA_INSPECT_EDIT_H_
#define BIOAPI_DATA_INSPECT_EDIT_H_

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_export.h"

BIOAPI_DATA_BEGIN_EXPORTS

namespace BioAPI_Data {
namespace inspect {

/// What an edit of one field makes of a record.
struct FieldEdit {
  /// How the record changes.
  enum class Kind {
    kInPlace,    ///< `bytes` go over the field's bytes at `offset`.
    kReencode,   ///< `bytes` are the whole record, encoded again.
    kUnchanged,  ///< The field already holds the value.
  };
  Kind kind = Kind::kUnchanged;  ///< How the record changes.
  std::size_t offset = 0;        ///< kInPlace: where the field's bytes begin.
  std::vector<unsigned char> bytes;  ///< See `kind`; owned by the caller.
  /// kReencode: what encoding the record again changes besides the edited
  /// field: the re-encoding changes of the record as it stands, then any
  /// other part that the edited record adds or leaves out.
  std::vector<Change> changes;
};

/// An edit that the library refuses: the value does not fit the field, or
/// the record is rejected. The message says why.
class BIOAPI_DATA_INSPECT_API EditError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Edits part `part` (half `element` of a validity period, else -1) of the
/// accepted record in the `size` bytes at `data` (not kept; `walk` is its
/// walk) to the value it has in `fields`, which hold the record's other
/// fields as they stand. The BDB and the SB are taken from the record unless
/// they are the edited part.
///
/// The edit is in place only when the record with the field's bytes
/// replaced encodes to the edited record, and encoding it again loses
/// nothing that encoding the record as it stands would not: for a record
/// that the library writes as it stands, when the edited record, encoded
/// again, equals the old bytes with the field's bytes replaced and nothing
/// else. Anything else encodes the record again, its `changes` naming what
/// else changes (for example a security block left out when the edit clears
/// the last security option). Throws EditError (a value that the record
/// cannot carry, or that would not come back as given; a rejected record),
/// std::bad_alloc.
BIOAPI_DATA_INSPECT_API FieldEdit EditField(const unsigned char* data,
                                            std::size_t size, const Walk& walk,
                                            RecordFields fields, int part,
                                            int element);

}  // namespace inspect
}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_INSPECT_EDIT_H_
