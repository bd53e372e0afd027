// Parameter records: dates, unit lists, populations, bitmaps, ACBio inputs.
#include "bioapi_data/params.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace BioAPI_Data {
namespace {

// ---------------------------------------------------------------------------
// Date

// `subject` is compared against `reference`; the expectations give the answer
// of the product-order members (date-only and full forms) and the calendar
// relation of subject to reference (-1 earlier, 0 same, 1 later).
struct DateCase {
  const char* name;
  Date reference;
  Date subject;
  bool lower_date;   // reference.IsLowerOrEqual(y, m, d)
  bool higher_date;  // reference.IsHigherOrEqual(y, m, d)
  bool lower_full;   // six-int and Date forms of IsLowerOrEqual
  bool higher_full;  // six-int and Date forms of IsHigherOrEqual
  int calendar;
};

const DateCase kDateCases[] = {
    {"own components",
     {20, 6, 15, 10, 0, 0},
     {20, 6, 15, 10, 0, 0},
     true,
     true,
     true,
     true,
     0},
    {"own extreme components",
     {INT_MIN, INT_MAX, 0, -1, INT_MAX, INT_MIN},
     {INT_MIN, INT_MAX, 0, -1, INT_MAX, INT_MIN},
     true,
     true,
     true,
     true,
     0},
    {"earlier year, later month: incomparable",
     {20, 6, 15, 10, 0, 0},
     {19, 12, 1, 10, 0, 0},
     false,
     false,
     false,
     false,
     -1},
    {"later year, earlier month: incomparable",
     {20, 6, 15, 10, 0, 0},
     {21, 1, 1, 10, 0, 0},
     false,
     false,
     false,
     false,
     1},
    {"same day, midnight against 23:59:59",
     {20, 6, 15, 23, 59, 59},
     {20, 6, 15, 0, 0, 0},
     true,
     true,
     true,
     false,
     -1},
    {"09:45 against 10:30: minute above",
     {20, 6, 15, 10, 30, 0},
     {20, 6, 15, 9, 45, 0},
     true,
     true,
     false,
     false,
     -1},
    {"month -1 reference, month 0 subject",
     {20, -1, 0, 0, 0, 0},
     {20, 0, 0, 0, 0, 0},
     false,
     true,
     false,
     true,
     1},
    {"every component below",
     {20, 6, 15, 10, 30, 30},
     {19, 5, 14, 9, 29, 29},
     true,
     false,
     true,
     false,
     -1},
    {"every component above",
     {20, 6, 15, 10, 30, 30},
     {21, 7, 16, 11, 31, 31},
     false,
     true,
     false,
     true,
     1},
    {"one second later",
     {20, 6, 15, 10, 30, 30},
     {20, 6, 15, 10, 30, 31},
     true,
     true,
     false,
     true,
     1},
    // Signed comparison over the full range: a difference would overflow.
    {"INT_MIN year, INT_MAX month",
     {0, 0, 0, 0, 0, 0},
     {INT_MIN, INT_MAX, 0, 0, 0, 0},
     false,
     false,
     false,
     false,
     -1},
    {"INT_MAX year, INT_MIN second",
     {0, 0, 0, 0, 0, 0},
     {INT_MAX, 0, 0, 0, 0, INT_MIN},
     false,
     true,
     false,
     false,
     1},
};

TEST(DateTest, ProductOrderInAllSixFormsNextToCalendarOrder) {
  for (const DateCase& c : kDateCases) {
    SCOPED_TRACE(c.name);
    const Date& r = c.reference;
    const Date& s = c.subject;

    EXPECT_EQ(r.IsLowerOrEqual(s.Year, s.Month, s.Day), c.lower_date);
    EXPECT_EQ(
        r.IsLowerOrEqual(s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second),
        c.lower_full);
    EXPECT_EQ(r.IsLowerOrEqual(s), c.lower_full);
    EXPECT_EQ(r.IsHigherOrEqual(s.Year, s.Month, s.Day), c.higher_date);
    EXPECT_EQ(
        r.IsHigherOrEqual(s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second),
        c.higher_full);
    EXPECT_EQ(r.IsHigherOrEqual(s), c.higher_full);

    // The calendar operators, both ways round.
    EXPECT_EQ(s < r, c.calendar < 0);
    EXPECT_EQ(s <= r, c.calendar <= 0);
    EXPECT_EQ(s > r, c.calendar > 0);
    EXPECT_EQ(s >= r, c.calendar >= 0);
    EXPECT_EQ(s == r, c.calendar == 0);
    EXPECT_EQ(s != r, c.calendar != 0);
    EXPECT_EQ(r<s, c.calendar> 0);
    EXPECT_EQ(r > s, c.calendar < 0);
    EXPECT_EQ(r == s, c.calendar == 0);
  }
}

TEST(DateTest, StoresComponentsUnchangedInFieldOrder) {
  const Date d(20, -1, 0, 24, 61, INT_MIN);
  EXPECT_EQ(d.Year, 20);
  EXPECT_EQ(d.Month, -1);
  EXPECT_EQ(d.Day, 0);
  EXPECT_EQ(d.Hour, 24);
  EXPECT_EQ(d.Minute, 61);
  EXPECT_EQ(d.Second, INT_MIN);
}

// Each field of the calendar key has its own rank: a difference in a later
// field decides only when every earlier field is equal.
TEST(DateTest, CalendarOrderRanksFieldsFromYearToSecond) {
  const Date base(2000, 6, 15, 12, 30, 30);
  const Date later_in[] = {{2001, 1, 1, 0, 0, 0},    {2000, 7, 1, 0, 0, 0},
                           {2000, 6, 16, 0, 0, 0},   {2000, 6, 15, 13, 0, 0},
                           {2000, 6, 15, 12, 31, 0}, {2000, 6, 15, 12, 30, 31}};
  for (const Date& later : later_in) {
    SCOPED_TRACE(testing::Message()
                 << later.Year << '-' << later.Month << '-' << later.Day << ' '
                 << later.Hour << ':' << later.Minute << ':' << later.Second);
    EXPECT_LT(base, later);
    EXPECT_GT(later, base);
  }
}

// ---------------------------------------------------------------------------
// UnitList

// Categories as plain ints, so that a failing comparison prints readably.
constexpr int kA = static_cast<int>(UnitCategoryType::Archive);
constexpr int kB = static_cast<int>(UnitCategoryType::MatchingAlgorithm);
constexpr int kC = static_cast<int>(UnitCategoryType::Sensor);
// A value that names no enumerator is a category like any other.
constexpr int kOdd = 1000;

UnitCategoryType Category(int value) {
  return static_cast<UnitCategoryType>(value);
}

using Units = std::vector<std::pair<int, int>>;

std::vector<UnitListElement> MakeElements(const Units& units) {
  std::vector<UnitListElement> elements;
  for (const auto& u : units)
    elements.emplace_back(Category(u.first), u.second);
  return elements;
}

Units Contents(const UnitList& list) {
  Units units;
  for (const UnitListElement& e : list.Elements)
    units.emplace_back(static_cast<int>(e.UnitCategory), e.UnitID);
  return units;
}

struct AddCase {
  const char* name;
  Units before;
  std::pair<int, int> added;
  Units after;
};

const AddCase kAddCases[] = {
    {"empty list appends", {}, {kA, 1}, {{kA, 1}}},
    {"new category appends at the end", {{kB, 1}}, {kA, 1}, {{kB, 1}, {kA, 1}}},
    {"present category is removed, element dropped",
     {{kA, 1}, {kB, 2}},
     {kA, 9},
     {{kB, 2}}},
    {"id plays no part in matching", {{kB, 2}}, {kB, 7}, {}},
    {"every duplicate removed, adjacent ones included",
     {{kA, 1}, {kA, 2}, {kB, 3}, {kA, 4}},
     {kA, 5},
     {{kB, 3}}},
    {"duplicates at the end", {{kB, 1}, {kA, 2}, {kA, 3}}, {kA, 0}, {{kB, 1}}},
    {"removal keeps the order of the rest",
     {{kA, 1}, {kB, 2}, {kC, 3}},
     {kB, 0},
     {{kA, 1}, {kC, 3}}},
    {"category outside the enumeration",
     {{kA, 1}, {kOdd, 2}},
     {kOdd, 3},
     {{kA, 1}}},
};

TEST(UnitListTest, AddTogglesTheCategory) {
  for (const AddCase& c : kAddCases) {
    SCOPED_TRACE(c.name);
    UnitList list(MakeElements(c.before));
    list.Add(UnitListElement(Category(c.added.first), c.added.second));
    EXPECT_EQ(Contents(list), c.after);
  }
}

TEST(UnitListTest, SecondAddOfARemovedCategoryAppendsIt) {
  UnitList list;
  list.Add(UnitListElement(Category(kA), 1));
  list.Add(UnitListElement(Category(kB), 2));
  ASSERT_EQ(Contents(list), (Units{{kA, 1}, {kB, 2}}));

  const UnitListElement element(Category(kA), 9);
  list.Add(element);
  EXPECT_EQ(Contents(list), (Units{{kB, 2}}));
  EXPECT_EQ(list.GetUnitID(Category(kA)), -1);

  list.Add(element);
  EXPECT_EQ(Contents(list), (Units{{kB, 2}, {kA, 9}}));
  EXPECT_EQ(list.GetUnitID(Category(kA)), 9);
}

struct LookupCase {
  const char* name;
  Units list;
  int category;
  int expected;
};

const LookupCase kLookupCases[] = {
    {"empty list", {}, kA, -1},
    {"absent category", {{kA, 1}, {kB, 2}}, kC, -1},
    {"stored id -1", {{kA, -1}}, kA, -1},
    {"stored id 0", {{kB, 0}}, kB, 0},
    {"first of several", {{kA, 1}, {kA, 2}, {kB, 3}, {kA, 4}}, kA, 1},
    {"behind other categories", {{kA, 1}, {kA, 2}, {kB, 3}, {kA, 4}}, kB, 3},
    {"last element", {{kA, 1}, {kC, INT_MIN}}, kC, INT_MIN},
    {"category outside the enumeration", {{kA, 1}, {kOdd, 7}}, kOdd, 7},
};

TEST(UnitListTest, GetUnitIDFindsTheFirstOfItsCategory) {
  for (const LookupCase& c : kLookupCases) {
    SCOPED_TRACE(c.name);
    const UnitList list(MakeElements(c.list));
    EXPECT_EQ(list.GetUnitID(Category(c.category)), c.expected);
    EXPECT_EQ(Contents(list), c.list);
  }
}

TEST(UnitListTest, CopiesAreIndependent) {
  auto source = std::make_unique<UnitList>(MakeElements({{kA, 1}, {kB, 2}}));
  UnitList copy(*source);
  UnitList assigned;
  assigned = *source;

  source->Add(UnitListElement(Category(kA), 0));
  source->Elements[0].UnitID = 99;
  EXPECT_EQ(Contents(*source), (Units{{kB, 99}}));
  source.reset();
  EXPECT_EQ(Contents(copy), (Units{{kA, 1}, {kB, 2}}));
  EXPECT_EQ(Contents(assigned), (Units{{kA, 1}, {kB, 2}}));

  // Assigning to a copy leaves its source alone; self-assignment is a no-op.
  UnitList other(copy);
  other = UnitList(MakeElements({{kC, 3}}));
  EXPECT_EQ(Contents(copy), (Units{{kA, 1}, {kB, 2}}));
  UnitList& alias = copy;
  copy = alias;
  EXPECT_EQ(Contents(copy), (Units{{kA, 1}, {kB, 2}}));
}

// ---------------------------------------------------------------------------
// IdentifyPopulation, PopulationMember, Candidate

using UUID = std::array<unsigned char, 16>;

UUID MakeUUID(unsigned char seed) {
  UUID uuid{};
  for (std::size_t i = 0; i < uuid.size(); ++i)
    uuid[i] = static_cast<unsigned char>(seed + i);
  return uuid;
}

BIR MakeRecord(std::vector<unsigned char> bdb, unsigned char quality) {
  BIR bir;
  bir.BiometricData = std::move(bdb);
  bir.BDBQuality = quality;
  bir.OctetString3 = {quality, quality};
  return bir;
}

// The fields that MakeRecord sets, for comparison.
struct RecordFields {
  std::vector<unsigned char> bdb;
  unsigned char quality;
  bool operator==(const RecordFields& o) const {
    return bdb == o.bdb && quality == o.quality;
  }
};

RecordFields Fields(const BIR& bir) {
  EXPECT_EQ(bir.OctetString3, std::vector<unsigned char>(2, bir.BDBQuality));
  return {bir.BiometricData, bir.BDBQuality};
}

void ExpectMembers(const IdentifyPopulation& population,
                   const std::vector<std::pair<UUID, RecordFields>>& expected) {
  ASSERT_EQ(population.Members.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "member " << i);
    EXPECT_EQ(population.Members[i].MemberUUID, expected[i].first);
    EXPECT_TRUE(Fields(population.Members[i].MemberBIR) == expected[i].second);
  }
}

TEST(IdentifyPopulationTest, EmptyPopulationStaysBound) {
  IdentifyPopulation population({});
  EXPECT_TRUE(population.Members.empty());
  EXPECT_TRUE(population.IsBound());
  population.Unbind();
  EXPECT_TRUE(population.IsBound());
  EXPECT_TRUE(population.Members.empty());
}

TEST(IdentifyPopulationTest, KeepsMembersInOrderDuplicatesIncluded) {
  const PopulationMember first(MakeUUID(1), MakeRecord({1, 2, 3}, 10));
  const PopulationMember zero_uuid(UUID{}, MakeRecord({}, 0));
  IdentifyPopulation population({first, zero_uuid});

  const PopulationMember added(MakeUUID(7), MakeRecord({7}, 70));
  population.AddMember(added);
  population.AddMember(added);
  population.Unbind();

  ExpectMembers(population, {{MakeUUID(1), {{1, 2, 3}, 10}},
                             {UUID{}, {{}, 0}},
                             {MakeUUID(7), {{7}, 70}},
                             {MakeUUID(7), {{7}, 70}}});
  EXPECT_TRUE(population.IsBound());
}

TEST(IdentifyPopulationTest, MemberKeepsItsOwnRecord) {
  auto record = std::make_unique<BIR>(MakeRecord({5, 6}, 50));
  const PopulationMember member(MakeUUID(5), *record);
  // The caller's record is copied, not taken.
  EXPECT_TRUE(Fields(*record) == (RecordFields{{5, 6}, 50}));
  record->BiometricData[0] = 0xFF;
  record.reset();
  EXPECT_EQ(member.MemberUUID, MakeUUID(5));
  EXPECT_TRUE(Fields(member.MemberBIR) == (RecordFields{{5, 6}, 50}));

  auto source = std::make_unique<PopulationMember>(member);
  PopulationMember assigned(UUID{}, BIR{});
  assigned = *source;
  source->MemberBIR.BiometricData.clear();
  source.reset();
  EXPECT_EQ(assigned.MemberUUID, MakeUUID(5));
  EXPECT_TRUE(Fields(assigned.MemberBIR) == (RecordFields{{5, 6}, 50}));
}

TEST(IdentifyPopulationTest, CopiesAreIndependent) {
  auto source =
      std::make_unique<IdentifyPopulation>(std::vector<PopulationMember>{
          PopulationMember(MakeUUID(1), MakeRecord({1, 1}, 1)),
          PopulationMember(MakeUUID(2), MakeRecord({2, 2}, 2))});
  const std::vector<std::pair<UUID, RecordFields>> original = {
      {MakeUUID(1), {{1, 1}, 1}}, {MakeUUID(2), {{2, 2}, 2}}};

  IdentifyPopulation copy(*source);
  IdentifyPopulation assigned({});
  assigned = *source;

  // Assigning a different population to the copy leaves the source alone.
  IdentifyPopulation other(*source);
  other =
      IdentifyPopulation({PopulationMember(MakeUUID(9), MakeRecord({9}, 9))});
  ExpectMembers(*source, original);
  ExpectMembers(other, {{MakeUUID(9), {{9}, 9}}});

  // Changing and then destroying the source leaves the copies alone.
  source->Members[0].MemberBIR.BiometricData[0] = 0xFF;
  source->Members[1].MemberUUID.fill(0);
  source->AddMember(PopulationMember(MakeUUID(3), MakeRecord({3}, 3)));
  source.reset();
  ExpectMembers(copy, original);
  ExpectMembers(assigned, original);

  IdentifyPopulation& alias = copy;
  copy = alias;
  ExpectMembers(copy, original);
}

// Records travel into a member and a population by moving: the biometric data
// keeps its storage, so building a large population copies no record.
TEST(IdentifyPopulationTest, RvaluesAreMovedNotCopied) {
  static_assert(std::is_nothrow_move_constructible<PopulationMember>::value,
                "growing a population must move its records");
  BIR record = MakeRecord(std::vector<unsigned char>(1000, 0xAB), 4);
  const unsigned char* bytes = record.BiometricData.data();

  PopulationMember member(MakeUUID(4), std::move(record));
  EXPECT_EQ(member.MemberBIR.BiometricData.data(), bytes);

  IdentifyPopulation population({});
  population.AddMember(std::move(member));
  for (unsigned char i = 0; i < 100; ++i)  // forces several reallocations
    population.AddMember(PopulationMember(MakeUUID(i), BIR{}));
  EXPECT_EQ(population.Members.front().MemberBIR.BiometricData.data(), bytes);
  EXPECT_EQ(population.Members.size(), 101u);
}

TEST(CandidateTest, StoresAndCopiesBothFields) {
  Candidate candidate(UUID{}, -5);
  EXPECT_EQ(candidate.CandidateUUID, UUID{});
  EXPECT_EQ(candidate.CandidateValue, -5);

  const Candidate other(MakeUUID(200), INT_MIN);
  candidate = other;
  EXPECT_EQ(candidate.CandidateUUID, MakeUUID(200));
  EXPECT_EQ(candidate.CandidateValue, INT_MIN);
}

// ---------------------------------------------------------------------------
// GUIBitmap

using Frames = std::vector<std::vector<unsigned char>>;

Frames MakeFrames(std::initializer_list<std::size_t> lengths) {
  Frames frames;
  unsigned char fill = 1;
  for (std::size_t length : lengths) frames.emplace_back(length, fill++);
  return frames;
}

TEST(GUIBitmapTest, KeepsFramesExactly) {
  const Frames frames = MakeFrames({1, 0, 100});
  const GUIBitmap bitmap(BiometricSubtype::Left, 2, 2, frames);
  EXPECT_EQ(bitmap.Subtype, BiometricSubtype::Left);
  EXPECT_EQ(bitmap.Width, 2);
  EXPECT_EQ(bitmap.Height, 2);
  ASSERT_EQ(bitmap.Frames.size(), 3u);
  EXPECT_EQ(bitmap.Frames[0].size(), 1u);
  EXPECT_EQ(bitmap.Frames[1].size(), 0u);
  EXPECT_EQ(bitmap.Frames[2].size(), 100u);
  EXPECT_EQ(bitmap.Frames, frames);

  // Nothing ties the fields together.
  const auto odd = static_cast<BiometricSubtype>(1000);
  const GUIBitmap empty(odd, -1, 0, {});
  EXPECT_EQ(empty.Subtype, odd);
  EXPECT_EQ(empty.Width, -1);
  EXPECT_EQ(empty.Height, 0);
  EXPECT_TRUE(empty.Frames.empty());
}

TEST(GUIBitmapTest, CopiesAreIndependent) {
  const Frames original = MakeFrames({3, 0, 5});
  auto source =
      std::make_unique<GUIBitmap>(BiometricSubtype::Right, 4, 3, original);
  GUIBitmap copy(*source);
  GUIBitmap assigned(BiometricSubtype::Thumb, 0, 0, {});
  assigned = *source;

  // Assigning a different bitmap to the copy leaves the source alone.
  GUIBitmap other(*source);
  other = GUIBitmap(BiometricSubtype::Thumb, 9, 9, MakeFrames({9}));
  EXPECT_EQ(source->Frames, original);
  EXPECT_EQ(other.Frames, MakeFrames({9}));

  source->Frames[0][0] = 0xFF;
  source->Frames.emplace_back(7, 7);
  source->Width = 0;
  source.reset();
  for (const GUIBitmap* bitmap : {&copy, &assigned}) {
    EXPECT_EQ(bitmap->Subtype, BiometricSubtype::Right);
    EXPECT_EQ(bitmap->Width, 4);
    EXPECT_EQ(bitmap->Height, 3);
    EXPECT_EQ(bitmap->Frames, original);
  }

  GUIBitmap& alias = copy;
  copy = alias;
  EXPECT_EQ(copy.Frames, original);
}

// ---------------------------------------------------------------------------
// ACBioParameters

TEST(ACBioParametersTest, AccessorsReturnThePointersInTheirPositions) {
  unsigned char a[4] = {};
  unsigned char b[4] = {};
  unsigned char c[4] = {};
  struct Case {
    unsigned char* challenge;
    unsigned char* initial;
    unsigned char* supremum;
  };
  const Case cases[] = {
      {a, b, c},       {c, b, a},       {nullptr, nullptr, nullptr},
      {nullptr, b, c}, {a, nullptr, c}, {a, b, nullptr},
      {a, a, c},       {a, b, b},       {c, b, c},
  };
  for (const Case& k : cases) {
    const ACBioParameters params(k.challenge, k.initial, k.supremum);
    EXPECT_EQ(params.Challenge(), k.challenge);
    EXPECT_EQ(params.InitialBPUIOIndexOutput(), k.initial);
    EXPECT_EQ(params.SupremumBPUIOIndexOutput(), k.supremum);
  }
}

TEST(ACBioParametersTest, CopiesShareTheCallersBytes) {
  unsigned char challenge[2] = {1, 2};
  unsigned char initial[2] = {3, 4};
  unsigned char supremum[2] = {5, 6};
  const ACBioParameters source(challenge, initial, supremum);
  const ACBioParameters copy(source);
  ACBioParameters assigned(nullptr, nullptr, nullptr);
  assigned = source;

  challenge[0] = 10;
  initial[1] = 40;
  supremum[0] = 50;
  for (const ACBioParameters* p : std::initializer_list<const ACBioParameters*>{
           &source, &copy, &assigned}) {
    EXPECT_EQ(p->Challenge(), challenge);
    EXPECT_EQ(p->InitialBPUIOIndexOutput(), initial);
    EXPECT_EQ(p->SupremumBPUIOIndexOutput(), supremum);
    EXPECT_EQ(p->Challenge()[0], 10);
    EXPECT_EQ(p->InitialBPUIOIndexOutput()[1], 40);
    EXPECT_EQ(p->SupremumBPUIOIndexOutput()[0], 50);
  }
}

}  // namespace
}  // namespace BioAPI_Data
