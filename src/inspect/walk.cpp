#include "inspect/walk.h"

#include <array>
#include <type_traits>

#include "c_api/field_map.h"

namespace BioAPI_Data {
namespace inspect {
namespace detail {
namespace {

// Notes where each part lies and the presence bit-map. On a failed check it
// throws the check and its place, which WalkRecord turns into the record's
// rejection.
class NotingObserver {
 public:
  NotingObserver(WalkedRecord& walked, bool keep_spans)
      : walked_(walked), keep_spans_(keep_spans) {}

  [[noreturn]] void Fail(std::size_t offset, const char* check) {
    const record::RejectionFacts facts = parts_.At(offset, check);
    throw Rejection{facts.offset,      facts.has_part ? PartOf(facts.part) : -1,
                    facts.PartName(),  facts.part_offset,
                    facts.inside_part, facts.check};
  }
  void Begin(FieldId id, std::size_t offset) { parts_.Begin(id, offset); }
  void End(std::size_t offset) {
    const FieldId id = parts_.OpenPart();
    if (keep_spans_) {
      walked_.fields.push_back(FieldSpan{id, parts_.OpenPartBegin(), offset});
    }
    if (id == FieldId::kSecurityBlock) walked_.has_security_block = true;
    walked_.end = offset;
    parts_.End();
  }
  void PresenceBitmap(std::uint32_t bits) { walked_.presence = bits; }

 private:
  WalkedRecord& walked_;
  bool keep_spans_;
  record::PartTracker parts_;
};

}  // namespace

WalkedRecord WalkRecord(const unsigned char* data, std::size_t size,
                        bool keep_spans) {
  WalkedRecord walked;
  walked.size = size;
  if (keep_spans) walked.fields.reserve(record::kFieldCount);
  NotingObserver observer(walked, keep_spans);
  try {
    walked.bdb = record::ReadRecord(data, size, walked.bir, observer);
  } catch (const Rejection& rejection) {
    walked.rejection = rejection;
  }
  return walked;
}

int BirFieldOf(FieldId id) { return c_api::PartFieldNumber(id); }

RowKind KindOf(FieldId id) {
  // Read from the members' types once: an enumeration and a number may share
  // an encoding.
  static const std::array<RowKind, record::kFieldCount> kinds = [] {
    std::array<RowKind, record::kFieldCount> table;
    table.fill(RowKind::kHeader);
    BIR bir;
    record::ForEachMemberField(bir, [&](const record::FieldLayout& field,
                                        const auto& member) {
      using Member = std::decay_t<decltype(member)>;
      RowKind& kind = table[static_cast<std::size_t>(field.id)];
      if (field.encoding == record::Encoding::kBlock) {
        kind = RowKind::kBlock;
      } else if constexpr (std::is_same_v<Member, bool>) {
        kind = RowKind::kBool;
      } else if constexpr (std::is_enum_v<Member>) {
        kind = RowKind::kEnum;
      } else if constexpr (std::is_same_v<Member, unsigned char>) {
        kind = RowKind::kNumber;
      } else if constexpr (std::is_same_v<Member, RegistryID>) {
        kind = RowKind::kRegistryId;
      } else if constexpr (std::is_same_v<Member, std::vector<unsigned char>>) {
        kind = RowKind::kBytes;
      } else {
        kind = RowKind::kDateTime;
      }
    });
    return table;
  }();
  return kinds[static_cast<std::size_t>(id)];
}

}  // namespace detail

std::string Rejection::Describe() const {
  return record::DescribeRejection(offset, field, field_offset, inside_field,
                                   check);
}

}  // namespace inspect
}  // namespace BioAPI_Data
