#include "reencoding.h"

#include <cstdint>
#include <cstdio>

#include "bir/record_layout.h"

namespace bir_tool {
namespace {

namespace record = BioAPI_Data::record;

// A security option is any non-zero byte; the encoder writes 1.
void NoteOptionByte(const char* name, unsigned char value,
                    std::vector<std::string>& changes) {
  if (value <= 1) return;
  char text[64];
  std::snprintf(text, sizeof text, "%s byte 0x%02X written as 0x01", name,
                value);
  changes.push_back(text);
}

// What the encoder does with an optional field whose bit is `present` and
// whose decoded value it writes or not by its presence rule.
std::string OptionalFieldChange(const record::FieldLayout& field,
                                bool present) {
  const std::string name = field.name;
  if (!present) return name + " added (always written)";
  switch (field.presence) {
    case record::Presence::kBothHalvesNonZero:
      return name + " with a zero half left out";
    case record::Presence::kNotEmpty:
      return "empty " + name + " left out";
    default:
      return name + " left out";
  }
}

}  // namespace

std::vector<std::string> ReencodingChanges(
    const std::vector<unsigned char>& bytes, const WalkedRecord& walked) {
  std::vector<std::string> changes;
  for (FieldId option :
       {FieldId::kEncryptionOption, FieldId::kIntegrityOption}) {
    const record::FieldLayout& layout = record::LayoutOf(option);
    NoteOptionByte(layout.name, bytes[layout.offset], changes);
  }
  if ((walked.presence >> record::kOptionalFieldCount) != 0) {
    changes.push_back("presence bits 23-31 cleared");
  }
  record::ForEachOptionalField(
      walked.bir, [&](const record::FieldLayout& field, const auto& member) {
        const bool present = ((walked.presence >> field.bit) & 1u) != 0;
        if (present != record::IsPresent(field.presence, member)) {
          changes.push_back(OptionalFieldChange(field, present));
        }
      });
  if (walked.Has(FieldId::kSecurityBlock) && walked.bir.SecurityBlock.empty()) {
    changes.push_back("empty SecurityBlock left out");
  }
  if (walked.End() < walked.size) {
    const std::size_t n = walked.size - walked.End();
    changes.push_back(std::to_string(n) + (n == 1 ? " byte" : " bytes") +
                      " after the last field dropped");
  }
  return changes;
}

}  // namespace bir_tool
