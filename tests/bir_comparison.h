// Field-by-field comparison of records, for the tests and the fuzz targets
// (no test framework needed).
#ifndef BIOAPI_DATA_TESTS_BIR_COMPARISON_H_
#define BIOAPI_DATA_TESTS_BIR_COMPARISON_H_

#include <cstddef>
#include <ctime>
#include <vector>

#include "bioapi_data/bir.h"

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

/// Names the first of the thirty-five fields in which `a` and `b` differ, or
/// returns null when none does. Tests write
/// `EXPECT_EQ(FirstDifference(a, b), nullptr)`; a fuzz target aborts on a name.
inline const char* FirstDifference(
    const BIR& a, const BIR& b,
    DateTimeMembers members = DateTimeMembers::kAll) {
#define BIOAPI_DATA_COMPARE(field, same) \
  if (!(same)) return #field
#define BIOAPI_DATA_EQUAL(field) BIOAPI_DATA_COMPARE(field, a.field == b.field)
#define BIOAPI_DATA_SAME_TM(field) \
  BIOAPI_DATA_COMPARE(field, SameTm(a.field, b.field, members))
#define BIOAPI_DATA_SAME_TMS(field) \
  BIOAPI_DATA_COMPARE(field, SameTms(a.field, b.field, members))
  BIOAPI_DATA_EQUAL(NativeFormatOwner);
  BIOAPI_DATA_EQUAL(NativeFormatType);
  BIOAPI_DATA_EQUAL(FixedWord3);
  BIOAPI_DATA_EQUAL(FixedWord4);
  BIOAPI_DATA_EQUAL(RecordFormat);
  BIOAPI_DATA_EQUAL(HeaderVersion);
  BIOAPI_DATA_EQUAL(HeaderRevision);
  BIOAPI_DATA_EQUAL(BDBFormat);
  BIOAPI_DATA_EQUAL(EncryptionOption);
  BIOAPI_DATA_EQUAL(IntegrityOption);
  BIOAPI_DATA_EQUAL(BDBBiometricType);
  BIOAPI_DATA_EQUAL(BDBBiometricSubtype);
  BIOAPI_DATA_EQUAL(RegisteredId1);
  BIOAPI_DATA_EQUAL(RegisteredId2);
  BIOAPI_DATA_EQUAL(RegisteredId3);
  BIOAPI_DATA_EQUAL(RegisteredId4);
  BIOAPI_DATA_EQUAL(RegisteredId5);
  BIOAPI_DATA_EQUAL(OctetString1);
  BIOAPI_DATA_SAME_TM(BDBCreationDate);
  BIOAPI_DATA_EQUAL(OctetString2);
  BIOAPI_DATA_EQUAL(BDBProcessedLevel);
  BIOAPI_DATA_EQUAL(RegisteredId6);
  BIOAPI_DATA_EQUAL(BDBPurpose);
  BIOAPI_DATA_EQUAL(BDBQuality);
  BIOAPI_DATA_EQUAL(RegisteredId7);
  BIOAPI_DATA_SAME_TMS(BDBValidityPeriod);
  BIOAPI_DATA_SAME_TM(BIRCreationDate);
  BIOAPI_DATA_EQUAL(OctetString3);
  BIOAPI_DATA_EQUAL(OctetString4);
  BIOAPI_DATA_EQUAL(OctetString5);
  BIOAPI_DATA_EQUAL(OctetString6);
  BIOAPI_DATA_SAME_TMS(BIRValidityPeriod);
  BIOAPI_DATA_EQUAL(RegisteredId8);
  BIOAPI_DATA_EQUAL(BiometricData);
  BIOAPI_DATA_EQUAL(SecurityBlock);
#undef BIOAPI_DATA_SAME_TMS
#undef BIOAPI_DATA_SAME_TM
#undef BIOAPI_DATA_EQUAL
#undef BIOAPI_DATA_COMPARE
  return nullptr;
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_BIR_COMPARISON_H_
