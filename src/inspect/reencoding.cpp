// What encoding an accepted record again changes: the forms of the record
// that the library reads but never writes.
#include <cstdint>
#include <cstdio>

#include "bioapi_data/bioapi_inspect_c.h"
#include "inspect/walk.h"

namespace BioAPI_Data {
namespace inspect {
namespace detail {
namespace {

static_assert(BIOAPI_OPTIONAL_FIELD_COUNT == record::kOptionalFieldCount,
              "the C interface counts the optional fields of the layout");
static_assert(BIOAPI_PRESENCE_RESERVED_MASK ==
                  ~((std::uint32_t{1} << record::kOptionalFieldCount) - 1),
              "the reserved presence bits are those after the optional fields");

Change ChangeOf(ChangeKind kind, std::optional<FieldId> id, std::uint64_t value,
                std::string description) {
  return Change{kind, id ? PartOf(*id) : -1,
                id ? record::LayoutOf(*id).name : nullptr, value,
                std::move(description)};
}

// A security option is any non-zero byte; the encoder writes 1.
void NoteOptionByte(FieldId id, unsigned char value,
                    std::vector<Change>& changes) {
  if (value <= 1) return;
  char text[64];
  std::snprintf(text, sizeof text, "%s byte 0x%02X written as 0x01",
                record::LayoutOf(id).name, value);
  changes.push_back(ChangeOf(ChangeKind::kOptionByte, id, value, text));
}

// What the encoder does with an optional field whose bit is `present` and
// whose decoded value it writes or not by its presence rule.
Change OptionalFieldChange(const record::FieldLayout& field, bool present) {
  const std::string name = field.name;
  if (!present) {
    return ChangeOf(ChangeKind::kFieldAdded, field.id, 0,
                    name + " added (always written)");
  }
  std::string text;
  switch (field.presence) {
    case record::Presence::kBothHalvesNonZero:
      text = name + " with a zero half left out";
      break;
    case record::Presence::kNotEmpty:
      text = "empty " + name + " left out";
      break;
    default:
      text = name + " left out";
      break;
  }
  return ChangeOf(ChangeKind::kFieldLeftOut, field.id, 0, std::move(text));
}

}  // namespace

std::vector<Change> ReencodingChanges(const unsigned char* data,
                                      const WalkedRecord& walked) {
  std::vector<Change> changes;
  for (FieldId option :
       {FieldId::kEncryptionOption, FieldId::kIntegrityOption}) {
    NoteOptionByte(option, data[record::LayoutOf(option).offset], changes);
  }
  const std::uint32_t reserved =
      walked.presence & BIOAPI_PRESENCE_RESERVED_MASK;
  if (reserved != 0) {
    char text[64];
    std::snprintf(text, sizeof text, "presence bits %d-%d cleared",
                  BIOAPI_PRESENCE_FIRST_RESERVED_BIT, BIOAPI_PRESENCE_LAST_BIT);
    changes.push_back(ChangeOf(ChangeKind::kReservedBits,
                               FieldId::kPresenceBitmap, reserved, text));
  }
  record::ForEachOptionalField(
      walked.bir, [&](const record::FieldLayout& field, const auto& member) {
        const bool present = ((walked.presence >> field.bit) & 1u) != 0;
        if (present != record::IsPresent(field.presence, member)) {
          changes.push_back(OptionalFieldChange(field, present));
        }
      });
  if (walked.has_security_block && walked.bir.SecurityBlock.empty()) {
    changes.push_back(ChangeOf(ChangeKind::kFieldLeftOut,
                               FieldId::kSecurityBlock, 0,
                               "empty SecurityBlock left out"));
  }
  if (walked.end < walked.size) {
    const std::size_t n = walked.size - walked.end;
    changes.push_back(ChangeOf(ChangeKind::kTrailingBytes, std::nullopt, n,
                               std::to_string(n) +
                                   (n == 1 ? " byte" : " bytes") +
                                   " after the last field dropped"));
  }
  return changes;
}

}  // namespace detail
}  // namespace inspect
}  // namespace BioAPI_Data
