// The check and the walk of a record, and the names of its parts.
#include "bioapi_data/inspect.h"

#include <stdexcept>

#include "common/enumeration_names.h"
#include "inspect/walk.h"

namespace BioAPI_Data {
namespace inspect {

namespace {

// The words of the row kinds, by BIOAPI_ROW_KIND_ number: the one place that
// names them for C++, C, Python and the page.
constexpr const char* kRowKindNames[] = {
    nullptr, "header", "number", "bool",  "enum",
    "id",    "bytes",  "date",   "block", "trailing",
};
static_assert(sizeof(kRowKindNames) / sizeof(kRowKindNames[0]) ==
                  BIOAPI_ROW_KIND_TRAILING + 1,
              "one word per row kind");

// The verdict on the record `data` that the walk `walked` read: its
// rejection, or what re-encoding it changes.
Check VerdictOf(const unsigned char* data, const detail::WalkedRecord& walked) {
  Check check;
  if (walked.Accepted()) {
    check.changes = detail::ReencodingChanges(data, walked);
  } else {
    check.rejection = walked.rejection;
  }
  return check;
}

}  // namespace

const char* RowKindName(RowKind kind) {
  const auto n = static_cast<int>(kind);
  if (n < 1 || n > BIOAPI_ROW_KIND_TRAILING) return nullptr;
  return kRowKindNames[n];
}

PartInfo Part(int part) {
  static_assert(BIOAPI_RECORD_PART_COUNT == record::kFieldCount,
                "one record part per field of the layout");
  if (part < 0 || part >= BIOAPI_RECORD_PART_COUNT) {
    throw std::out_of_range("no record part " + std::to_string(part));
  }
  const auto id = static_cast<record::FieldId>(part);
  const record::FieldLayout& layout = record::LayoutOf(id);
  return PartInfo{layout.name, detail::BirFieldOf(id), detail::KindOf(id),
                  layout.bit};
}

const char* EnumeratorName(BiometricType value) { return names::NameOf(value); }
const char* EnumeratorName(BiometricSubtype value) {
  return names::NameOf(value);
}
const char* EnumeratorName(ProcessedLevel value) {
  return names::NameOf(value);
}
const char* EnumeratorName(Purpose value) { return names::NameOf(value); }
const char* EnumeratorName(Facility value) { return names::NameOf(value); }

Check CheckRecord(const unsigned char* data, std::size_t size) {
  return VerdictOf(data, detail::WalkRecord(data, size, false));
}

Walk::Walk(const unsigned char* data, std::size_t size) : size_(size) {
  const detail::WalkedRecord walked = detail::WalkRecord(data, size, true);
  check_ = VerdictOf(data, walked);
  rows_ = detail::DumpRows(data, walked);
}

}  // namespace inspect
}  // namespace BioAPI_Data
