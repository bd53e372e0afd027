// The fields of a record as JSON, both ways.
//
// Byte strings are hex strings, registry identifiers {"Owner", "Type"},
// date-times their six recorded `tm` members, validity periods an array of
// date-times (start, end), enumerations {"value", "name"} with the name where
// the library defines one. An optional field that the record lacks is null.
#ifndef BIOAPI_DATA_TOOLS_BIR_RECORD_JSON_H_
#define BIOAPI_DATA_TOOLS_BIR_RECORD_JSON_H_

#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "bioapi_data/bir.h"
#include "record_walk.h"

namespace bir_tool {

using Json = nlohmann::ordered_json;

/// The fields of a record, and which of the optional ones it holds.
struct RecordFields {
  BioAPI_Data::BIR bir;
  std::uint32_t present = 0;        ///< Bit n set: optional field n is present.
  bool has_security_block = false;  ///< The record holds an SB.
};

/// Returns the fields of an accepted record.
RecordFields FieldsOf(const WalkedRecord& walked);

/// Returns every field as JSON, in record order.
Json ToJson(const RecordFields& fields);

/// A JSON document that does not describe a record; the message names the
/// field.
class JsonFieldError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads fields from JSON of the form that ToJson writes. A missing optional
/// field is null. Enumerations may also be a bare number or a name. Date-times
/// read get -1 in the three `tm` members that a record does not carry, as in a
/// decoded record. Throws JsonFieldError.
RecordFields FromJson(const Json& json);

/// Returns `json` as text: one top-level field a line, short values inline.
std::string JsonText(const Json& json);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_RECORD_JSON_H_
