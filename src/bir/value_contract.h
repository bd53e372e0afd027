// The values that a record carries as they are given: the encoder refuses any
// other, and the C interface reports the same refusal field by field.
#ifndef BIOAPI_DATA_BIR_VALUE_CONTRACT_H_
#define BIOAPI_DATA_BIR_VALUE_CONTRACT_H_

#include <optional>
#include <string>

#include "bioapi_data/bir.h"
#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace record {

/// Why the encoder refuses a record.
struct Refusal {
  /// The field whose value the record cannot carry; unset when the fields
  /// fit but the record as a whole would be too long.
  std::optional<FieldId> field;
  /// The field, its value and what the record carries, e.g. "BDBPurpose is
  /// 300; the record carries 0 to 255".
  std::string why;
};

/// Returns why the encoder refuses `bir`, or nothing when it writes it: the
/// first field, in record order, whose value the layout table says the record
/// cannot carry as given, else a record longer than the largest.
std::optional<Refusal> FindRefusal(const BIR& bir);

/// Returns the text of the exception that the encoder throws for a refusal
/// that says `why`: "BioAPI Error: Invalid Data: " then `why`.
std::string RefusalMessage(const std::string& why);

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_VALUE_CONTRACT_H_
