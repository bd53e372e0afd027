// The record inspector's view of the library, compiled to WebAssembly: the
// bir tool's walk, dump rows and JSON fields behind a few C functions that
// bioapi_data.mjs wraps for JavaScript.
//
// Data cross the boundary through buffers that this side owns: JavaScript
// asks for an input buffer of a size, fills it, calls an operation, and reads
// the operation's text (JSON) and bytes back before the next call. The
// WebAssembly module runs on one thread, so the buffers need no locks.

#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "bioapi_data/types.h"
#include "bir/record_layout.h"
#include "checked_encode.h"
#include "dump_rows.h"
#include "enumeration_names.h"
#include "record_json.h"
#include "record_walk.h"
#include "reencoding.h"

namespace {

using bir_tool::Json;
namespace record = BioAPI_Data::record;

// Input buffers: the record or the JSON text, then the BDB and the SB when
// they are given as bytes rather than hex.
enum Buffer { kMain = 0, kBiometricData = 1, kSecurityBlock = 2 };
std::vector<unsigned char> inputs[3];
// What the last operation produced.
std::string result_text;
std::vector<unsigned char> output_bytes[3];

// How the inspector shows and edits the field of a dump row: the JSON member
// that holds it (and the element of a validity period), and its kind, which
// picks the tint of its bytes and the editor of its value.
struct RowField {
  std::string key;  // Empty: the row is not an editable field.
  int index = -1;   // The element of a validity period, or -1.
  const char* kind;
};

template <class Member>
const char* KindOf(const record::FieldLayout& field) {
  if (field.encoding == record::Encoding::kBlock) {
    return "block";
  } else if constexpr (std::is_same_v<Member, bool>) {
    return "bool";
  } else if constexpr (std::is_enum_v<Member>) {
    return "enum";
  } else if constexpr (std::is_same_v<Member, unsigned char>) {
    return "number";
  } else if constexpr (std::is_same_v<Member, BioAPI_Data::RegistryID>) {
    return "id";
  } else if constexpr (std::is_same_v<Member, std::vector<unsigned char>>) {
    return "bytes";
  } else {
    return "date";
  }
}

// The rows of the header fields that `BIR` does not hold (total length,
// reserved byte, presence bit-map) are not editable.
RowField FieldOfRow(const bir_tool::DumpRow& row) {
  if (!row.field) return RowField{"", -1, "trailing"};
  RowField found{"", -1, "header"};
  BioAPI_Data::BIR bir;
  record::ForEachMemberField(
      bir, [&](const record::FieldLayout& field, const auto& member) {
        if (field.id != *row.field) return;
        using Member = std::decay_t<decltype(member)>;
        found = RowField{field.name, row.element, KindOf<Member>(field)};
      });
  return found;
}

template <class E>
Json EnumeratorsJson() {
  Json list = Json::array();
  for (const auto& e : bir_tool::Enumerators<E>()) {
    list.push_back(
        Json{{"value", static_cast<std::int32_t>(e.value)}, {"name", e.name}});
  }
  return list;
}

// The inspector's status line of a rejected record: `rejected at offset N
// (FIELD): check "..." failed`, the field named alone even when the check
// looked inside it (`bir dump` says "in FIELD, which begins at M" there).
const char* FieldName(const bir_tool::Rejection& r) {
  return r.field ? bir_tool::NameOf(*r.field) : "record";
}

std::string RejectedStatus(const bir_tool::Rejection& r) {
  std::string status = "rejected at offset " + std::to_string(r.offset) + " (" +
                       FieldName(r) + "): check \"" + r.check + "\" failed";
  if (r.inside_field && r.offset != r.field_begin) {
    status += "; " + std::string(FieldName(r)) + " begins at " +
              std::to_string(r.field_begin);
  }
  return status;
}

Json RejectionJson(const bir_tool::Rejection& r) {
  return Json{{"offset", r.offset},
              {"field", FieldName(r)},
              {"fieldOffset", r.field_begin},
              {"check", r.check},
              {"text", bir_tool::Describe(r)}};
}

void Finish(const Json& json) { result_text = json.dump(); }

}  // namespace

extern "C" {

/// Makes input buffer `which` (0 record or JSON, 1 BDB, 2 SB) `size` bytes
/// long and returns where to write them.
EMSCRIPTEN_KEEPALIVE unsigned char* bir_web_input(int which, std::size_t size) {
  std::vector<unsigned char>& buffer = inputs[which];
  buffer.clear();
  buffer.shrink_to_fit();
  buffer.resize(size);
  return buffer.data();
}

/// Returns the text (JSON) of the last operation, and its length.
EMSCRIPTEN_KEEPALIVE const char* bir_web_text() { return result_text.data(); }
/// Returns the length of the last operation's text.
EMSCRIPTEN_KEEPALIVE std::size_t bir_web_text_size() {
  return result_text.size();
}
/// Returns output `which` of the last operation: 0 the encoded record, 1 the
/// decoded BDB, 2 the decoded SB.
EMSCRIPTEN_KEEPALIVE const unsigned char* bir_web_output(int which) {
  return output_bytes[which].data();
}
/// Returns the size of output `which`.
EMSCRIPTEN_KEEPALIVE std::size_t bir_web_output_size(int which) {
  return output_bytes[which].size();
}

/// Walks the record in input 0. The text: status, rows of the dump, and for
/// an accepted record its fields as `bir json` gives them, except the BDB and
/// the SB, which are outputs 1 and 2 (null when the record has no SB), and
/// what encoding it again would change, as `bir check` says it.
EMSCRIPTEN_KEEPALIVE void bir_web_decode() {
  const std::vector<unsigned char>& bytes = inputs[kMain];
  bir_tool::WalkedRecord walked = bir_tool::WalkRecord(bytes);
  Json rows = Json::array();
  for (bir_tool::DumpRow& row : bir_tool::DumpRows(bytes, walked)) {
    // The field that a rejected record stopped in is named by "rejection".
    if (!row.whole) continue;
    const RowField field = FieldOfRow(row);
    Json j{{"field", std::move(row.name)},  {"offset", row.offset},
           {"length", row.length},          {"value", std::move(row.value)},
           {"bytes", std::move(row.bytes)}, {"kind", field.kind}};
    if (!field.key.empty()) j["key"] = field.key;
    if (field.index >= 0) j["index"] = field.index;
    rows.push_back(std::move(j));
  }
  Json json{{"size", bytes.size()},
            {"status", walked.Accepted() ? std::string("accepted")
                                         : RejectedStatus(*walked.rejection)},
            {"rejection", walked.Accepted() ? Json(nullptr)
                                            : RejectionJson(*walked.rejection)},
            {"rows", std::move(rows)}};
  output_bytes[kBiometricData].clear();
  output_bytes[kSecurityBlock].clear();
  if (walked.Accepted()) {
    bir_tool::RecordFields fields = bir_tool::FieldsOf(walked);
    output_bytes[kBiometricData].swap(fields.bir.BiometricData);
    output_bytes[kSecurityBlock].swap(fields.bir.SecurityBlock);
    Json j = bir_tool::ToJson(fields);
    j["BiometricData"] = "";
    if (fields.has_security_block) j["SecurityBlock"] = "";
    json["fields"] = std::move(j);
    json["changes"] = bir_tool::ReencodingChanges(bytes, walked);
  } else {
    json["fields"] = nullptr;
  }
  Finish(json);
}

/// Encodes the fields in input 0 (JSON text as `bir json` writes it) with
/// `BIR::Encode` and reads the record back. The BDB comes from input 1 when
/// `bdb_given`, the SB from input 2 when `sb_given`. Returns 0 and puts the
/// record in output 0 when it was written, and reads back as given unless
/// `force`; otherwise returns 1. The text names what was refused and why
/// ("message") and the fields that would not come back ("losses").
EMSCRIPTEN_KEEPALIVE int bir_web_encode(int bdb_given, int sb_given,
                                        int force) {
  output_bytes[0].clear();
  bir_tool::RecordFields fields;
  try {
    const std::vector<unsigned char>& text = inputs[kMain];
    fields = bir_tool::FromJson(Json::parse(text.begin(), text.end()));
  } catch (const Json::exception& e) {
    Finish(Json{{"message", std::string("not JSON: ") + e.what()}});
    return 1;
  } catch (const bir_tool::JsonFieldError& e) {
    Finish(Json{{"message", e.what()}});
    return 1;
  }
  if (bdb_given) fields.bir.BiometricData.swap(inputs[kBiometricData]);
  if (sb_given) {
    fields.bir.SecurityBlock.swap(inputs[kSecurityBlock]);
    fields.has_security_block = true;
  }
  bir_tool::CheckedRecord checked;
  try {
    checked = bir_tool::EncodeChecked(fields);
  } catch (BioAPI_Data::BioAPIException* e) {
    const std::unique_ptr<BioAPI_Data::BioAPIException> owned(e);
    Finish(Json{{"message", owned->what()}});
    return 1;
  }
  Json losses = Json::array();
  std::string message;
  if (checked.rejection) {
    message = "the library would not accept the record: " +
              bir_tool::Describe(*checked.rejection);
  }
  for (const bir_tool::FieldLoss& loss : checked.losses) {
    const std::string name = bir_tool::NameOf(loss.field);
    losses.push_back(Json{{"field", name},
                          {"given", Json::parse(loss.given)},
                          {"returned", Json::parse(loss.returned)},
                          {"reason", loss.reason}});
    if (message.empty()) {
      message = name + " is given as " + loss.given +
                " but the record gives back " + loss.returned + ": " +
                loss.reason;
    }
  }
  Finish(Json{{"message", message}, {"losses", std::move(losses)}});
  if (!checked.Faithful() && !force) return 1;
  output_bytes[0].swap(checked.bytes);
  return 0;
}

/// Puts the library's message for error code `code` in the text.
EMSCRIPTEN_KEEPALIVE void bir_web_explain(std::int32_t code) {
  result_text = BioAPI_Data::BioAPIException(code).what();
}

/// Puts the enumerators of every enumerated field in the text: a JSON object
/// from field name to a list of {"value", "name"}.
EMSCRIPTEN_KEEPALIVE void bir_web_enumerations() {
  Json json = Json::object();
  BioAPI_Data::BIR bir;
  record::ForEachOptionalField(
      bir, [&](const record::FieldLayout& field, const auto& member) {
        using Member = std::decay_t<decltype(member)>;
        if constexpr (std::is_enum_v<Member>) {
          json[field.name] = EnumeratorsJson<Member>();
        }
      });
  Finish(json);
}

}  // extern "C"
