// Component schemas: where every constructor argument lands, the zero values
// of fields a constructor leaves unset, and the value semantics of copies and
// assignments.
#include "bioapi_data/schemas.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace BioAPI_Data {
namespace {

using UUID = std::array<unsigned char, 16>;

// Sixteen consecutive bytes from `first`: every seed used here gives a
// different UUID, so a UUID that lands in the wrong field is seen.
UUID Uuid(int first) {
  UUID uuid{};
  for (std::size_t i = 0; i < uuid.size(); ++i) {
    uuid[i] = static_cast<unsigned char>(first + static_cast<int>(i));
  }
  return uuid;
}

// `name`, a zero character, then `name` again: a copy that stops at the zero
// loses the tail and no longer compares equal.
std::string Text(const std::string& name) {
  std::string text = name;
  text.push_back('\0');
  text += name;
  return text;
}

// Every field of each class, copied into a tuple, so that whole objects can
// be compared and a mismatch is printed field by field.
auto Fields(const SecurityProfileType& p) {
  return std::make_tuple(p.SecurityOptions, p.ProfileData1, p.ProfileData2,
                         p.ProfileData3, p.Options, p.ProfileData4,
                         p.ProfileData5, p.ProfileData6);
}

auto Fields(const FrameworkSchema& s) {
  return std::make_tuple(s.FrameworkUUID(), s.FwDescription(), s.Path(),
                         s.SpecVersion(), s.ProductVersion(), s.Vendor(),
                         s.FwPropertyID(), s.FwProperty());
}

auto Fields(const BSPSchema& s) {
  return std::make_tuple(
      s.BSPUUID, s.BSPDescription, s.Path, s.SpecVersion, s.ProductVersion,
      s.Vendor, s.BSPSupportedFormats, s.Factors, s.Operations, s.Options,
      s.PayloadPolicy, s.MaxPayloadSize, s.DefaultVerifyTimeout,
      s.DefaultIdentifyTimeout, s.DefaultCaptureTimeout, s.DefaultEnrollTimeout,
      s.DefaultCalibrateTimeout, s.MaxBSPDbSize, s.MaxIdentify, s.ExtraValue,
      s.ExtraData, s.ExtraUUID, s.ExtraRegistryIDs, s.ExtraUUIDs);
}

auto Fields(const BFPSchema& s) {
  return std::make_tuple(s.BFPUUID, s.BFPCategory, s.BFPDescription, s.Path,
                         s.SpecVersion, s.ProductVersion, s.Vendor, s.ExtraData,
                         s.BFPSupportedFormats, s.Factors, s.BFPPropertyID,
                         s.BFPProperty);
}

auto Fields(const BFPListElement& e) {
  return std::make_tuple(e.BFPCategory, e.BFPUUID);
}

auto Fields(const UnitSchema& s) {
  std::vector<decltype(Fields(s.SecurityProfiles.front()))> profiles;
  for (const SecurityProfileType& profile : s.SecurityProfiles) {
    profiles.push_back(Fields(profile));
  }
  return std::make_tuple(
      s.BSPUUID, s.UnitManagerUUID, s.UnitID, s.UnitCategory, s.UnitProperties,
      s.VendorInformation, s.SupportedEvents, s.UnitPropertyID, s.UnitProperty,
      s.HardwareVersion, s.FirmwareVersion, s.SoftwareVersion,
      s.HardwareSerialNumber, s.AuthenticatedHardware, s.MaxBSPDbSize,
      s.MaxIdentify, profiles);
}

// Three objects per class: `Full` gives every argument a distinct value and
// every list several entries (duplicates and a value outside its enumeration
// included); `Short` differs in every field and holds one entry per list;
// `Empty` has empty texts and lists.
template <typename T>
struct Samples;

template <>
struct Samples<SecurityProfileType> {
  static SecurityProfileType Full() {
    return SecurityProfileType(
        {SecurityOptionsType::BIRMAC, SecurityOptionsType::ACBio,
         SecurityOptionsType::BIRMAC, static_cast<SecurityOptionsType>(1000)},
        {0x11, 0x00, 0x12}, {0x21, 0x00, 0x22}, {0x31, 0x00, 0x32},
        {BSPSchemaOptions::Payload, BSPSchemaOptions::Raw,
         BSPSchemaOptions::Payload},
        {0x41, 0x00, 0x42}, {0x51, 0x00, 0x52}, {0x61, 0x00, 0x62});
  }
  static SecurityProfileType Short() {
    return SecurityProfileType({SecurityOptionsType::BIRHash}, {0x71}, {0x72},
                               {0x73}, {BSPSchemaOptions::MOC}, {0x74}, {0x75},
                               {0x76});
  }
  static SecurityProfileType Empty() {
    return SecurityProfileType({}, {}, {}, {}, {}, {}, {}, {});
  }
};

template <>
struct Samples<FrameworkSchema> {
  static FrameworkSchema Full() {
    return FrameworkSchema(Uuid(0x10), Text("description"), Text("path"),
                           Text("BioAPI version"), Text("product version"),
                           Text(std::string(100, 'v')), Uuid(0x20),
                           {0xB1, 0x00, 0xB2});
  }
  static FrameworkSchema Short() {
    return FrameworkSchema(Uuid(0x90), "d", "p", "s", "r", "v", Uuid(0xA0),
                           {0xC1});
  }
  static FrameworkSchema Empty() {
    return FrameworkSchema(UUID{}, "", "", "", "", "", UUID{}, {});
  }
};

template <>
struct Samples<BSPSchema> {
  static BSPSchema Full() {
    return BSPSchema(Uuid(0x10), Text("description"), Text("path"),
                     Text("BioAPI version"), Text("product version"),
                     Text("vendor"), {{1, 2}, {-32768, 4}},
                     {BiometricType::Fingerprint, BiometricType::Iris,
                      static_cast<BiometricType>(1000)},
                     {BSPSchemaOperations::Verify, BSPSchemaOperations::Capture,
                      BSPSchemaOperations::Verify},
                     {BSPSchemaOptions::Raw, BSPSchemaOptions::MOC}, 1, 2, 3, 4,
                     5, 6, 7, 8, 9, 10, {0xE1, 0x00, 0xE2}, Uuid(0x20),
                     {{5, 6}, {7, 8}, {5, 6}}, {Uuid(0x30), Uuid(0x40)});
  }
  static BSPSchema Short() {
    return BSPSchema(Uuid(0x90), "d", "p", "s", "r", "v", {{9, 9}},
                     {BiometricType::Voice}, {BSPSchemaOperations::Enroll},
                     {BSPSchemaOptions::AppGUI}, 11, 12, 13, 14, 15, 16, 17, 18,
                     19, 20, {0xF1}, Uuid(0xA0), {{10, 10}}, {Uuid(0xB0)});
  }
  static BSPSchema Empty() { return BSPSchema(); }
};

template <>
struct Samples<BFPSchema> {
  static BFPSchema Full() {
    return BFPSchema(
        Uuid(0x10), UnitCategoryType::MatchingAlgorithm, Text("description"),
        Text("path"), Text("BioAPI version"), Text("product version"),
        Text("vendor"), {0xE1, 0x00, 0xE2}, {{1, 2}, {3, 4}},
        {BiometricType::Iris, BiometricType::Fingerprint, BiometricType::Iris},
        Uuid(0x20), {0xB1, 0x00, 0xB2});
  }
  static BFPSchema Short() {
    return BFPSchema(Uuid(0x90), UnitCategoryType::Sensor, "d", "p", "s", "r",
                     "v", {0xF1}, {{9, 9}}, {BiometricType::Voice}, Uuid(0xA0),
                     {0xC1});
  }
  static BFPSchema Empty() { return BFPSchema(); }
};

template <>
struct Samples<UnitSchema> {
  static UnitSchema Full() {
    return UnitSchema(Uuid(0x10), Uuid(0x20), -1, UnitCategoryType::Archive,
                      Uuid(0x30), Text("vendor information"),
                      {EventKind::Insert, EventKind::Fault, EventKind::Insert},
                      Uuid(0x40), {0xB1, 0x00, 0xB2}, Text("hardware"),
                      Text("firmware"), Text("software"), Text("serial number"),
                      true, 15, 16,
                      {Samples<SecurityProfileType>::Full(),
                       Samples<SecurityProfileType>::Short(),
                       Samples<SecurityProfileType>::Empty()});
  }
  static UnitSchema Short() {
    return UnitSchema(Uuid(0x90), Uuid(0xA0), 7, UnitCategoryType::Sensor,
                      Uuid(0xB0), "i", {EventKind::Removed}, Uuid(0xC0), {0xC1},
                      "h", "f", "s", "n", false, 25, 26,
                      {Samples<SecurityProfileType>::Short()});
  }
  static UnitSchema Empty() { return UnitSchema(); }
};

// Builds a T in storage filled with 0xA5 beforehand, so that a member that a
// constructor forgets to set shows up as non-zero instead of as the zero of
// fresh memory.
template <typename T>
class OnDirtyStorage {
 public:
  template <typename... Args>
  explicit OnDirtyStorage(Args&&... args) {
    std::memset(storage_, 0xA5, sizeof storage_);
    if constexpr (sizeof...(Args) == 0) {
      object_ = new (storage_) T;  // default-initialised: no zeroing first
    } else {
      object_ = new (storage_) T(std::forward<Args>(args)...);
    }
  }
  OnDirtyStorage(const OnDirtyStorage&) = delete;
  OnDirtyStorage& operator=(const OnDirtyStorage&) = delete;
  ~OnDirtyStorage() { object_->~T(); }

  const T& operator*() const { return *object_; }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
  T* object_ = nullptr;
};

// ---------------------------------------------------------------------------
// Value semantics, the same for every class with lists or texts.

template <typename T>
class SchemaValueTest : public ::testing::Test {};

using SchemaTypes = ::testing::Types<SecurityProfileType, FrameworkSchema,
                                     BSPSchema, BFPSchema, UnitSchema>;
TYPED_TEST_SUITE(SchemaValueTest, SchemaTypes);

TYPED_TEST(SchemaValueTest, CopiesAreIndependentOfTheirSource) {
  using S = Samples<TypeParam>;
  auto source = std::make_unique<TypeParam>(S::Full());
  const TypeParam constructed(*source);
  TypeParam assigned = S::Empty();
  assigned = *source;

  *source = S::Short();
  EXPECT_EQ(Fields(constructed), Fields(S::Full()));
  EXPECT_EQ(Fields(assigned), Fields(S::Full()));

  source.reset();
  EXPECT_EQ(Fields(constructed), Fields(S::Full()));
  EXPECT_EQ(Fields(assigned), Fields(S::Full()));
}

TYPED_TEST(SchemaValueTest, SelfAssignmentChangesNothing) {
  using S = Samples<TypeParam>;
  TypeParam value = S::Full();
  const TypeParam& same = value;
  value = same;
  EXPECT_EQ(Fields(value), Fields(S::Full()));
}

TYPED_TEST(SchemaValueTest, AssignmentLeavesExactlyTheSourcesFields) {
  using S = Samples<TypeParam>;
  const auto check = [](TypeParam target, const TypeParam& source) {
    target = source;
    EXPECT_EQ(Fields(target), Fields(source));
  };
  {
    SCOPED_TRACE("shorter lists over longer ones");
    check(S::Full(), S::Short());
  }
  {
    SCOPED_TRACE("empty over full");
    check(S::Full(), S::Empty());
  }
  {
    SCOPED_TRACE("full over empty");
    check(S::Empty(), S::Full());
  }
}

// ---------------------------------------------------------------------------
// SecurityProfileType

TEST(SecurityProfileTypeTest, ConstructorPutsEachArgumentInItsOwnField) {
  const SecurityProfileType p = Samples<SecurityProfileType>::Full();
  EXPECT_EQ(p.SecurityOptions,
            (std::vector<SecurityOptionsType>{
                SecurityOptionsType::BIRMAC, SecurityOptionsType::ACBio,
                SecurityOptionsType::BIRMAC,
                static_cast<SecurityOptionsType>(1000)}));
  EXPECT_EQ(p.ProfileData1, (std::vector<unsigned char>{0x11, 0x00, 0x12}));
  EXPECT_EQ(p.ProfileData2, (std::vector<unsigned char>{0x21, 0x00, 0x22}));
  EXPECT_EQ(p.ProfileData3, (std::vector<unsigned char>{0x31, 0x00, 0x32}));
  EXPECT_EQ(p.Options, (std::vector<BSPSchemaOptions>{
                           BSPSchemaOptions::Payload, BSPSchemaOptions::Raw,
                           BSPSchemaOptions::Payload}));
  EXPECT_EQ(p.ProfileData4, (std::vector<unsigned char>{0x41, 0x00, 0x42}));
  EXPECT_EQ(p.ProfileData5, (std::vector<unsigned char>{0x51, 0x00, 0x52}));
  EXPECT_EQ(p.ProfileData6, (std::vector<unsigned char>{0x61, 0x00, 0x62}));
}

// ---------------------------------------------------------------------------
// FrameworkSchema

TEST(FrameworkSchemaTest, AccessorsHaveTheirDocumentedReturnTypes) {
  using Schema = const FrameworkSchema&;
  using Ref = const UUID&;
  static_assert(
      std::is_same_v<decltype(std::declval<Schema>().FrameworkUUID()), Ref>);
  static_assert(std::is_same_v<decltype(std::declval<Schema>().FwDescription()),
                               const std::string>);
  static_assert(std::is_same_v<decltype(std::declval<Schema>().Path()),
                               const std::string>);
  static_assert(std::is_same_v<decltype(std::declval<Schema>().SpecVersion()),
                               const std::string>);
  static_assert(
      std::is_same_v<decltype(std::declval<Schema>().ProductVersion()),
                     const std::string>);
  static_assert(std::is_same_v<decltype(std::declval<Schema>().Vendor()),
                               const std::string>);
  static_assert(
      std::is_same_v<decltype(std::declval<Schema>().FwPropertyID()), Ref>);
  static_assert(std::is_same_v<decltype(std::declval<Schema>().FwProperty()),
                               const std::vector<unsigned char>&>);
}

TEST(FrameworkSchemaTest, EachAccessorReturnsItsOwnArgument) {
  const FrameworkSchema s = Samples<FrameworkSchema>::Full();
  EXPECT_EQ(s.FrameworkUUID(), Uuid(0x10));
  EXPECT_EQ(s.FwDescription(), Text("description"));
  EXPECT_EQ(s.Path(), Text("path"));
  EXPECT_EQ(s.SpecVersion(), Text("BioAPI version"));
  EXPECT_EQ(s.ProductVersion(), Text("product version"));
  EXPECT_EQ(s.Vendor(), Text(std::string(100, 'v')));
  EXPECT_EQ(s.FwPropertyID(), Uuid(0x20));
  EXPECT_EQ(s.FwProperty(), (std::vector<unsigned char>{0xB1, 0x00, 0xB2}));
}

TEST(FrameworkSchemaTest, ReferencesTakenBeforeAssignmentShowTheNewContent) {
  FrameworkSchema target = Samples<FrameworkSchema>::Full();
  const UUID& framework_uuid = target.FrameworkUUID();
  const UUID& property_id = target.FwPropertyID();
  const std::vector<unsigned char>& property = target.FwProperty();

  target = Samples<FrameworkSchema>::Short();
  EXPECT_EQ(framework_uuid, Uuid(0x90));
  EXPECT_EQ(property_id, Uuid(0xA0));
  EXPECT_EQ(property, std::vector<unsigned char>{0xC1});

  target = Samples<FrameworkSchema>::Empty();
  EXPECT_EQ(framework_uuid, UUID{});
  EXPECT_EQ(property_id, UUID{});
  EXPECT_TRUE(property.empty());
}

// ---------------------------------------------------------------------------
// BSPSchema

TEST(BSPSchemaTest, FullConstructorPutsEachArgumentInItsOwnField) {
  const BSPSchema s = Samples<BSPSchema>::Full();
  EXPECT_EQ(s.BSPUUID, Uuid(0x10));
  EXPECT_EQ(s.BSPDescription, Text("description"));
  EXPECT_EQ(s.Path, Text("path"));
  EXPECT_EQ(s.SpecVersion, Text("BioAPI version"));
  EXPECT_EQ(s.ProductVersion, Text("product version"));
  EXPECT_EQ(s.Vendor, Text("vendor"));
  EXPECT_EQ(s.BSPSupportedFormats,
            (std::vector<RegistryID>{{1, 2}, {-32768, 4}}));
  EXPECT_EQ(s.Factors, (std::vector<BiometricType>{
                           BiometricType::Fingerprint, BiometricType::Iris,
                           static_cast<BiometricType>(1000)}));
  EXPECT_EQ(s.Operations,
            (std::vector<BSPSchemaOperations>{BSPSchemaOperations::Verify,
                                              BSPSchemaOperations::Capture,
                                              BSPSchemaOperations::Verify}));
  EXPECT_EQ(s.Options, (std::vector<BSPSchemaOptions>{BSPSchemaOptions::Raw,
                                                      BSPSchemaOptions::MOC}));
  EXPECT_EQ(s.PayloadPolicy, 1);
  EXPECT_EQ(s.MaxPayloadSize, 2);
  EXPECT_EQ(s.DefaultVerifyTimeout, 3);
  EXPECT_EQ(s.DefaultIdentifyTimeout, 4);
  EXPECT_EQ(s.DefaultCaptureTimeout, 5);
  EXPECT_EQ(s.DefaultEnrollTimeout, 6);
  EXPECT_EQ(s.DefaultCalibrateTimeout, 7);
  EXPECT_EQ(s.MaxBSPDbSize, 8);
  EXPECT_EQ(s.MaxIdentify, 9);
  EXPECT_EQ(s.ExtraValue, 10);
  EXPECT_EQ(s.ExtraData, (std::vector<unsigned char>{0xE1, 0x00, 0xE2}));
  EXPECT_EQ(s.ExtraUUID, Uuid(0x20));
  EXPECT_EQ(s.ExtraRegistryIDs,
            (std::vector<RegistryID>{{5, 6}, {7, 8}, {5, 6}}));
  EXPECT_EQ(s.ExtraUUIDs, (std::vector<UUID>{Uuid(0x30), Uuid(0x40)}));
}

// The unset fields are compared with a schema built in full from zeros and
// empty values.
TEST(BSPSchemaTest, EmptyAndShortConstructorsZeroWhatTheyDoNotSet) {
  {
    SCOPED_TRACE("empty constructor");
    const OnDirtyStorage<BSPSchema> s;
    EXPECT_EQ(Fields(*s),
              Fields(BSPSchema(UUID{}, "", "", "", "", "", {}, {}, {}, {}, 0, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, {}, UUID{}, {}, {})));
  }
  {
    SCOPED_TRACE("short constructor: UUID, path, product version, vendor");
    const OnDirtyStorage<BSPSchema> s(Uuid(0x10), Text("path"),
                                      Text("product version"), Text("vendor"));
    EXPECT_EQ(Fields(*s),
              Fields(BSPSchema(Uuid(0x10), "", Text("path"), "",
                               Text("product version"), Text("vendor"), {}, {},
                               {}, {}, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, {}, UUID{},
                               {}, {})));
  }
}

// ---------------------------------------------------------------------------
// BFPSchema and BFPListElement

TEST(BFPSchemaTest, FullConstructorPutsEachArgumentInItsOwnField) {
  const BFPSchema s = Samples<BFPSchema>::Full();
  EXPECT_EQ(s.BFPUUID, Uuid(0x10));
  EXPECT_EQ(s.BFPCategory, UnitCategoryType::MatchingAlgorithm);
  EXPECT_EQ(s.BFPDescription, Text("description"));
  EXPECT_EQ(s.Path, Text("path"));
  EXPECT_EQ(s.SpecVersion, Text("BioAPI version"));
  EXPECT_EQ(s.ProductVersion, Text("product version"));
  EXPECT_EQ(s.Vendor, Text("vendor"));
  EXPECT_EQ(s.ExtraData, (std::vector<unsigned char>{0xE1, 0x00, 0xE2}));
  EXPECT_EQ(s.BFPSupportedFormats, (std::vector<RegistryID>{{1, 2}, {3, 4}}));
  EXPECT_EQ(s.Factors, (std::vector<BiometricType>{BiometricType::Iris,
                                                   BiometricType::Fingerprint,
                                                   BiometricType::Iris}));
  EXPECT_EQ(s.BFPPropertyID, Uuid(0x20));
  EXPECT_EQ(s.BFPProperty, (std::vector<unsigned char>{0xB1, 0x00, 0xB2}));
}

TEST(BFPSchemaTest, EmptyConstructorZeroesUUIDsAndCategory) {
  const OnDirtyStorage<BFPSchema> s;
  EXPECT_EQ(Fields(*s), Fields(BFPSchema(UUID{}, UnitCategoryType{}, "", "", "",
                                         "", "", {}, {}, {}, UUID{}, {})));
}

TEST(BFPListElementTest, HoldsCategoryAndUUIDThroughCopyAndAssignment) {
  BFPListElement element(UnitCategoryType::Sensor, Uuid(0x10));
  EXPECT_EQ(element.BFPCategory, UnitCategoryType::Sensor);
  EXPECT_EQ(element.BFPUUID, Uuid(0x10));

  const BFPListElement copy(element);
  const BFPListElement other(static_cast<UnitCategoryType>(1000), Uuid(0x20));
  element = other;
  EXPECT_EQ(Fields(element),
            std::make_tuple(static_cast<UnitCategoryType>(1000), Uuid(0x20)));
  EXPECT_EQ(Fields(copy),
            std::make_tuple(UnitCategoryType::Sensor, Uuid(0x10)));

  const BFPListElement& same = element;
  element = same;
  EXPECT_EQ(Fields(element), Fields(other));
}

// ---------------------------------------------------------------------------
// UnitSchema

TEST(UnitSchemaTest, FullConstructorPutsEachArgumentInItsOwnField) {
  const UnitSchema s = Samples<UnitSchema>::Full();
  EXPECT_EQ(s.BSPUUID, Uuid(0x10));
  EXPECT_EQ(s.UnitManagerUUID, Uuid(0x20));
  EXPECT_EQ(s.UnitID, -1);
  EXPECT_EQ(s.UnitCategory, UnitCategoryType::Archive);
  EXPECT_EQ(s.UnitProperties, Uuid(0x30));
  EXPECT_EQ(s.VendorInformation, Text("vendor information"));
  EXPECT_EQ(s.SupportedEvents,
            (std::vector<EventKind>{EventKind::Insert, EventKind::Fault,
                                    EventKind::Insert}));
  EXPECT_EQ(s.UnitPropertyID, Uuid(0x40));
  EXPECT_EQ(s.UnitProperty, (std::vector<unsigned char>{0xB1, 0x00, 0xB2}));
  EXPECT_EQ(s.HardwareVersion, Text("hardware"));
  EXPECT_EQ(s.FirmwareVersion, Text("firmware"));
  EXPECT_EQ(s.SoftwareVersion, Text("software"));
  EXPECT_EQ(s.HardwareSerialNumber, Text("serial number"));
  EXPECT_TRUE(s.AuthenticatedHardware);
  EXPECT_EQ(s.MaxBSPDbSize, 15);
  EXPECT_EQ(s.MaxIdentify, 16);
  ASSERT_EQ(s.SecurityProfiles.size(), 3u);
  EXPECT_EQ(Fields(s.SecurityProfiles[0]),
            Fields(Samples<SecurityProfileType>::Full()));
  EXPECT_EQ(Fields(s.SecurityProfiles[1]),
            Fields(Samples<SecurityProfileType>::Short()));
  EXPECT_EQ(Fields(s.SecurityProfiles[2]),
            Fields(Samples<SecurityProfileType>::Empty()));

  EXPECT_FALSE(Samples<UnitSchema>::Short().AuthenticatedHardware);
}

TEST(UnitSchemaTest, EmptyConstructorZeroesWhatItDoesNotSet) {
  const OnDirtyStorage<UnitSchema> s;
  EXPECT_EQ(Fields(*s), Fields(UnitSchema(UUID{}, UUID{}, 0, UnitCategoryType{},
                                          UUID{}, "", {}, UUID{}, {}, "", "",
                                          "", "", false, 0, 0, {})));
}

}  // namespace
}  // namespace BioAPI_Data
