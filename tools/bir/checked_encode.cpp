#include "checked_encode.h"

#include "bir/record_layout.h"

namespace bir_tool {
namespace {

namespace record = BioAPI_Data::record;

// Why the record changes a field: the encoder's presence rules and the widths
// of the record's encodings.
std::string Reason(const record::FieldLayout& field, const Json& given,
                   const Json& returned, const RecordFields& fields) {
  if (field.id == FieldId::kSecurityBlock) {
    if (!fields.bir.EncryptionOption && !fields.bir.IntegrityOption) {
      return "a record holds a security block only when a security option is "
             "set";
    }
    return "an empty security block is not written; give null";
  }
  if (field.bit < 0) return "it does not come back from the record as given";
  if (given.is_null()) {
    return "the library always writes this field; give its value";
  }
  if (returned.is_null()) {
    switch (field.presence) {
      case record::Presence::kBothHalvesNonZero:
        return "this registered identifier is written only when both its "
               "halves are non-zero";
      case record::Presence::kNotEmpty:
        return "an empty value is not written; give null";
      case record::Presence::kDateTimeSet:
        return "a date-time is written when its tm_wday, tm_yday and tm_isdst "
               "are -1 or none of its nine members is 0";
      case record::Presence::kAlways:
      case record::Presence::kWithSecurityOption:
        break;
    }
    return "it is not written";
  }
  switch (field.encoding) {
    case record::Encoding::kByte:
      return "the record holds its low 8 bits only";
    case record::Encoding::kValidityPeriod:
      if (given.size() != 2) {
        return "the record holds two date-times, the start and the end";
      }
      [[fallthrough]];
    case record::Encoding::kDateTime:
      return "the record holds the year in 16 bits and the other members in "
             "8 bits each";
    default:
      return "it does not come back from the record as given";
  }
}

}  // namespace

CheckedRecord EncodeChecked(const RecordFields& fields) {
  CheckedRecord checked;
  checked.bytes = fields.bir.Encode();
  const WalkedRecord back = WalkRecord(checked.bytes);
  if (!back.Accepted()) {
    checked.rejection = back.rejection;
    return checked;
  }
  const Json given = ToJson(fields);
  const Json returned = ToJson(FieldsOf(back));
  for (const record::FieldLayout& field : record::kFields) {
    if (!field.has_member) continue;
    const Json& as_given = given.at(field.name);
    const Json& came_back = returned.at(field.name);
    if (as_given == came_back) continue;
    checked.losses.push_back(
        FieldLoss{field.id, as_given.dump(), came_back.dump(),
                  Reason(field, as_given, came_back, fields)});
  }
  return checked;
}

}  // namespace bir_tool
