// The fields of a record as JSON, both ways, and an encoding that reads its
// record back to see that every field comes back as given.
//
// Byte strings are hex strings, registry identifiers {"Owner", "Type"},
// date-times their six recorded `tm` members, validity periods an array of
// date-times (start, end), enumerations {"value", "name"} with the name where
// the library defines one. An optional field that the record lacks is null.
#include <cstddef>
#include <cstring>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>
#include <type_traits>
#include <vector>

#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_bdb.h"
#include "bir/record_layout.h"
#include "common/enumeration_names.h"
#include "inspect/bdb_reader.h"
#include "inspect/walk.h"

namespace BioAPI_Data {
namespace inspect {
namespace {

// Sets `value` to the enumerator called `name`; returns false when there is
// none.
template <class E>
bool ValueNamed(std::string_view name, E& value) {
  for (const auto& e : names::Table<E>::kEnumerators) {
    if (name == e.name) {
      value = e.value;
      return true;
    }
  }
  return false;
}

using Json = nlohmann::ordered_json;
using detail::FieldId;

// The members of a date-time that a record carries, in record order.
constexpr const char* kDateTimeMembers[] = {"tm_year", "tm_mon", "tm_mday",
                                            "tm_hour", "tm_min", "tm_sec"};

int* DateTimeMember(std::tm& t, std::size_t i) {
  int* members[] = {&t.tm_year, &t.tm_mon, &t.tm_mday,
                    &t.tm_hour, &t.tm_min, &t.tm_sec};
  return members[i];
}

std::string HexText(const unsigned char* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  // Sized first and filled by index: a BDB may be megabytes long.
  std::string text(2 * size, '0');
  for (std::size_t i = 0; i < size; ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0xF];
  }
  return text;
}

std::string HexText(const std::vector<unsigned char>& bytes) {
  return HexText(bytes.data(), bytes.size());
}

// Values to JSON, chosen by the member's type.
Json ValueJson(const RegistryID& id) {
  Json j;
  j["Owner"] = id.Owner;
  j["Type"] = id.Type;
  return j;
}
Json ValueJson(unsigned char value) { return value; }
Json ValueJson(bool value) { return value; }
Json ValueJson(const std::vector<unsigned char>& bytes) {
  return HexText(bytes);
}
Json ValueJson(const std::tm& t) {
  Json j;
  std::tm copy = t;
  for (std::size_t i = 0; i < 6; ++i) {
    j[kDateTimeMembers[i]] = *DateTimeMember(copy, i);
  }
  return j;
}
Json ValueJson(const std::vector<std::tm>& period) {
  Json j = Json::array();
  for (const std::tm& t : period) j.push_back(ValueJson(t));
  return j;
}
template <class E>
Json ValueJson(E value) {
  static_assert(std::is_enum_v<E>);
  Json j;
  j["value"] = static_cast<std::int32_t>(value);
  if (const char* name = names::NameOf(value)) j["name"] = name;
  return j;
}

[[noreturn]] void Fail(const std::string& path, const std::string& message) {
  throw JsonError(path, path + ": " + message);
}

std::string Kind(const Json& j) { return j.type_name(); }

// Errors quote at most this many characters of a bad value or key.
constexpr std::size_t kQuoteLimit = 40;

// Appends a sketch of `j` to `out`, stopping soon after `out` passes the
// limit: a 10 MiB value costs no more than a short one. The parser keeps
// values shallow (see kMaxDepth), which bounds the recursion.
void Sketch(const Json& j, std::string& out) {
  if (j.is_string()) {
    const std::string& text = j.get_ref<const std::string&>();
    out += Json(text.substr(0, kQuoteLimit + 1)).dump();
  } else if (j.is_array() || j.is_object()) {
    out += j.is_array() ? '[' : '{';
    bool first = true;
    for (const auto& item : j.items()) {
      if (out.size() > kQuoteLimit) break;
      if (!first) out += ", ";
      first = false;
      if (j.is_object()) {
        out += Json(item.key().substr(0, kQuoteLimit + 1)).dump() + ": ";
      }
      Sketch(item.value(), out);
    }
    out += j.is_array() ? ']' : '}';
  } else {
    out += j.dump();
  }
}

// A bad value as an error message quotes it: its JSON, cut after
// kQuoteLimit characters.
std::string Quote(const Json& j) {
  std::string text;
  Sketch(j, text);
  if (text.size() > kQuoteLimit) {
    text.resize(kQuoteLimit);
    text += "...";
  }
  return text;
}

// A key as an error names it: as it stands when it is short and printable,
// else quoted, so that a key such as "BDBPurpose\u0000x" is never taken for
// the field that it starts with, even by a reader of C strings.
std::string KeyName(const std::string& key) {
  bool plain = !key.empty() && key.size() <= kQuoteLimit;
  for (const char c : key) plain = plain && c > ' ' && c < 0x7F && c != '"';
  return plain ? key : Quote(Json(key));
}

long long Integer(const std::string& path, const Json& j, long long min,
                  long long max) {
  if (!j.is_number_integer()) {
    Fail(path, "expected an integer, got " + Kind(j) + " " + Quote(j));
  }
  // A positive number is read without sign, so that the largest unsigned
  // 64-bit one is not taken for -1.
  bool in_range = false;
  if (j.is_number_unsigned()) {
    const auto n = j.get<unsigned long long>();
    in_range = n <= static_cast<unsigned long long>(max) &&
               (min <= 0 || n >= static_cast<unsigned long long>(min));
  } else {
    in_range = j.get<long long>() >= min && j.get<long long>() <= max;
  }
  if (!in_range) {
    Fail(path, j.dump() + " is outside " + std::to_string(min) + ".." +
                   std::to_string(max));
  }
  return j.get<long long>();
}

long long Integer(const std::string& path, const Json& j,
                  const record::Range& range) {
  return Integer(path, j, range.min, range.max);
}

// An object whose members are exactly `names`.
void ExpectMembers(const std::string& path, const Json& j,
                   std::initializer_list<const char*> names, bool all) {
  if (!j.is_object()) {
    Fail(path, "expected an object, got " + Kind(j) + " " + Quote(j));
  }
  for (const auto& item : j.items()) {
    bool known = false;
    for (const char* name : names) known = known || item.key() == name;
    if (!known) Fail(path, "unknown member " + Quote(Json(item.key())));
  }
  if (!all) return;
  for (const char* name : names) {
    if (!j.contains(name))
      Fail(path, "missing member \"" + std::string(name) + "\"");
  }
}

// Values from JSON, chosen by the member's type, within what the layout's
// row of the field says that the record carries.
void Read(const std::string& path, const record::FieldLayout& field,
          const Json& j, RegistryID& id) {
  ExpectMembers(path, j, {"Owner", "Type"}, true);
  const auto owner = Integer(path + ".Owner", j.at("Owner"), field.values);
  const auto type = Integer(path + ".Type", j.at("Type"), field.type);
  id.Owner = static_cast<std::int16_t>(owner);
  id.Type = static_cast<std::int16_t>(type);
}
void Read(const std::string& path, const record::FieldLayout& field,
          const Json& j, unsigned char& value) {
  value = static_cast<unsigned char>(Integer(path, j, field.values));
}
void Read(const std::string& path, const record::FieldLayout&, const Json& j,
          bool& value) {
  if (!j.is_boolean()) {
    Fail(path, "expected true or false, got " + Kind(j) + " " + Quote(j));
  }
  value = j.get<bool>();
}
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
void Read(const std::string& path, const record::FieldLayout& field,
          const Json& j, std::vector<unsigned char>& bytes) {
  if (!j.is_string()) {
    Fail(path, "expected a string of hex digits, got " + Kind(j));
  }
  const std::string& text = j.get_ref<const std::string&>();
  if (text.size() % 2 != 0) {
    Fail(path, "odd number of hex digits: two digits make one byte");
  }
  // A block's limit is the whole record's, which the encoder checks.
  if (field.encoding == record::Encoding::kByteString &&
      text.size() / 2 > field.max_size) {
    Fail(path, std::to_string(text.size() / 2) +
                   " bytes; a byte string of the record holds at most " +
                   std::to_string(field.max_size));
  }
  bytes.clear();
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) {
      Fail(path, Quote(Json(text.substr(i, 2))) + " at character " +
                     std::to_string(i) + " is not a hex byte");
    }
    bytes.push_back(static_cast<unsigned char>(high * 16 + low));
  }
}
void ReadDateTime(const std::string& path, const Json& j, std::tm& t) {
  ExpectMembers(path, j,
                {kDateTimeMembers[0], kDateTimeMembers[1], kDateTimeMembers[2],
                 kDateTimeMembers[3], kDateTimeMembers[4], kDateTimeMembers[5]},
                true);
  t = std::tm{};
  for (std::size_t i = 0; i < 6; ++i) {
    const char* name = kDateTimeMembers[i];
    *DateTimeMember(t, i) = static_cast<int>(
        Integer(path + "." + name, j.at(name),
                i == 0 ? record::kYearRange : record::kDateTimeMemberRange));
  }
  // Not in the record: as a decoded record holds them.
  t.tm_wday = -1;
  t.tm_yday = -1;
  t.tm_isdst = -1;
}
void Read(const std::string& path, const record::FieldLayout&, const Json& j,
          std::tm& t) {
  ReadDateTime(path, j, t);
}
void Read(const std::string& path, const record::FieldLayout&, const Json& j,
          std::vector<std::tm>& period) {
  if (!j.is_array()) {
    Fail(path, "expected an array of date-times (start, end), got " + Kind(j));
  }
  // An empty array is taken: the encoder leaves the field out, which the
  // read-back names.
  if (!j.empty() && j.size() != record::kPeriodLength) {
    Fail(path, std::to_string(j.size()) +
                   (j.size() == 1 ? " date-time" : " date-times") +
                   "; the record carries none or 2 (the start and the end)");
  }
  period.assign(j.size(), std::tm{});
  for (std::size_t i = 0; i < j.size(); ++i) {
    ReadDateTime(path + "[" + std::to_string(i) + "]", j.at(i), period[i]);
  }
}
// An enumeration: {"value": n, "name": "..."}, either member alone, a bare
// number or a bare name. A number that the record carries in 32 bits may
// also be given as its unsigned 32 bits.
template <class E>
void Read(const std::string& path, const record::FieldLayout& field,
          const Json& j, E& value) {
  static_assert(std::is_enum_v<E>);
  const bool all_32_bits = field.values.min == record::kInt32Range.min &&
                           field.values.max == record::kInt32Range.max;
  auto from_number = [&](const std::string& at, const Json& number) {
    const long long n = all_32_bits
                            ? Integer(at, number, record::kInt32Range.min,
                                      std::numeric_limits<std::uint32_t>::max())
                            : Integer(at, number, field.values);
    return static_cast<E>(static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<unsigned long long>(n))));
  };
  auto from_name = [&](const std::string& at, const Json& name) {
    if (!name.is_string()) Fail(at, "expected a name, got " + Kind(name));
    E named{};
    if (!ValueNamed(name.get_ref<const std::string&>(), named)) {
      Fail(at, Quote(name) + " names no value of this field");
    }
    return named;
  };
  if (j.is_number()) {
    value = from_number(path, j);
  } else if (j.is_string()) {
    value = from_name(path, j);
  } else {
    ExpectMembers(path, j, {"value", "name"}, false);
    if (j.contains("value")) {
      value = from_number(path + ".value", j.at("value"));
      if (j.contains("name") &&
          from_name(path + ".name", j.at("name")) != value) {
        Fail(path, "\"name\" " + Quote(j.at("name")) + " is not the name of " +
                       Quote(j.at("value")));
      }
    } else if (j.contains("name")) {
      value = from_name(path + ".name", j.at("name"));
    } else {
      Fail(path, "missing member \"value\"");
    }
  }
}

// A field that every record has: its JSON may not be null or missing.
bool AlwaysInRecord(const record::FieldLayout& field) {
  return field.presence == record::Presence::kAlways && field.bit < 0;
}

// Whether `fields` hold `field`: the header and the BDB always do.
bool IsHeld(const RecordFields& fields, const record::FieldLayout& field) {
  if (field.bit >= 0) return ((fields.present >> field.bit) & 1u) != 0;
  return field.id != FieldId::kSecurityBlock || fields.has_security_block;
}

bool IsFieldWithMember(const std::string& name) {
  for (const record::FieldLayout& field : record::kFields) {
    if (field.has_member && name == field.name) return true;
  }
  return false;
}

// JSON text: a value goes on one line when it is short enough.
constexpr std::size_t kInlineWidth = 96;

std::string Inline(const Json& j) {
  if (j.is_object()) {
    std::string text = "{";
    for (const auto& item : j.items()) {
      if (text.size() > 1) text += ", ";
      text += Json(item.key()).dump() + ": " + Inline(item.value());
    }
    return text + "}";
  }
  if (j.is_array()) {
    std::string text = "[";
    for (const Json& element : j) {
      if (text.size() > 1) text += ", ";
      text += Inline(element);
    }
    return text + "]";
  }
  return j.dump();
}

void WriteText(const Json& j, std::size_t indent, bool top, std::string& out) {
  const bool structured = j.is_object() || j.is_array();
  if (!structured || j.empty() || (!top && Inline(j).size() <= kInlineWidth)) {
    out += Inline(j);
    return;
  }
  const std::string inner(indent + 2, ' ');
  out += j.is_object() ? "{\n" : "[\n";
  bool first = true;
  for (const auto& item : j.items()) {
    if (!first) out += ",\n";
    first = false;
    out += inner;
    if (j.is_object()) out += Json(item.key()).dump() + ": ";
    WriteText(item.value(), indent + 2, false, out);
  }
  out += "\n" + std::string(indent, ' ') + (j.is_object() ? "}" : "]");
}

// With `bdb`, the BDB's summary goes beside its bytes. Without `blocks`, the
// BDB and the SB are left out.
Json ToJsonValue(const RecordFields& fields, const BdbSummary* bdb = nullptr,
                 bool blocks = true) {
  Json j;
  record::ForEachMemberField(fields.bir, [&](const record::FieldLayout& field,
                                             const auto& member) {
    if (!blocks && field.encoding == record::Encoding::kBlock) return;
    j[field.name] = IsHeld(fields, field) ? ValueJson(member) : Json(nullptr);
    // What the BDB holds, beside its bytes; read-only: FromJson skips it.
    if (bdb != nullptr && field.id == FieldId::kBiometricData) {
      j[BIOAPI_INSPECT_BDB_SUMMARY_KEY] = Json::parse(BdbSummaryJson(*bdb));
    }
  });
  return j;
}

// The fields of an accepted record as the walk met them, the BDB left in the
// record's bytes (empty).
RecordFields FieldsLeavingBdb(detail::WalkedRecord&& walked) {
  RecordFields fields;
  fields.bir = std::move(walked.bir);
  fields.present = walked.presence & ~BIOAPI_PRESENCE_RESERVED_MASK;
  fields.has_security_block = walked.has_security_block;
  return fields;
}

// A block of a record (the BDB or the SB) as given or as read back: whether
// the record holds it, and its bytes.
struct BlockValue {
  bool held;
  const unsigned char* data;
  std::size_t size;

  bool operator==(const BlockValue& other) const {
    return held == other.held && size == other.size &&
           (size == 0 || std::memcmp(data, other.data, size) == 0);
  }
  // As ToJsonValue gives it: made only for a block that does not come back.
  Json ToJson() const { return held ? Json(HexText(data, size)) : Json(); }
};

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

std::string FieldLoss::Describe() const {
  return std::string(field) + " is given as " + given +
         " but the record gives back " + returned + ": " + reason;
}

JsonError::JsonError(std::string field, const std::string& message)
    : std::runtime_error(message), field_(std::move(field)) {}

RecordFields FieldsOf(const BIR& bir) {
  RecordFields fields;
  fields.bir = bir;
  fields.present = record::PresenceBits(bir);
  fields.has_security_block = record::HasSecurityBlock(bir);
  return fields;
}

RecordFields ReadFields(const unsigned char* data, std::size_t size) {
  std::size_t offset = 0;
  std::size_t length = 0;
  RecordFields fields = ReadFieldsLeavingBdb(data, size, &offset, &length);
  fields.bir.BiometricData.assign(data + offset, data + offset + length);
  return fields;
}

RecordFields ReadFieldsLeavingBdb(const unsigned char* data, std::size_t size,
                                  std::size_t* bdb_offset,
                                  std::size_t* bdb_size) {
  detail::WalkedRecord walked = detail::WalkRecord(data, size, false);
  if (!walked.Accepted()) throw new BioAPIException(Unit, 0x10B);
  *bdb_offset = walked.bdb.offset;
  *bdb_size = walked.bdb.size;
  return FieldsLeavingBdb(std::move(walked));
}

std::string ToJson(const RecordFields& fields) {
  return ToJson(fields, detail::SummarizeBdbOf(fields.bir, fields.present));
}

std::string ToJson(const RecordFields& fields, const BdbSummary& bdb) {
  std::string text;
  WriteText(ToJsonValue(fields, &bdb), 0, true, text);
  return text + "\n";
}

RecordFields FromJson(std::string_view text) {
  // The deepest value of a record's JSON is a member of a date-time in a
  // validity period: the fields' object, the period's array, the date-time's
  // object. Deeper arrays or objects are refused as the parser meets them, so
  // that no walk over the value, nor its error message, recurses far.
  constexpr int kMaxDepth = 3;
  // The read-only summary of the BDB's own record, which the reader skips,
  // nests its views' and representations' headers a few levels deeper.
  constexpr int kMaxSummaryDepth = 8;
  std::string current;  // the top-level key being read
  const auto limit_depth = [&](int depth, Json::parse_event_t event,
                               Json& parsed) {
    if (depth == 1 && event == Json::parse_event_t::key) {
      current = KeyName(parsed.get_ref<const std::string&>());
    } else if (depth >= (current == BIOAPI_INSPECT_BDB_SUMMARY_KEY
                             ? kMaxSummaryDepth
                             : kMaxDepth) &&
               (event == Json::parse_event_t::object_start ||
                event == Json::parse_event_t::array_start)) {
      if (current.empty()) {
        throw JsonError("",
                        "expected an object of record fields, got a "
                        "value nested " +
                            std::to_string(depth + 1) + " levels deep");
      }
      Fail(current,
           "nested too deeply: the values of a record's fields are at "
           "most an array of objects of numbers");
    }
    return true;
  };
  Json json;
  try {
    json = Json::parse(text.begin(), text.end(), limit_depth);
  } catch (const Json::exception& e) {
    // The parser's message ends with the token that it read, which may be
    // the whole of a long string: keep its start only.
    std::string what = e.what();
    static const char kLastRead[] = "; last read: '";
    const std::size_t at = what.find(kLastRead);
    const std::size_t keep = at + sizeof kLastRead - 1 + kQuoteLimit;
    if (at != std::string::npos && what.size() > keep + 1) {
      what.resize(keep);
      what += "...'";
    }
    throw JsonError("", "not JSON: " + what);
  }
  if (!json.is_object()) {
    throw JsonError("",
                    "expected an object of record fields, got " + Kind(json));
  }
  for (const auto& item : json.items()) {
    if (item.key() == BIOAPI_INSPECT_BDB_SUMMARY_KEY) continue;
    if (!IsFieldWithMember(item.key())) {
      Fail(KeyName(item.key()), "not a field of a record");
    }
  }
  RecordFields fields;
  record::ForEachMemberField(
      fields.bir, [&](const record::FieldLayout& field, auto& member) {
        const auto it = json.find(field.name);
        if (AlwaysInRecord(field)) {
          if (it == json.end())
            Fail(field.name, "missing; every record has it");
          Read(field.name, field, *it, member);
          return;
        }
        if (it == json.end() || it->is_null()) return;
        Read(field.name, field, *it, member);
        if (field.bit >= 0) {
          fields.present |= 1u << field.bit;
        } else {
          fields.has_security_block = true;
        }
      });
  return fields;
}

CheckedRecord EncodeChecked(const RecordFields& fields) {
  CheckedRecord checked;
  checked.bytes = fields.bir.Encode();
  detail::WalkedRecord back =
      detail::WalkRecord(checked.bytes.data(), checked.bytes.size(), false);
  if (!back.Accepted()) {
    checked.rejection = back.rejection;
    return checked;
  }
  // The blocks are compared as bytes, the BDB where it lies in the record:
  // neither is copied, nor made hex unless it does not come back.
  const record::BlockSpan bdb = back.bdb;
  const RecordFields read_back = FieldsLeavingBdb(std::move(back));
  const Json given = ToJsonValue(fields, nullptr, false);
  const Json returned = ToJsonValue(read_back, nullptr, false);
  for (const record::FieldLayout& field : record::kFields) {
    if (!field.has_member) continue;
    Json as_given;
    Json came_back;
    if (field.encoding == record::Encoding::kBlock) {
      const bool is_bdb = field.id == FieldId::kBiometricData;
      const std::vector<unsigned char>& block =
          is_bdb ? fields.bir.BiometricData : fields.bir.SecurityBlock;
      const BlockValue block_given{IsHeld(fields, field), block.data(),
                                   block.size()};
      const BlockValue block_returned =
          is_bdb ? BlockValue{true, checked.bytes.data() + bdb.offset, bdb.size}
                 : BlockValue{IsHeld(read_back, field),
                              read_back.bir.SecurityBlock.data(),
                              read_back.bir.SecurityBlock.size()};
      if (block_given == block_returned) continue;
      as_given = block_given.ToJson();
      came_back = block_returned.ToJson();
    } else {
      as_given = given.at(field.name);
      came_back = returned.at(field.name);
      if (as_given == came_back) continue;
    }
    checked.losses.push_back(FieldLoss{
        detail::PartOf(field.id), field.name, as_given.dump(), came_back.dump(),
        Reason(field, as_given, came_back, fields)});
  }
  return checked;
}

}  // namespace inspect
}  // namespace BioAPI_Data
