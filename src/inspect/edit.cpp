// Editing one field of a record: in place where only its bytes change.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bioapi_data/inspect_edit.h"
#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace inspect {

namespace {

const Row* FindRow(const std::vector<Row>& rows, int part, int element) {
  for (const Row& row : rows) {
    if (row.whole && row.part == part && row.element == element) return &row;
  }
  return nullptr;
}

// Why `checked` cannot stand for an edit of `part`, or empty: the written
// record is rejected, or `part` does not come back as given. Other fields
// that do not come back are the record's re-encoding changes.
std::string Refusal(const CheckedRecord& checked, int part) {
  if (checked.rejection) {
    return "the library would not accept the record: " +
           checked.rejection->Describe();
  }
  for (const FieldLoss& loss : checked.losses) {
    if (loss.part == part) return loss.Describe();
  }
  return "";
}

CheckedRecord Encode(const RecordFields& fields) {
  try {
    return EncodeChecked(fields);
  } catch (BioAPIException* e) {
    const std::unique_ptr<BioAPIException> owned(e);
    throw EditError(owned->what());
  }
}

// More than the rows and texts of a few walks of a record take.
constexpr std::size_t kWalkRoom = 64 * 1024;

constexpr int kBiometricData =
    static_cast<int>(record::FieldId::kBiometricData);
constexpr int kSecurityBlock =
    static_cast<int>(record::FieldId::kSecurityBlock);

bool Names(const std::vector<Change>& changes, const Change& change) {
  for (const Change& c : changes) {
    if (c.kind == change.kind && c.part == change.part &&
        c.value == change.value) {
      return true;
    }
  }
  return false;
}

// True when every change of `edited` is one of `standing`: re-encoding the
// record with the field's bytes replaced loses nothing more than re-encoding
// it as it stands.
bool NoNewChanges(const std::vector<Change>& edited,
                  const std::vector<Change>& standing) {
  for (const Change& change : edited) {
    if (!Names(standing, change)) return false;
  }
  return true;
}

// Whether `bytes` are the `size` bytes at `data` with `field` at `at`.
bool IsPatched(const std::vector<unsigned char>& bytes,
               const unsigned char* data, std::size_t size, std::size_t at,
               const std::vector<unsigned char>& field) {
  const std::size_t end = at + field.size();
  return bytes.size() == size && end <= size &&
         std::equal(data, data + at, bytes.begin()) &&
         std::equal(field.begin(), field.end(),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at)) &&
         std::equal(data + end, data + size,
                    bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

// The `size` bytes at `data` with `field` at `at`.
std::vector<unsigned char> Patched(const unsigned char* data, std::size_t size,
                                   std::size_t at,
                                   const std::vector<unsigned char>& field) {
  std::vector<unsigned char> bytes(data, data + size);
  std::copy(field.begin(), field.end(),
            bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

bool HasPart(const std::vector<Row>& rows, int part) {
  for (const Row& row : rows) {
    if (row.whole && row.part == part) return true;
  }
  return false;
}

// What encoding the edited record changes besides the edited part: the
// record's own re-encoding changes, then every other part that the new
// record adds or leaves out (a security block whose options are cleared).
std::vector<Change> ReencodingChanges(const Walk& old_walk,
                                      const Walk& new_walk, int edited) {
  std::vector<Change> changes = old_walk.Verdict().changes;
  for (int part = 0; part < BIOAPI_RECORD_PART_COUNT; ++part) {
    if (part == edited) continue;
    const bool before = HasPart(old_walk.Rows(), part);
    const bool after = HasPart(new_walk.Rows(), part);
    if (before == after) continue;
    const char* name = Part(part).name;
    Change change{
        after ? ChangeKind::kFieldAdded : ChangeKind::kFieldLeftOut, part, name,
        0,
        std::string(name) + (after ? " added" : " left out") +
            (part == kSecurityBlock ? " (no security option is set)" : "")};
    if (!Names(changes, change)) changes.push_back(std::move(change));
  }
  return changes;
}

}  // namespace

FieldEdit EditField(const unsigned char* data, std::size_t size,
                    const Walk& walk, RecordFields fields, int part,
                    int element) {
  if (!walk.Accepted()) {
    throw EditError("the library rejects the record: " +
                    walk.Verdict().rejection->Describe());
  }
  if (part < 0 || part >= BIOAPI_RECORD_PART_COUNT) {
    throw EditError("no record part " + std::to_string(part));
  }
  // The edited record as the library writes it, its blocks as they stand
  // unless one of them is the edited part. The record's BDB is copied once,
  // for the encoder, and let go as soon as the encoding holds it: a record
  // may be hundreds of megabytes, and an edit of one that the library
  // writes as it stands holds at most three copies of it at once.
  std::size_t bdb_offset = 0;
  std::size_t bdb_size = 0;
  RecordFields standing =
      ReadFieldsLeavingBdb(data, size, &bdb_offset, &bdb_size);
  if (part != kBiometricData) {
    // With room for the whole record and the walks' few allocations: once
    // let go, the record encoded again to try an edit in place fits where
    // the BDB was, rather than in memory of its own.
    fields.bir.BiometricData.reserve(size + kWalkRoom);
    fields.bir.BiometricData.assign(data + bdb_offset,
                                    data + bdb_offset + bdb_size);
  }
  if (part != kSecurityBlock) {
    fields.bir.SecurityBlock = std::move(standing.bir.SecurityBlock);
    fields.has_security_block = standing.has_security_block;
  }
  CheckedRecord checked = Encode(fields);
  std::vector<unsigned char>().swap(fields.bir.BiometricData);
  if (std::string why = Refusal(checked, part); !why.empty()) {
    throw EditError(why);
  }
  FieldEdit edit;
  if (checked.bytes.size() == size &&
      std::equal(checked.bytes.begin(), checked.bytes.end(), data)) {
    return edit;
  }
  const Walk new_walk(checked.bytes);
  const Row* old_row = FindRow(walk.Rows(), part, element);
  const Row* new_row = FindRow(new_walk.Rows(), part, element);
  if (old_row && new_row && new_row->length == old_row->length) {
    // In place when the record with the field's bytes replaced encodes to
    // the edited record, and encoding it again loses nothing that encoding
    // the record as it stands would not: for a record that the library
    // writes as it stands, when the edited record encoded again is the old
    // bytes with the field's bytes replaced and nothing else.
    const auto from =
        checked.bytes.begin() + static_cast<std::ptrdiff_t>(new_row->offset);
    const auto to = from + static_cast<std::ptrdiff_t>(new_row->length);
    if (std::equal(from, to, data + old_row->offset)) {
      return edit;  // the field's bytes are as they were
    }
    const std::vector<unsigned char> field(from, to);
    const std::size_t at = old_row->offset;
    // The record with the field's bytes replaced is most often the encoding
    // itself (a record that the library writes as it stands): then the
    // encoding is what is tried, and its storage goes to the decoded BDB
    // rather than to one more copy of the record.
    const bool encoding_is_patched =
        IsPatched(checked.bytes, data, size, at, field);
    std::vector<unsigned char> patched;
    if (encoding_is_patched) {
      patched.swap(checked.bytes);
    } else {
      patched = Patched(data, size, at, field);
    }
    const Walk patched_walk(patched);
    if (patched_walk.Accepted() &&
        NoNewChanges(patched_walk.Verdict().changes, walk.Verdict().changes)) {
      const std::vector<unsigned char> again = BIR(std::move(patched)).Encode();
      if (encoding_is_patched ? IsPatched(again, data, size, at, field)
                              : again == checked.bytes) {
        edit.kind = FieldEdit::Kind::kInPlace;
        edit.offset = at;
        edit.bytes = field;
        return edit;
      }
    }
    if (encoding_is_patched) {  // the encoding, given back
      checked.bytes = Patched(data, size, at, field);
    }
  }
  edit.kind = FieldEdit::Kind::kReencode;
  edit.changes = ReencodingChanges(walk, new_walk, part);
  edit.bytes = std::move(checked.bytes);
  return edit;
}

}  // namespace inspect
}  // namespace BioAPI_Data
