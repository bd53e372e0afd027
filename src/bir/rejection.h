// Why the decoding walk rejects a record, and the one wording of it.
//
// The walk's observers follow the parts as they are read (`PartTracker`);
// when a check fails, the tracker says which part the check refers to
// (`RejectionFacts`). The library's decoder hands the facts to the C
// interface, the inspection library to its `Rejection`; both word them with
// `DescribeRejection`.
#ifndef BIOAPI_DATA_BIR_REJECTION_H_
#define BIOAPI_DATA_BIR_REJECTION_H_

#include <cstddef>
#include <string>

#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace record {

/// Where and why the walk rejected a record.
struct RejectionFacts {
  std::size_t offset = 0;  ///< Where the failing check looked.
  bool has_part = false;   ///< False before the first part (an empty input).
  FieldId part = FieldId::kRecordFormat;  ///< The part read or just read.
  std::size_t part_offset = 0;            ///< Where that part begins.
  bool inside_part = true;      ///< True when the part was not read to its end.
  const char* check = nullptr;  ///< The condition that does not hold (static).

  /// The part's name (static), or nullptr before the first part.
  const char* PartName() const {
    return has_part ? LayoutOf(part).name : nullptr;
  }
};

/// Follows the walk's `Begin` and `End` so that a failing check can name the
/// part it refers to: the part being read, or else the one just read (a
/// check made after a part was read refers to that part as a whole). The
/// walk ends each part before it begins the next, so the last part begun is
/// the one being read or the one just read.
class PartTracker {
 public:
  void Begin(FieldId id, std::size_t offset) {
    state_ = State::kReading;
    id_ = id;
    begin_ = offset;
  }
  void End() { state_ = State::kRead; }

  /// The part being read (valid between Begin and End) and where it begins.
  FieldId OpenPart() const { return id_; }
  std::size_t OpenPartBegin() const { return begin_; }

  /// The facts of check `check` failing at `offset`.
  RejectionFacts At(std::size_t offset, const char* check) const {
    RejectionFacts facts;
    facts.check = check;
    facts.offset = offset;
    if (state_ == State::kNone) return facts;
    facts.has_part = true;
    facts.part = id_;
    facts.part_offset = begin_;
    if (state_ == State::kRead) {
      facts.offset = begin_;
      facts.inside_part = false;
    }
    return facts;
  }

 private:
  enum class State : unsigned char { kNone, kReading, kRead };
  State state_ = State::kNone;
  FieldId id_ = FieldId::kRecordFormat;
  std::size_t begin_ = 0;
};

/// Words a rejection, e.g. `rejected at offset 4 (TotalLength): check "total
/// length equals the size of the record" failed`; `part_name` null before the
/// first part. The one wording that every surface shows.
inline std::string DescribeRejection(std::size_t offset, const char* part_name,
                                     std::size_t part_offset, bool inside_part,
                                     const char* check) {
  const char* name = part_name != nullptr ? part_name : "record";
  std::string where = "rejected at offset " + std::to_string(offset) + " (";
  if (inside_part && offset != part_offset) {
    where += std::string("in ") + name + ", which begins at " +
             std::to_string(part_offset);
  } else {
    where += name;
  }
  return where + "): check \"" + check + "\" failed";
}

/// Words `facts` as DescribeRejection does.
inline std::string Describe(const RejectionFacts& facts) {
  return DescribeRejection(facts.offset, facts.PartName(), facts.part_offset,
                           facts.inside_part, facts.check);
}

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_REJECTION_H_
