// Shared value types and the exception's message table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "bioapi_data/types.h"

namespace BioAPI_Data {
namespace {

constexpr const char* kDefaultText = "BioAPI Error - Error not identified";

// Every key of the message table with its text, as known answers.
struct KnownText {
  int key;
  const char* text;
};
constexpr KnownText kTable[] = {
    {0x101, "BioAPI Internal Error"},
    {0x102, "BioAPI Memory Error"},
    {0x103, "BioAPI Error: Invalid Pointer"},
    {0x104, "BioAPI Error: Invalid Input Pointer"},
    {0x105, "BioAPI Error: Invalid Output Pointer"},
    {0x106, "BioAPI Error: Function Not Supported"},
    {0x107, "BioAPI Error: Access Denied"},
    {0x108, "BioAPI Error: Function Failed"},
    {0x109, "BioAPI Error: Invalid Uuid"},
    {0x10A, "BioAPI Error: Incompatible Version"},
    {0x10B, "BioAPI Error: Invalid Data"},
    {0x10C, "BioAPI Error: Unable To Capture"},
    {0x10D, "BioAPI Error: Too Many Handles"},
    {0x10E, "BioAPI Error: Timeout Expired"},
    {0x10F, "BioAPI Error: Invalid Bir"},
    {0x110, "BioAPI Error: Bir Signature Failure"},
    {0x111, "BioAPI Error: Unable To Store Additional Data"},
    {0x112, "BioAPI Error: No Input Birs"},
    {0x113, "BioAPI Error: Unsupported Format"},
    {0x114, "BioAPI Error: Unable To Import"},
    {0x115, "BioAPI Error: Inconsistent Purpose"},
    {0x116, "BioAPI Error: Bir Not Fully Processed"},
    {0x117, "BioAPI Error: Purpose Not Supported"},
    {0x118, "BioAPI Error: User Cancelled"},
    {0x119, "BioAPI Error: Unit In Use"},
    {0x11A, "BioAPI Error: Invalid Bsp Handle"},
    {0x11B, "BioAPI Error: Framework Not Initialized"},
    {0x11C, "BioAPI Error: Invalid Bir Handle"},
    {0x11D, "BioAPI Error: Calibration Not Successful"},
    {0x11E, "BioAPI Error: Preset Bir Does Not Exist"},
    {0x11F, "BioAPI Error: Decryption Failure"},
    {0x201, "BioAPI Error: Component File Referenced Not Found"},
    {0x202, "BioAPI Error: Bsp Load Fail"},
    {0x203, "BioAPI Error: Bsp Not Loaded"},
    {0x204, "BioAPI Error: Unit Not Inserted"},
    {0x205, "BioAPI Error: Invalid Unit ID"},
    {0x206, "BioAPI Error: Invalid Category"},
    {0x300, "BioAPI Error: Invalid Db Handle"},
    {0x301, "BioAPI Error: Unable To Open Database"},
    {0x302, "BioAPI Error: Database Is Locked"},
    {0x303, "BioAPI Error: Database Does Not Exist"},
    {0x304, "BioAPI Error: Database Already Exists"},
    {0x305, "BioAPI Error: Invalid Database Name"},
    {0x306, "BioAPI Error: Record Not Found"},
    {0x307, "BioAPI Error: Marker Handle Is Invalid"},
    {0x308, "BioAPI Error: Database Is Open"},
    {0x309, "BioAPI Error: Invalid Access Request"},
    {0x30A, "BioAPI Error: End Of Database"},
    {0x30B, "BioAPI Error: Unable To Create Database"},
    {0x30C, "BioAPI Error: Unable To Close Database"},
    {0x30D, "BioAPI Error: Unable To Delete Database"},
    {0x30E, "BioAPI Error: Database Is Corrupt"},
    {0x400, "BioAPI Error: Location Error"},
    {0x401, "BioAPI Error: Out Of Frame"},
    {0x402, "BioAPI Error: Invalid Crosswise Position"},
    {0x403, "BioAPI Error: Invalid Lengthwise Position"},
    {0x404, "BioAPI Error: Invalid Distance"},
    {0x405, "BioAPI Error: Location Too Right"},
    {0x406, "BioAPI Error: Location Too Left"},
    {0x407, "BioAPI Error: Location Too High"},
    {0x408, "BioAPI Error: Location Too Low"},
    {0x409, "BioAPI Error: Location Too Far"},
    {0x40A, "BioAPI Error: Location Too Near"},
    {0x40B, "BioAPI Error: Location Too Forward"},
    {0x40C, "BioAPI Error: Location Too Backward"},
    {0x501, "BioAPI Error: Quality Error"},
    {0x502, "BioAPI Error: BFP Error"},
    {0x503, "BioAPI Error: Invalid Parameter"},
    {0x504, "BioAPI Error: Area To Right"},
    {0x505, "BioAPI Error: Area To Left"},
    {0x506, "BioAPI Error: Area To Forward"},
    {0x507, "BioAPI Error: Area To Backward"},
    {0x508, "BioAPI Error: Presentation Attack Detected"},
};

std::string Composed(const char* text, const char* source) {
  return std::string(text) + ". (Source: " + source;
}

TEST(BioAPIExceptionTest, EveryTableKeyHasItsText) {
  ASSERT_EQ(std::size(kTable), 73u);
  for (const auto& row : kTable) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(BioAPIException(row.key).what(),
              Composed(row.text, "Framework)."));
    // The top byte never changes the text.
    EXPECT_EQ(BioAPIException(0x02000000 | row.key).what(),
              Composed(row.text, "Unit)."));
  }
}

TEST(BioAPIExceptionTest, KeysBesideTheGroupsTakeTheDefaultText) {
  for (int key : {0x0, 0x1, 0x100, 0x120, 0x200, 0x207, 0x2FF, 0x30F, 0x3FF,
                  0x40D, 0x500, 0x509, 0xFFFFFF}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(BioAPIException(key).what(),
              Composed(kDefaultText, "Framework)."));
  }
  EXPECT_EQ(BioAPIException(0x300).what(),
            Composed("BioAPI Error: Invalid Db Handle", "Framework)."));
  EXPECT_EQ(BioAPIException(0x400).what(),
            Composed("BioAPI Error: Location Error", "Framework)."));
}

TEST(BioAPIExceptionTest, BareCodeTakesItsFacilityFromTheTopByte) {
  struct Case {
    int code;
    Facility facility;
    const char* message;
  };
  const Case cases[] = {
      {0x00000101, Framework, "BioAPI Internal Error. (Source: Framework)."},
      {0x01000102, BSP, "BioAPI Memory Error. (Source: BSP)."},
      {0x02000204, Unit, "BioAPI Error: Unit Not Inserted. (Source: Unit)."},
      {0x03000101, Framework, "BioAPI Internal Error. (Source: Framework)."},
      {-1, Framework,
       "BioAPI Error - Error not identified. (Source: Framework)."},
      {static_cast<int>(0x8100010Bu), Framework,
       "BioAPI Error: Invalid Data. (Source: Framework)."},
      {0, Framework,
       "BioAPI Error - Error not identified. (Source: Framework)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    BioAPIException e(c.code);
    EXPECT_STREQ(e.what(), c.message);
    EXPECT_EQ(e.GetFacility(), c.facility);
    EXPECT_EQ(e.GetCode(), c.code);
  }
}

TEST(BioAPIExceptionTest, GivenFacilityWinsOverTheTopByte) {
  BioAPIException e(BSP, 0x0200010B);
  EXPECT_STREQ(e.what(), "BioAPI Error: Invalid Data. (Source: BSP).");
  EXPECT_EQ(e.GetFacility(), BSP);
  EXPECT_EQ(e.GetCode(), 0x0200010B);

  EXPECT_STREQ(BioAPIException(Framework, 0x10B).what(),
               "BioAPI Error: Invalid Data. (Source: Framework).");
  EXPECT_STREQ(BioAPIException(Unit, 0x10B).what(),
               "BioAPI Error: Invalid Data. (Source: Unit).");
  BioAPIException undefined(static_cast<Facility>(3), 0x10B);
  EXPECT_STREQ(undefined.what(),
               "BioAPI Error: Invalid Data. (Source: Not defined).");
  EXPECT_EQ(static_cast<int>(undefined.GetFacility()), 3);
  EXPECT_STREQ(BioAPIException(static_cast<Facility>(-7), 0).what(),
               "BioAPI Error - Error not identified. (Source: Not defined).");
}

TEST(BioAPIExceptionTest, GivenMessageIsTakenExactly) {
  BioAPIException e(Unit, 0x10B, "exactly this");
  EXPECT_STREQ(e.what(), "exactly this");
  EXPECT_EQ(e.GetFacility(), Unit);
  EXPECT_EQ(e.GetCode(), 0x10B);
  EXPECT_STREQ(BioAPIException(BSP, 1, "").what(), "");
}

TEST(BioAPIExceptionTest, CopyAndAssignmentCarryEverything) {
  const BioAPIException source(0x01000102);
  BioAPIException copy(source);
  EXPECT_STREQ(copy.what(), source.what());
  EXPECT_EQ(copy.GetFacility(), BSP);
  EXPECT_EQ(copy.GetCode(), 0x01000102);

  BioAPIException target(Unit, 7, std::string(500, 'x'));
  target = source;
  EXPECT_STREQ(target.what(), "BioAPI Memory Error. (Source: BSP).");
  EXPECT_EQ(target.GetFacility(), BSP);
  EXPECT_EQ(target.GetCode(), 0x01000102);

  BioAPIException& alias = target;
  target = alias;
  EXPECT_STREQ(target.what(), "BioAPI Memory Error. (Source: BSP).");
}

TEST(BioAPIExceptionTest, WhatThroughTheStandardBase) {
  BioAPIException e(0x02000204);
  const std::exception& base = e;
  EXPECT_STREQ(base.what(), e.what());
  const std::exception* pointer = &e;
  EXPECT_STREQ(pointer->what(), e.what());
}

TEST(BioAPIExceptionTest, ThrownByPointerAndCaughtAsStandardPointer) {
  try {
    throw new BioAPIException(Unit, 0x10B);
  } catch (std::exception* e) {
    EXPECT_STREQ(e->what(), "BioAPI Error: Invalid Data. (Source: Unit).");
    delete e;
  }
}

TEST(SharedTypesTest, RegistryIDKeepsEveryValue) {
  const RegistryID zero{};
  EXPECT_EQ(zero.Owner, 0);
  EXPECT_EQ(zero.Type, 0);
  RegistryID negative{static_cast<std::int16_t>(0x8000), -1};
  RegistryID copy = negative;
  RegistryID moved{1, 2};
  moved = std::move(copy);
  EXPECT_EQ(moved.Owner, -32768);
  EXPECT_EQ(moved.Type, -1);
  EXPECT_EQ(copy, negative);  // a move leaves the source as it was
  EXPECT_NE(moved, zero);
  static_assert(std::is_aggregate_v<RegistryID>);
  static_assert(sizeof(RegistryID) == 4);
}

TEST(SharedTypesTest, BioAPIDataSharesTheBytes) {
  unsigned char bytes[3] = {1, 2, 3};
  BioAPIData a{bytes, 3};
  BioAPIData b{nullptr, 0};
  b = std::move(a);
  EXPECT_EQ(a.Data, bytes);
  EXPECT_EQ(b.Data, bytes);
  EXPECT_EQ(a.Length, 3u);
  EXPECT_EQ(b.Length, 3u);
  bytes[1] = 9;
  EXPECT_EQ(a.Data[1], 9);
  EXPECT_EQ(b.Data[1], 9);
}

TEST(SharedTypesTest, EnumerationsAreIntsAndKeepAnyValue) {
  static_assert(std::is_same_v<std::underlying_type_t<Facility>, int>);
  static_assert(std::is_same_v<std::underlying_type_t<BiometricType>, int>);
  static_assert(
      std::is_same_v<std::underlying_type_t<SecurityOptionsType>, int>);
  static_assert(sizeof(Purpose) == 4);
  static_assert(Facility::Unit == BioAPI_Data::Unit);
  static_assert(static_cast<int>(BiometricType::Fingerprint) == 0x08);
  static_assert(static_cast<int>(Purpose::Verify) == 1);
  const auto unnamed = static_cast<BiometricType>(1000);
  BiometricType copy = unnamed;
  EXPECT_EQ(static_cast<int>(copy), 1000);
}

}  // namespace
}  // namespace BioAPI_Data
