// The record model: construction, copies and field order.
#include <gtest/gtest.h>

#include <utility>

#include "bioapi_data/bir.h"
#include "bir_comparison.h"
#include "sample_records.h"

namespace BioAPI_Data {
namespace {

using testing::Bytes;
using testing::DateTime;

TEST(BIRModelTest, DefaultRecordHoldsTheNativeHeaderAndZeros) {
  const BIR bir;
  EXPECT_EQ(bir.NativeFormatOwner, 0x0101);
  EXPECT_EQ(bir.NativeFormatType, 0x0009);
  EXPECT_EQ(bir.FixedWord3, 0x0007);
  EXPECT_EQ(bir.FixedWord4, 0x001D);
  EXPECT_EQ(bir.RecordFormat, (RegistryID{0x0101, 0x0009}));
  EXPECT_EQ(bir.HeaderVersion, 0x30);
  EXPECT_EQ(bir.HeaderRevision, 0x01);
  EXPECT_EQ(bir.BDBFormat, RegistryID{});
  EXPECT_EQ(bir.RegisteredId8, RegistryID{});
  EXPECT_EQ(static_cast<int>(bir.BDBBiometricType), 0);
  EXPECT_EQ(bir.BDBQuality, 0);
  EXPECT_EQ(bir.BDBCreationDate.tm_year, 0);
  EXPECT_EQ(bir.BIRCreationDate.tm_isdst, 0);
  EXPECT_TRUE(bir.OctetString1.empty());
  EXPECT_TRUE(bir.BDBValidityPeriod.empty());
  EXPECT_TRUE(bir.BiometricData.empty());
  EXPECT_TRUE(bir.SecurityBlock.empty());
  EXPECT_EQ(testing::FirstDifference(BIR(bir), bir), nullptr);
}

TEST(BIRModelTest, FieldByFieldConstructorKeepsArgumentOrder) {
  const BIR bir = testing::FullRecord(4);
  EXPECT_EQ(bir.RecordFormat, (RegistryID{0x0101, 0x0009}));
  EXPECT_EQ(bir.HeaderVersion, 0x30);
  EXPECT_EQ(bir.HeaderRevision, 0x01);
  EXPECT_EQ(bir.BDBFormat, (RegistryID{0x0102, 0x0304}));
  EXPECT_TRUE(bir.EncryptionOption);
  EXPECT_FALSE(bir.IntegrityOption);
  EXPECT_EQ(static_cast<int>(bir.BDBBiometricType), 0x12345678);
  EXPECT_EQ(bir.BDBBiometricSubtype, BiometricSubtype::RingFinger);
  EXPECT_EQ(bir.RegisteredId1, (RegistryID{-1, -2}));
  EXPECT_EQ(bir.RegisteredId2, (RegistryID{3, 4}));
  EXPECT_EQ(bir.RegisteredId3, (RegistryID{5, 6}));
  EXPECT_EQ(bir.RegisteredId4, (RegistryID{7, 8}));
  EXPECT_EQ(bir.RegisteredId5, (RegistryID{9, 10}));
  EXPECT_EQ(bir.OctetString1, Bytes(5, 0x10));
  EXPECT_TRUE(testing::SameTm(bir.BDBCreationDate, DateTime(2021, 1)));
  EXPECT_EQ(bir.OctetString2, Bytes(6, 0x20));
  EXPECT_EQ(bir.BDBProcessedLevel, ProcessedLevel::Intermediate);
  EXPECT_EQ(bir.RegisteredId6, (RegistryID{11, 12}));
  EXPECT_EQ(bir.BDBPurpose, Purpose::EnrollForIdentificationOnly);
  EXPECT_EQ(bir.BDBQuality, 77);
  EXPECT_EQ(bir.RegisteredId7, (RegistryID{13, 14}));
  ASSERT_EQ(bir.BDBValidityPeriod.size(), 2u);
  EXPECT_TRUE(testing::SameTm(bir.BDBValidityPeriod[1], DateTime(2023, 3)));
  EXPECT_TRUE(testing::SameTm(bir.BIRCreationDate, DateTime(2024, 4)));
  EXPECT_EQ(bir.OctetString3, Bytes(7, 0x30));
  EXPECT_EQ(bir.OctetString4, Bytes(8, 0x40));
  EXPECT_EQ(bir.OctetString5, Bytes(9, 0x50));
  EXPECT_EQ(bir.OctetString6, Bytes(10, 0x60));
  ASSERT_EQ(bir.BIRValidityPeriod.size(), 2u);
  EXPECT_TRUE(testing::SameTm(bir.BIRValidityPeriod[0], DateTime(2025, 5)));
  EXPECT_EQ(bir.RegisteredId8, (RegistryID{15, 16}));
  EXPECT_EQ(bir.BiometricData, Bytes(4, 0x70));
  EXPECT_EQ(bir.SecurityBlock, Bytes(11, 0x80));
}

TEST(BIRModelTest, StoresValuesItDoesNotUnderstand) {
  BIR bir;
  bir.BDBBiometricType = static_cast<BiometricType>(1000);
  bir.BDBValidityPeriod = {DateTime(1, 1), DateTime(2, 2), DateTime(3, 3)};
  const BIR copy = bir;
  EXPECT_EQ(static_cast<int>(copy.BDBBiometricType), 1000);
  EXPECT_EQ(copy.BDBValidityPeriod.size(), 3u);
}

TEST(BIRModelTest, CopiesAreIndependent) {
  const BIR source = testing::FullRecord();
  BIR assigned;
  assigned = source;
  BIR constructed(source);
  assigned.BiometricData[0] ^= 0xFF;
  constructed.OctetString3.push_back(1);
  constructed.BIRValidityPeriod.clear();
  EXPECT_EQ(testing::FirstDifference(source, testing::FullRecord()), nullptr);

  BIR self = testing::FullRecord();
  BIR& alias = self;
  self = alias;
  EXPECT_EQ(testing::FirstDifference(self, testing::FullRecord()), nullptr);

  BIR moved_from = testing::FullRecord();
  BIR moved(std::move(moved_from));
  EXPECT_EQ(testing::FirstDifference(moved, testing::FullRecord()), nullptr);
}

}  // namespace
}  // namespace BioAPI_Data
