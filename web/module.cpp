// The record inspector's view of the library, compiled to WebAssembly: the
// inspection library's walk, dump rows and JSON fields behind a few C
// functions that bioapi_data.mjs wraps for JavaScript.
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
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_bdb.h"
#include "bioapi_data/inspect_edit.h"
#include "bioapi_data/types.h"

namespace {

// The module's own messages to JavaScript; the record's JSON comes from the
// inspection library as text.
using Json = nlohmann::ordered_json;
namespace inspect = BioAPI_Data::inspect;

// Input buffers: the record or the JSON text, then the BDB and the SB when
// they are given as bytes rather than hex.
enum Buffer { kMain = 0, kBiometricData = 1, kSecurityBlock = 2 };
std::vector<unsigned char> inputs[3];
// What the last operation produced.
std::string result_text;
std::vector<unsigned char> output_bytes[3];

// How the inspector shows and edits the field of a dump row: the JSON member
// that holds it (empty: the row is not an editable field) and the element of
// a validity period; its kind, the word of the library's row kind, picks the
// tint of its bytes and the editor of its value.
Json RowJson(const inspect::Row& row) {
  Json j{{"field", row.name},    {"offset", row.offset},
         {"length", row.length}, {"value", row.value},
         {"bytes", row.bytes},   {"kind", inspect::RowKindName(row.kind)}};
  if (row.part >= 0) {
    const inspect::PartInfo part = inspect::Part(row.part);
    if (part.field >= 0) j["key"] = part.name;
  }
  if (row.element >= 0) j["index"] = row.element;
  return j;
}

// The most rows of the record inside a BDB that go to JavaScript: a BDB
// whose counts claim many thousands of views or images would otherwise make
// a table of as many rows.
constexpr std::size_t kMaxBdbRows = 2000;

// The record inside the BDB: {format, rows, rowCount, notes}; each row as
// RowJson gives a field's, with its depth, whether it is a group (a view or
// representation) and whether its bytes are a payload that is not read. Of
// `rowCount` rows, the first kMaxBdbRows are given.
Json BdbJson(const inspect::BdbSummary& bdb) {
  Json rows = Json::array();
  for (const inspect::BdbRow& row : bdb.rows) {
    if (rows.size() == kMaxBdbRows) break;
    rows.push_back(Json{{"field", row.Name()},
                        {"offset", row.offset},
                        {"length", row.length},
                        {"value", row.Value()},
                        {"bytes", row.Bytes()},
                        {"depth", row.depth},
                        {"group", row.list[0] != '\0'},
                        {"payload", row.payload}});
  }
  Json notes = Json::array();
  for (const inspect::BdbNote& note : bdb.notes) notes.push_back(note.text);
  return Json{
      {"format", bdb.Recognised() ? Json(inspect::BdbFormatName(bdb.format))
                                  : Json(nullptr)},
      {"rows", std::move(rows)},
      {"rowCount", bdb.rows.size()},
      {"notes", std::move(notes)}};
}

// The part that a rejection names, "record" before the first part.
const char* FieldName(const inspect::Rejection& r) {
  return r.field != nullptr ? r.field : "record";
}

Json RejectionJson(const inspect::Rejection& r) {
  return Json{{"offset", r.offset},
              {"field", FieldName(r)},
              {"fieldOffset", r.field_offset},
              {"check", r.check},
              {"text", r.Describe()}};
}

Json ChangesJson(const std::vector<inspect::Change>& changes) {
  Json list = Json::array();
  for (const inspect::Change& change : changes) {
    list.push_back(change.description);
  }
  return list;
}

// The verdict of a walk of `size` bytes and its `rows`: {size, status,
// rejection, rows}; an accepted record's fields and changes come after.
Json WalkJson(const inspect::Walk& walk, std::size_t size, Json rows) {
  const auto& rejection = walk.Verdict().rejection;
  return Json{{"size", size},
              {"status", walk.Accepted() ? std::string("accepted")
                                         : rejection->Describe()},
              {"rejection",
               walk.Accepted() ? Json(nullptr) : RejectionJson(*rejection)},
              {"rows", std::move(rows)}};
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
  const inspect::Walk walk(bytes);
  Json rows = Json::array();
  for (const inspect::Row& row : walk.Rows()) {
    // The part that a rejected record stopped in is named by "rejection".
    if (row.whole) rows.push_back(RowJson(row));
  }
  Json json = WalkJson(walk, bytes.size(), std::move(rows));
  output_bytes[kBiometricData].clear();
  output_bytes[kSecurityBlock].clear();
  if (walk.Accepted()) {
    inspect::RecordFields fields =
        inspect::ReadFields(bytes.data(), bytes.size());
    const inspect::BdbSummary bdb =
        inspect::SummarizeRecordBdb(bytes.data(), bytes.size());
    // The BDB and the SB go out as bytes; their members are left empty.
    output_bytes[kBiometricData].swap(fields.bir.BiometricData);
    output_bytes[kSecurityBlock].swap(fields.bir.SecurityBlock);
    json["fields"] = Json::parse(inspect::ToJson(fields, bdb));
    json["changes"] = ChangesJson(walk.Verdict().changes);
    json["bdb"] = BdbJson(bdb);
  } else {
    json["fields"] = nullptr;
    json["bdb"] = nullptr;
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
  inspect::RecordFields fields;
  try {
    const std::vector<unsigned char>& text = inputs[kMain];
    fields = inspect::FromJson(std::string_view(
        reinterpret_cast<const char*>(text.data()), text.size()));
  } catch (const inspect::JsonError& e) {
    Finish(Json{{"message", e.what()}});
    return 1;
  }
  if (bdb_given) fields.bir.BiometricData.swap(inputs[kBiometricData]);
  if (sb_given) {
    fields.bir.SecurityBlock.swap(inputs[kSecurityBlock]);
    fields.has_security_block = true;
  }
  inspect::CheckedRecord checked;
  try {
    checked = inspect::EncodeChecked(fields);
  } catch (BioAPI_Data::BioAPIException* e) {
    const std::unique_ptr<BioAPI_Data::BioAPIException> owned(e);
    Finish(Json{{"message", owned->what()}});
    return 1;
  }
  Json losses = Json::array();
  std::string message;
  if (checked.rejection) {
    message = "the library would not accept the record: " +
              checked.rejection->Describe();
  }
  for (const inspect::FieldLoss& loss : checked.losses) {
    const std::string name = loss.field;
    losses.push_back(Json{{"field", name},
                          {"given", Json::parse(loss.given)},
                          {"returned", Json::parse(loss.returned)},
                          {"reason", loss.reason}});
    if (message.empty()) message = loss.Describe();
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
/// from field name to a list of {"value", "name"}, from the library's tables
/// through its C interface.
EMSCRIPTEN_KEEPALIVE void bir_web_enumerations() {
  Json json = Json::object();
  for (bioapi_bir_field field = 1;; ++field) {
    const char* name = nullptr;
    bioapi_enumeration enumeration = 0;
    if (bioapi_bir_field_info(field, &name, nullptr, &enumeration, nullptr) !=
        BIOAPI_OK) {
      break;
    }
    if (enumeration == 0) continue;
    std::size_t count = 0;
    bioapi_enumeration_info(enumeration, nullptr, &count);
    Json list = Json::array();
    for (std::size_t i = 0; i < count; ++i) {
      const char* enumerator = nullptr;
      std::int32_t value = 0;
      bioapi_enumerator(enumeration, i, &enumerator, &value);
      list.push_back(Json{{"value", value}, {"name", enumerator}});
    }
    json[name] = std::move(list);
  }
  Finish(json);
}

/// Puts the record's fields in the text, in record order: a JSON list of
/// {"name", "kind" (the row kind's word), "optional" (a record may leave it
/// out), "period" (a validity period: two date-times)}.
EMSCRIPTEN_KEEPALIVE void bir_web_parts() {
  Json list = Json::array();
  for (int part = 0; part < BIOAPI_RECORD_PART_COUNT; ++part) {
    const inspect::PartInfo info = inspect::Part(part);
    if (info.field < 0) continue;
    bioapi_field_kind kind = 0;
    bioapi_bir_field_info(info.field, nullptr, &kind, nullptr, nullptr);
    // The SB has no presence bit: a record without one has a length of 0 in
    // its place.
    const bool optional =
        info.bit >= 0 || info.field == BIOAPI_FIELD_SECURITY_BLOCK;
    list.push_back(Json{{"name", info.name},
                        {"kind", inspect::RowKindName(info.kind)},
                        {"optional", optional},
                        {"period", kind == BIOAPI_FIELD_KIND_PERIOD}});
  }
  Finish(list);
}

}  // extern "C"

// The resident record ---------------------------------------------------------
//
// The inspector's worker keeps one record in the module: read once into
// `resident`, walked after every change, patched in place where an edit
// changes only the edited field's bytes, and replaced by a new encoding where
// it changes more. Its BDB is never made hex and never sent back whole.

namespace {

std::vector<unsigned char> resident;
// A new encoding of `resident` waiting for the person to accept what else it
// changes.
std::vector<unsigned char> proposal;
// Where the last bir_web_resident_json left the BDB out: see there.
std::size_t json_bdb[3] = {0, 0, 0};

int Refuse(const std::string& message) {
  Finish(Json{{"message", message}});
  return 1;
}

// The record part named `name`, or -1.
int PartNamed(const std::string& name) {
  for (int part = 0; part < BIOAPI_RECORD_PART_COUNT; ++part) {
    if (name == inspect::Part(part).name) return part;
  }
  return -1;
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
/// differences: the row of the part that a rejected record stopped in is
/// there too ("whole": false), a row that a check refused carries the check,
/// BiometricData and SecurityBlock are "" in the fields, which lack the BDB's
/// summary, and "blocks" says where their bytes lie ({offset, length} or
/// null).
EMSCRIPTEN_KEEPALIVE void bir_web_inspect() {
  const inspect::Walk walk(resident);
  Json rows = Json::array();
  for (const inspect::Row& row : walk.Rows()) {
    Json j = RowJson(row);
    if (row.check) j["check"] = row.check;
    if (!row.whole) j["whole"] = false;
    rows.push_back(std::move(j));
  }
  Json json = WalkJson(walk, resident.size(), std::move(rows));
  json["fields"] = nullptr;
  json["changes"] = ChangesJson(walk.Verdict().changes);
  json["blocks"] = Json{{"BiometricData", nullptr}, {"SecurityBlock", nullptr}};
  if (walk.Accepted()) {
    // The BDB stays where it is, in the record.
    std::size_t bdb_offset = 0;
    std::size_t bdb_size = 0;
    inspect::RecordFields fields = inspect::ReadFieldsLeavingBdb(
        resident.data(), resident.size(), &bdb_offset, &bdb_size);
    json["blocks"]["BiometricData"] =
        Json{{"offset", bdb_offset}, {"length", bdb_size}};
    // The SB's bytes end where its row ends.
    for (const inspect::Row& row : walk.Rows()) {
      if (row.kind != inspect::RowKind::kBlock || row.name != "SecurityBlock") {
        continue;
      }
      std::vector<unsigned char>& block = fields.bir.SecurityBlock;
      json["blocks"][row.name] =
          Json{{"offset", row.offset + row.length - block.size()},
               {"length", block.size()}};
      std::vector<unsigned char>().swap(block);
    }
    const inspect::BdbSummary bdb =
        inspect::SummarizeRecordBdb(resident.data(), resident.size());
    // The fields without the BDB's summary, which "bdb" gives: it would
    // repeat every view and image of the BDB in each answer and each edit.
    json["fields"] = Json::parse(inspect::ToJson(fields, {}));
    json["fields"].erase(BIOAPI_INSPECT_BDB_SUMMARY_KEY);
    json["bdb"] = BdbJson(bdb);
  } else {
    json["bdb"] = nullptr;
  }
  Finish(json);
}

/// Edits one field of the resident record. Input 0 is JSON text
/// {"key": FIELD, "fields": {...}}: the fields as bir_web_inspect gave them
/// with FIELD's new value (for half of a validity period, `element` 0 or 1,
/// else -1).
///
/// Returns 0 when only the field's bytes change: the text is {offset} and
/// output 0 the field's new bytes (the caller patches them in). Returns 1
/// when the edit is refused (text: {message}); 2 when the record must be
/// encoded again: the text is {size, changes}, what else that changes, and
/// the new record waits for bir_web_accept; 3 when nothing would change.
EMSCRIPTEN_KEEPALIVE int bir_web_edit(int element) {
  std::vector<unsigned char>().swap(output_bytes[0]);
  std::vector<unsigned char>().swap(proposal);
  int part = -1;
  inspect::RecordFields fields;
  try {
    const std::vector<unsigned char>& text = inputs[kMain];
    Json json = Json::parse(text.begin(), text.end());
    part = PartNamed(json.at("key").get<std::string>());
    fields = inspect::FromJson(json.at("fields").dump());
  } catch (const Json::exception& e) {
    return Refuse(std::string("not JSON: ") + e.what());
  } catch (const inspect::JsonError& e) {
    return Refuse(e.what());
  }
  if (part < 0) return Refuse("not a field of the record");
  inspect::FieldEdit edit;
  try {
    // Walked here, not kept from bir_web_inspect: JavaScript may have
    // patched the bytes since.
    edit = inspect::EditField(resident.data(), resident.size(),
                              inspect::Walk(resident), std::move(fields), part,
                              element);
  } catch (const inspect::EditError& e) {
    return Refuse(e.what());
  }
  switch (edit.kind) {
    case inspect::FieldEdit::Kind::kInPlace:
      Finish(Json{{"offset", edit.offset}});
      output_bytes[0].swap(edit.bytes);
      return 0;
    case inspect::FieldEdit::Kind::kReencode:
      Finish(Json{{"size", edit.bytes.size()},
                  {"changes", ChangesJson(edit.changes)}});
      proposal.swap(edit.bytes);
      return 2;
    default:
      Finish(Json::object());
      return 3;
  }
}

/// Returns where the record that the last bir_web_edit proposed is (valid
/// until the next call that changes it), or null when none waits.
EMSCRIPTEN_KEEPALIVE unsigned char* bir_web_proposal_data() {
  return proposal.empty() ? nullptr : proposal.data();
}

/// Returns the size of the record that the last bir_web_edit proposed.
EMSCRIPTEN_KEEPALIVE std::size_t bir_web_proposal_size() {
  return proposal.size();
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
/// json` writes them but for the BDB's hex, and returns 0; returns 1 with
/// {message} when the library rejects the record. The BDB's bytes, as hex,
/// go at bir_web_resident_json_bdb(0) in the text: the BDB is bytes
/// [bir_web_resident_json_bdb(1), + bir_web_resident_json_bdb(2)) of the
/// record. The text stays small whatever the record, so that JavaScript
/// writes the hex in parts.
EMSCRIPTEN_KEEPALIVE int bir_web_resident_json() {
  const inspect::Check check = inspect::CheckRecord(resident);
  if (!check.Accepted()) return Refuse(check.rejection->Describe());
  inspect::RecordFields fields = inspect::ReadFieldsLeavingBdb(
      resident.data(), resident.size(), &json_bdb[1], &json_bdb[2]);
  result_text = inspect::ToJson(
      fields, inspect::SummarizeRecordBdb(resident.data(), resident.size()));
  // The BDB is the one value of the fields that is "" at the top level.
  static const char kEmptyBdb[] = "\n  \"BiometricData\": \"\"";
  const std::size_t at = result_text.find(kEmptyBdb);
  if (at == std::string::npos) return Refuse("the JSON has no BiometricData");
  json_bdb[0] = at + sizeof kEmptyBdb - 2;
  return 0;
}

/// Returns where the last bir_web_resident_json put the BDB: 0 the place of
/// its hex in the text, 1 its offset in the record, 2 its size.
EMSCRIPTEN_KEEPALIVE std::size_t bir_web_resident_json_bdb(int which) {
  return json_bdb[which];
}

}  // extern "C"
