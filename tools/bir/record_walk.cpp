#include "record_walk.h"

#include <cstring>

#include "bir/byte_order.h"
#include "bir/record_reader.h"

namespace bir_tool {
namespace {

// Notes each field the walk reads. On a failed check it throws the check and
// its place, which the walk's caller turns into the record's rejection.
class NotingObserver {
 public:
  explicit NotingObserver(std::vector<FieldSpan>& fields) : fields_(fields) {}

  [[noreturn]] void Fail(std::size_t offset, const char* check) {
    // A check made after a field was read refers to that field as a whole.
    if (open_name_ != nullptr) {
      throw Rejection{offset, open_name_, open_begin_, true, check};
    }
    if (fields_.empty()) throw Rejection{offset, "record", 0, true, check};
    const FieldSpan& last = fields_.back();
    throw Rejection{last.begin, last.name, last.begin, false, check};
  }
  void Begin(const char* name, std::size_t offset) {
    open_name_ = name;
    open_begin_ = offset;
  }
  void End(std::size_t offset) {
    fields_.push_back(FieldSpan{open_name_, open_begin_, offset});
    open_name_ = nullptr;
  }

 private:
  std::vector<FieldSpan>& fields_;
  const char* open_name_ = nullptr;
  std::size_t open_begin_ = 0;
};

}  // namespace

std::string Describe(const Rejection& r) {
  std::string where = "rejected at offset " + std::to_string(r.offset) + " (";
  if (r.inside_field && r.offset != r.field_begin) {
    where += std::string("in ") + r.field + ", which begins at " +
             std::to_string(r.field_begin);
  } else {
    where += r.field;
  }
  return where + "): check \"" + r.check + "\" failed";
}

std::size_t WalkedRecord::End() const {
  return fields.empty() ? 0 : fields.back().end;
}

bool WalkedRecord::Has(const char* name) const {
  for (const FieldSpan& f : fields) {
    if (std::strcmp(f.name, name) == 0) return true;
  }
  return false;
}

WalkedRecord WalkRecord(const std::vector<unsigned char>& bytes) {
  namespace record = BioAPI_Data::record;
  WalkedRecord walked;
  walked.size = bytes.size();
  NotingObserver observer(walked.fields);
  try {
    const record::BlockSpan bdb =
        record::ReadRecord(bytes.data(), bytes.size(), walked.bir, observer);
    walked.bir.BiometricData.assign(bytes.data() + bdb.offset,
                                    bytes.data() + bdb.offset + bdb.size);
  } catch (const Rejection& rejection) {
    walked.rejection = rejection;
  }
  for (const FieldSpan& f : walked.fields) {
    if (std::strcmp(f.name, "PresenceBitmap") == 0) {
      walked.presence =
          static_cast<std::uint32_t>(record::LoadLE32(bytes.data() + f.begin));
    }
  }
  return walked;
}

}  // namespace bir_tool
