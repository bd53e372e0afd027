// Field-by-field comparison of records, for the tests and the fuzz targets
// (no test framework needed). It walks the record layout's table of members,
// one of the private tables that the tests read.
#ifndef BIOAPI_DATA_TESTS_BIR_COMPARISON_H_
#define BIOAPI_DATA_TESTS_BIR_COMPARISON_H_

#include <cstddef>
#include <ctime>
#include <tuple>
#include <type_traits>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace testing {

/// Which members of a date-time a comparison looks at.
enum class DateTimeMembers {
  kAll,       ///< all nine members of `std::tm`
  kRecorded,  ///< the six members that a record carries
};

/// True when the six members that a record carries are equal.
inline bool SameRecordedTm(const std::tm& a, const std::tm& b) {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon &&
         a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
         a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

/// True when all nine members are equal.
inline bool SameTm(const std::tm& a, const std::tm& b) {
  return SameRecordedTm(a, b) && a.tm_wday == b.tm_wday &&
         a.tm_yday == b.tm_yday && a.tm_isdst == b.tm_isdst;
}

/// True when `a` and `b` are equal on the given members.
inline bool SameTm(const std::tm& a, const std::tm& b,
                   DateTimeMembers members) {
  return members == DateTimeMembers::kRecorded ? SameRecordedTm(a, b)
                                               : SameTm(a, b);
}

/// True when both sequences have the same length and equal elements.
inline bool SameTms(const std::vector<std::tm>& a,
                    const std::vector<std::tm>& b, DateTimeMembers members) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!SameTm(a[i], b[i], members)) return false;
  }
  return true;
}

/// True when two members of a record are equal, date-times on `members`.
template <class T>
bool SameMember(const T& a, const T& b, DateTimeMembers members) {
  if constexpr (std::is_same_v<T, std::tm>) {
    return SameTm(a, b, members);
  } else if constexpr (std::is_same_v<T, std::vector<std::tm>>) {
    return SameTms(a, b, members);
  } else {
    return a == b;
  }
}

/// Names the first field in which `a` and `b` differ, or returns null when
/// none does: the four words that travel only inside the object, then every
/// field of the record layout's table, so that a field added to the table is
/// compared too. Tests write `EXPECT_EQ(FirstDifference(a, b), nullptr)`; a
/// fuzz target aborts on a name.
inline const char* FirstDifference(
    const BIR& a, const BIR& b,
    DateTimeMembers members = DateTimeMembers::kAll) {
  if (a.NativeFormatOwner != b.NativeFormatOwner) return "NativeFormatOwner";
  if (a.NativeFormatType != b.NativeFormatType) return "NativeFormatType";
  if (a.FixedWord3 != b.FixedWord3) return "FixedWord3";
  if (a.FixedWord4 != b.FixedWord4) return "FixedWord4";
  const char* different = nullptr;
  std::apply(
      [&](const auto&... member) {
        // In record order; the first difference stops the comparison.
        ((different == nullptr &&
                  !SameMember(a.*(member.pointer), b.*(member.pointer), members)
              ? (different =
                     record::LayoutOf(std::decay_t<decltype(member)>::id).name)
              : nullptr),
         ...);
      },
      record::kMembers);
  return different;
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_BIR_COMPARISON_H_
