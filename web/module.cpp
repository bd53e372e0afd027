// The record inspector's view of the library, compiled to WebAssembly: the
// bir tool's walk, dump rows and JSON fields behind a few C functions that
// bioapi_data.mjs wraps for JavaScript.
//
// Data cross the boundary through buffers that this side owns: JavaScript
// asks for an input buffer of a size, fills it, calls an operation, and reads
// the operation's text (JSON) and bytes back before the next call. The
// WebAssembly module runs on one thread, so the buffers need no locks.

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
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

// The resident record ---------------------------------------------------------
//
// The inspector's worker keeps one record in the module: read once into
// `resident`, walked after every change, patched in place where an edit
// changes only the edited field's bytes, and replaced by a new encoding where
// it changes more. Its BDB is never made hex and never sent back whole.

namespace {

struct RowSpan {
  std::optional<record::FieldId> field;
  int element;
  std::size_t offset;
  std::size_t length;
};

// Where a block's bytes (without their length) lie in `resident`.
struct BlockSpan {
  bool present = false;
  std::size_t offset = 0;
  std::size_t size = 0;
};

std::vector<unsigned char> resident;
// A new encoding of `resident` waiting for the person to accept what else it
// changes.
std::vector<unsigned char> proposal;
// What the last walk of `resident` found.
bool resident_accepted = false;
std::vector<RowSpan> resident_rows;
std::vector<std::string> resident_changes;
BlockSpan
    resident_blocks[3];  // Indexed by Buffer: kBiometricData, kSecurityBlock.

BlockSpan BlockOf(const bir_tool::WalkedRecord& walked, record::FieldId id,
                  std::size_t size) {
  for (const bir_tool::FieldSpan& span : walked.fields) {
    if (span.id == id) return BlockSpan{true, span.end - size, size};
  }
  return BlockSpan{};
}

Json BlockJson(const BlockSpan& block) {
  if (!block.present) return nullptr;
  return Json{{"offset", block.offset}, {"length", block.size}};
}

std::vector<RowSpan> SpansOf(const std::vector<bir_tool::DumpRow>& rows) {
  std::vector<RowSpan> spans;
  for (const bir_tool::DumpRow& row : rows) {
    if (row.whole) {
      spans.push_back(RowSpan{row.field, row.element, row.offset, row.length});
    }
  }
  return spans;
}

const RowSpan* FindRow(const std::vector<RowSpan>& rows, record::FieldId id,
                       int element) {
  for (const RowSpan& row : rows) {
    if (row.field == id && row.element == element) return &row;
  }
  return nullptr;
}

std::optional<record::FieldId> FieldNamed(const std::string& key) {
  for (std::size_t i = 0; i < record::kFieldCount; ++i) {
    const auto id = static_cast<record::FieldId>(i);
    if (key == bir_tool::NameOf(id)) return id;
  }
  return std::nullopt;
}

std::vector<unsigned char> ResidentBlock(Buffer which) {
  const BlockSpan& block = resident_blocks[which];
  if (!block.present) return {};
  const auto begin =
      resident.begin() + static_cast<std::ptrdiff_t>(block.offset);
  return {begin, begin + static_cast<std::ptrdiff_t>(block.size)};
}

// Why `checked` may not stand for an edit of `id`, or empty: the record is
// rejected, or `id` would not come back as given. Other fields that would not
// come back are the re-encoding changes of the record as it stands.
std::string EditRefusal(const bir_tool::CheckedRecord& checked,
                        record::FieldId id) {
  if (checked.rejection) {
    return "the library would not accept the record: " +
           bir_tool::Describe(*checked.rejection);
  }
  for (const bir_tool::FieldLoss& loss : checked.losses) {
    if (loss.field == id) {
      return std::string(bir_tool::NameOf(id)) + " is given as " + loss.given +
             " but the record gives back " + loss.returned + ": " + loss.reason;
    }
  }
  return "";
}

int Refuse(const std::string& message) {
  Finish(Json{{"message", message}});
  return 1;
}

}  // namespace

extern "C" {

/// Makes the resident record `size` bytes long (its former bytes released)
/// and returns where to write them.
EMSCRIPTEN_KEEPALIVE unsigned char* bir_web_resident(std::size_t size) {
  std::vector<unsigned char>().swap(resident);
  std::vector<unsigned char>().swap(proposal);
  resident.resize(size);
  return resident.data();
}

/// Returns where the resident record's bytes are (valid until the next call
/// that changes its size).
EMSCRIPTEN_KEEPALIVE unsigned char* bir_web_resident_data() {
  return resident.data();
}

/// Returns the size of the resident record.
EMSCRIPTEN_KEEPALIVE std::size_t bir_web_resident_size() {
  return resident.size();
}

/// Walks the resident record. The text is that of bir_web_decode with these
/// differences: the row of the field that a rejected record stopped in is
/// there too ("whole": false, with its "check"), a row that a check refused
/// carries that check, BiometricData and SecurityBlock are "" in the fields,
/// and "blocks" gives where their bytes lie ({offset, length} or null).
EMSCRIPTEN_KEEPALIVE void bir_web_inspect() {
  bir_tool::WalkedRecord walked = bir_tool::WalkRecord(resident);
  std::vector<bir_tool::DumpRow> dump = bir_tool::DumpRows(resident, walked);
  resident_rows = SpansOf(dump);
  Json rows = Json::array();
  for (bir_tool::DumpRow& row : dump) {
    const RowField field = FieldOfRow(row);
    Json j{{"field", std::move(row.name)},  {"offset", row.offset},
           {"length", row.length},          {"value", std::move(row.value)},
           {"bytes", std::move(row.bytes)}, {"kind", field.kind}};
    if (!field.key.empty()) j["key"] = field.key;
    if (field.index >= 0) j["index"] = field.index;
    if (row.check) j["check"] = row.check;
    if (!row.whole) j["whole"] = false;
    rows.push_back(std::move(j));
  }
  resident_accepted = walked.Accepted();
  Json json{{"size", resident.size()},
            {"status", walked.Accepted() ? std::string("accepted")
                                         : RejectedStatus(*walked.rejection)},
            {"rejection", walked.Accepted() ? Json(nullptr)
                                            : RejectionJson(*walked.rejection)},
            {"rows", std::move(rows)}};
  resident_blocks[kBiometricData] = BlockOf(
      walked, record::FieldId::kBiometricData, walked.bir.BiometricData.size());
  resident_blocks[kSecurityBlock] = BlockOf(
      walked, record::FieldId::kSecurityBlock, walked.bir.SecurityBlock.size());
  json["blocks"] =
      Json{{"BiometricData", BlockJson(resident_blocks[kBiometricData])},
           {"SecurityBlock", BlockJson(resident_blocks[kSecurityBlock])}};
  resident_changes.clear();
  if (walked.Accepted()) {
    resident_changes = bir_tool::ReencodingChanges(resident, walked);
    std::vector<unsigned char>().swap(walked.bir.BiometricData);
    std::vector<unsigned char>().swap(walked.bir.SecurityBlock);
    const bir_tool::RecordFields fields = bir_tool::FieldsOf(walked);
    json["fields"] = bir_tool::ToJson(fields);
    json["changes"] = resident_changes;
  } else {
    json["fields"] = nullptr;
    json["changes"] = Json::array();
  }
  Finish(json);
}

/// Edits one field of the resident record. Input 0 is JSON text
/// {"key": FIELD, "fields": {...}}: the fields as bir_web_inspect gave them
/// with FIELD's new value (for half of a validity period, `element` 0 or 1,
/// else -1). BiometricData and SecurityBlock are taken from the record
/// unless they are the edited field.
///
/// Returns 0 when the field's bytes change in place and nothing else
/// changes: the text is {offset, length} and output 0 the field's new bytes
/// (the caller patches them in). Returns 1 when the edit is refused (text:
/// {message}); 2 when the record must be encoded again, which changes more
/// than the field: output 0 the new record, kept until bir_web_accept, the
/// text {size, changes}, the re-encoding changes of the record as it stands;
/// 3 when the record would not change.
EMSCRIPTEN_KEEPALIVE int bir_web_edit(int element) {
  std::vector<unsigned char>().swap(output_bytes[0]);
  std::vector<unsigned char>().swap(proposal);
  if (!resident_accepted) {
    return Refuse("the library rejects the record: mend its bytes first");
  }
  std::string key;
  bir_tool::RecordFields fields;
  try {
    const std::vector<unsigned char>& text = inputs[kMain];
    const Json json = Json::parse(text.begin(), text.end());
    key = json.at("key").get<std::string>();
    fields = bir_tool::FromJson(json.at("fields"));
  } catch (const Json::exception& e) {
    return Refuse(std::string("not JSON: ") + e.what());
  } catch (const bir_tool::JsonFieldError& e) {
    return Refuse(e.what());
  }
  const std::optional<record::FieldId> id = FieldNamed(key);
  if (!id) return Refuse(key + " is not a field of the record");
  const bool block_edited = *id == record::FieldId::kBiometricData ||
                            *id == record::FieldId::kSecurityBlock;
  try {
    // The field's bytes as the library writes them, from a record that
    // holds the same fields with the blocks left empty: a field of fixed
    // width does not depend on them.
    const RowSpan* old_row = FindRow(resident_rows, *id, element);
    if (!block_edited && old_row) {
      bir_tool::RecordFields small = fields;
      small.bir.BiometricData.clear();
      small.bir.SecurityBlock.clear();
      bir_tool::CheckedRecord checked = bir_tool::EncodeChecked(small);
      if (checked.rejection) {
        // A record rejected without its blocks says nothing of the edit.
      } else if (std::string why = EditRefusal(checked, *id); !why.empty()) {
        return Refuse(why);
      } else {
        const bir_tool::WalkedRecord walked =
            bir_tool::WalkRecord(checked.bytes);
        const std::vector<RowSpan> rows =
            SpansOf(bir_tool::DumpRows(checked.bytes, walked));
        const RowSpan* new_row = FindRow(rows, *id, element);
        if (new_row && new_row->length == old_row->length) {
          const auto from = checked.bytes.begin() +
                            static_cast<std::ptrdiff_t>(new_row->offset);
          std::vector<unsigned char> field_bytes(
              from, from + static_cast<std::ptrdiff_t>(new_row->length));
          if (std::equal(field_bytes.begin(), field_bytes.end(),
                         resident.begin() +
                             static_cast<std::ptrdiff_t>(old_row->offset))) {
            Finish(Json::object());
            return 3;
          }
          output_bytes[0].swap(field_bytes);
          Finish(
              Json{{"offset", old_row->offset}, {"length", old_row->length}});
          return 0;
        }
      }
    }
    // The edit changes the record's shape: encode it again, blocks and all.
    if (*id != record::FieldId::kBiometricData) {
      fields.bir.BiometricData = ResidentBlock(kBiometricData);
    }
    if (*id != record::FieldId::kSecurityBlock) {
      fields.bir.SecurityBlock = ResidentBlock(kSecurityBlock);
      fields.has_security_block = resident_blocks[kSecurityBlock].present;
    }
    bir_tool::CheckedRecord checked = bir_tool::EncodeChecked(fields);
    if (std::string why = EditRefusal(checked, *id); !why.empty()) {
      return Refuse(why);
    }
    if (checked.bytes == resident) {
      Finish(Json::object());
      return 3;
    }
    Finish(Json{{"size", checked.bytes.size()}, {"changes", resident_changes}});
    proposal.swap(checked.bytes);
    return 2;
  } catch (BioAPI_Data::BioAPIException* e) {
    const std::unique_ptr<BioAPI_Data::BioAPIException> owned(e);
    return Refuse(owned->what());
  }
}

/// Makes the record that the last bir_web_edit proposed the resident record.
/// Returns its size, or 0 when none waits.
EMSCRIPTEN_KEEPALIVE std::size_t bir_web_accept() {
  if (proposal.empty()) return 0;
  resident.swap(proposal);
  std::vector<unsigned char>().swap(proposal);
  return resident.size();
}

/// Puts the fields of the accepted resident record in the text, as `bir
/// json` writes them, and returns 0; returns 1 with {message} when the
/// library rejects the record.
EMSCRIPTEN_KEEPALIVE int bir_web_resident_json() {
  const bir_tool::WalkedRecord walked = bir_tool::WalkRecord(resident);
  if (!walked.Accepted()) {
    return Refuse(RejectedStatus(*walked.rejection));
  }
  result_text =
      bir_tool::JsonText(bir_tool::ToJson(bir_tool::FieldsOf(walked)));
  return 0;
}

}  // extern "C"
