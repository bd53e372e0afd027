#include "inspect/walk.h"

#include <array>
#include <type_traits>

namespace BioAPI_Data {
namespace inspect {
namespace detail {
namespace {

Rejection RejectionAt(std::size_t offset, std::optional<FieldId> id,
                      std::size_t begin, bool inside, const char* check) {
  return Rejection{offset,
                   id ? PartOf(*id) : -1,
                   id ? record::LayoutOf(*id).name : nullptr,
                   begin,
                   inside,
                   check};
}

// Notes where each part lies and the presence bit-map. On a failed check it
// throws the check and its place, which WalkRecord turns into the record's
// rejection.
class NotingObserver {
 public:
  NotingObserver(WalkedRecord& walked, bool keep_spans)
      : walked_(walked), keep_spans_(keep_spans) {}

  [[noreturn]] void Fail(std::size_t offset, const char* check) {
    // A check made after a part was read refers to that part as a whole.
    if (open_) throw RejectionAt(offset, open_id_, open_begin_, true, check);
    if (!any_) throw RejectionAt(offset, std::nullopt, 0, true, check);
    throw RejectionAt(last_begin_, last_id_, last_begin_, false, check);
  }
  void Begin(FieldId id, std::size_t offset) {
    open_ = true;
    open_id_ = id;
    open_begin_ = offset;
  }
  void End(std::size_t offset) {
    if (keep_spans_) {
      walked_.fields.push_back(FieldSpan{open_id_, open_begin_, offset});
    }
    if (open_id_ == FieldId::kSecurityBlock) walked_.has_security_block = true;
    any_ = true;
    last_id_ = open_id_;
    last_begin_ = open_begin_;
    walked_.end = offset;
    open_ = false;
  }
  void PresenceBitmap(std::uint32_t bits) { walked_.presence = bits; }

 private:
  WalkedRecord& walked_;
  bool keep_spans_;
  bool open_ = false;
  bool any_ = false;
  FieldId open_id_ = FieldId::kRecordFormat;
  std::size_t open_begin_ = 0;
  FieldId last_id_ = FieldId::kRecordFormat;
  std::size_t last_begin_ = 0;
};

// The bioapi_bir_field numbers: after the four that travel only inside the
// object, one per part that `BIR` holds, in part order (the C interface's
// field table asserts the same order).
constexpr int kFirstRecordFieldNumber = 5;

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

int BirFieldOf(FieldId id) {
  if (!record::LayoutOf(id).has_member) return -1;
  int number = kFirstRecordFieldNumber;
  for (const record::FieldLayout& f : record::kFields) {
    if (f.id == id) break;
    if (f.has_member) ++number;
  }
  return number;
}

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
  const char* name = field != nullptr ? field : "record";
  std::string where = "rejected at offset " + std::to_string(offset) + " (";
  if (inside_field && offset != field_offset) {
    where += std::string("in ") + name + ", which begins at " +
             std::to_string(field_offset);
  } else {
    where += name;
  }
  return where + "): check \"" + check + "\" failed";
}

}  // namespace inspect
}  // namespace BioAPI_Data
