// Field-by-field comparison of records, for tests.
#ifndef BIOAPI_DATA_TESTS_BIR_EXPECTATIONS_H_
#define BIOAPI_DATA_TESTS_BIR_EXPECTATIONS_H_

#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "bioapi_data/bir.h"

namespace BioAPI_Data {
namespace testing {

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

inline bool SameTms(const std::vector<std::tm>& a,
                    const std::vector<std::tm>& b, bool recorded_only) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (recorded_only ? !SameRecordedTm(a[i], b[i]) : !SameTm(a[i], b[i]))
      return false;
  }
  return true;
}

/// Expects every one of the thirty-five fields to be equal; with
/// `recorded_only`, date-times are compared on the six recorded members.
inline void ExpectSameRecord(const BIR& a, const BIR& b,
                             bool recorded_only = false) {
  auto same_tm = [&](const std::tm& x, const std::tm& y) {
    return recorded_only ? SameRecordedTm(x, y) : SameTm(x, y);
  };
  EXPECT_EQ(a.NativeFormatOwner, b.NativeFormatOwner);
  EXPECT_EQ(a.NativeFormatType, b.NativeFormatType);
  EXPECT_EQ(a.FixedWord3, b.FixedWord3);
  EXPECT_EQ(a.FixedWord4, b.FixedWord4);
  EXPECT_EQ(a.RecordFormat, b.RecordFormat);
  EXPECT_EQ(a.HeaderVersion, b.HeaderVersion);
  EXPECT_EQ(a.HeaderRevision, b.HeaderRevision);
  EXPECT_EQ(a.BDBFormat, b.BDBFormat);
  EXPECT_EQ(a.EncryptionOption, b.EncryptionOption);
  EXPECT_EQ(a.IntegrityOption, b.IntegrityOption);
  EXPECT_EQ(a.BDBBiometricType, b.BDBBiometricType);
  EXPECT_EQ(a.BDBBiometricSubtype, b.BDBBiometricSubtype);
  EXPECT_EQ(a.RegisteredId1, b.RegisteredId1);
  EXPECT_EQ(a.RegisteredId2, b.RegisteredId2);
  EXPECT_EQ(a.RegisteredId3, b.RegisteredId3);
  EXPECT_EQ(a.RegisteredId4, b.RegisteredId4);
  EXPECT_EQ(a.RegisteredId5, b.RegisteredId5);
  EXPECT_EQ(a.OctetString1, b.OctetString1);
  EXPECT_TRUE(same_tm(a.BDBCreationDate, b.BDBCreationDate));
  EXPECT_EQ(a.OctetString2, b.OctetString2);
  EXPECT_EQ(a.BDBProcessedLevel, b.BDBProcessedLevel);
  EXPECT_EQ(a.RegisteredId6, b.RegisteredId6);
  EXPECT_EQ(a.BDBPurpose, b.BDBPurpose);
  EXPECT_EQ(a.BDBQuality, b.BDBQuality);
  EXPECT_EQ(a.RegisteredId7, b.RegisteredId7);
  EXPECT_TRUE(SameTms(a.BDBValidityPeriod, b.BDBValidityPeriod, recorded_only));
  EXPECT_TRUE(same_tm(a.BIRCreationDate, b.BIRCreationDate));
  EXPECT_EQ(a.OctetString3, b.OctetString3);
  EXPECT_EQ(a.OctetString4, b.OctetString4);
  EXPECT_EQ(a.OctetString5, b.OctetString5);
  EXPECT_EQ(a.OctetString6, b.OctetString6);
  EXPECT_TRUE(SameTms(a.BIRValidityPeriod, b.BIRValidityPeriod, recorded_only));
  EXPECT_EQ(a.RegisteredId8, b.RegisteredId8);
  EXPECT_EQ(a.BiometricData, b.BiometricData);
  EXPECT_EQ(a.SecurityBlock, b.SecurityBlock);
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_BIR_EXPECTATIONS_H_
