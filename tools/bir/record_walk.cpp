#include "record_walk.h"

#include "bir/record_reader.h"

namespace bir_tool {
namespace {

// Notes each field the walk reads and the presence bit-map. On a failed
// check it throws the check and its place, which the walk's caller turns
// into the record's rejection.
class NotingObserver {
 public:
  explicit NotingObserver(WalkedRecord& walked) : walked_(walked) {}

  [[noreturn]] void Fail(std::size_t offset, const char* check) {
    // A check made after a field was read refers to that field as a whole.
    if (open_) throw Rejection{offset, open_id_, open_begin_, true, check};
    if (walked_.fields.empty()) {
      throw Rejection{offset, std::nullopt, 0, true, check};
    }
    const FieldSpan& last = walked_.fields.back();
    throw Rejection{last.begin, last.id, last.begin, false, check};
  }
  void Begin(FieldId id, std::size_t offset) {
    open_ = true;
    open_id_ = id;
    open_begin_ = offset;
  }
  void End(std::size_t offset) {
    walked_.fields.push_back(FieldSpan{open_id_, open_begin_, offset});
    open_ = false;
  }
  void PresenceBitmap(std::uint32_t bits) { walked_.presence = bits; }

 private:
  WalkedRecord& walked_;
  bool open_ = false;
  FieldId open_id_ = FieldId::kRecordFormat;
  std::size_t open_begin_ = 0;
};

}  // namespace

std::string Describe(const Rejection& r) {
  const char* field = r.field ? NameOf(*r.field) : "record";
  std::string where = "rejected at offset " + std::to_string(r.offset) + " (";
  if (r.inside_field && r.offset != r.field_begin) {
    where += std::string("in ") + field + ", which begins at " +
             std::to_string(r.field_begin);
  } else {
    where += field;
  }
  return where + "): check \"" + r.check + "\" failed";
}

std::size_t WalkedRecord::End() const {
  return fields.empty() ? 0 : fields.back().end;
}

bool WalkedRecord::Has(FieldId id) const {
  for (const FieldSpan& f : fields) {
    if (f.id == id) return true;
  }
  return false;
}

WalkedRecord WalkRecord(const std::vector<unsigned char>& bytes) {
  namespace record = BioAPI_Data::record;
  WalkedRecord walked;
  walked.size = bytes.size();
  NotingObserver observer(walked);
  try {
    const record::BlockSpan bdb =
        record::ReadRecord(bytes.data(), bytes.size(), walked.bir, observer);
    walked.bir.BiometricData.assign(bytes.data() + bdb.offset,
                                    bytes.data() + bdb.offset + bdb.size);
  } catch (const Rejection& rejection) {
    walked.rejection = rejection;
  }
  return walked;
}

}  // namespace bir_tool
