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

constexpr int kBiometricData =
    static_cast<int>(record::FieldId::kBiometricData);
constexpr int kSecurityBlock =
    static_cast<int>(record::FieldId::kSecurityBlock);

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
  const bool block = part == kBiometricData || part == kSecurityBlock;
  const Row* old_row = FindRow(walk.Rows(), part, element);
  if (!block && old_row) {
    // The field's bytes as the library writes them, from a record of the
    // same fields without blocks: a field's bytes do not depend on them.
    RecordFields small = fields;
    small.bir.BiometricData.clear();
    small.bir.SecurityBlock.clear();
    CheckedRecord checked = Encode(small);
    if (std::string why = Refusal(checked, part); !why.empty()) {
      throw EditError(why);
    }
    const Walk small_walk(checked.bytes);
    const Row* new_row = FindRow(small_walk.Rows(), part, element);
    if (new_row && new_row->length == old_row->length) {
      const auto from =
          checked.bytes.begin() + static_cast<std::ptrdiff_t>(new_row->offset);
      FieldEdit edit;
      edit.offset = old_row->offset;
      if (std::equal(from, from + static_cast<std::ptrdiff_t>(new_row->length),
                     data + old_row->offset)) {
        return edit;
      }
      edit.kind = FieldEdit::Kind::kInPlace;
      edit.bytes.assign(from,
                        from + static_cast<std::ptrdiff_t>(new_row->length));
      return edit;
    }
  }
  // The field changes width or presence: encode the record again, its blocks
  // as they stand unless one of them is the edited part.
  RecordFields standing = ReadFields(data, size);
  if (part != kBiometricData) {
    fields.bir.BiometricData = std::move(standing.bir.BiometricData);
  }
  if (part != kSecurityBlock) {
    fields.bir.SecurityBlock = std::move(standing.bir.SecurityBlock);
    fields.has_security_block = standing.has_security_block;
  }
  CheckedRecord checked = Encode(fields);
  if (std::string why = Refusal(checked, part); !why.empty()) {
    throw EditError(why);
  }
  FieldEdit edit;
  if (checked.bytes.size() == size &&
      std::equal(checked.bytes.begin(), checked.bytes.end(), data)) {
    return edit;
  }
  edit.kind = FieldEdit::Kind::kReencode;
  edit.bytes = std::move(checked.bytes);
  edit.changes = walk.Verdict().changes;
  return edit;
}

}  // namespace inspect
}  // namespace BioAPI_Data
