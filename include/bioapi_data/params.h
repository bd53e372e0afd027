/// @file
/// Parameter records of BioAPI operations.
#ifndef BIOAPI_DATA_PARAMS_H_
#define BIOAPI_DATA_PARAMS_H_

#include <array>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/export.h"
#include "bioapi_data/types.h"

BIOAPI_DATA_BEGIN_EXPORTS

namespace BioAPI_Data {

/// A calendar date and a time of day as six plain integers.
///
/// Nothing is validated or normalised: month 13, day 0 and negative values
/// are stored and compared as they are.
///
/// Two orders are offered. `IsLowerOrEqual` and `IsHigherOrEqual` compare
/// component by component (a product order): the given date must be at or
/// below (at or above) this one in every compared component, so two dates can
/// be incomparable and then both answer false. The operators `<`, `<=`, `>`,
/// `>=`, `==` and `!=` compare in calendar order instead, lexicographically on
/// year, month, day, hour, minute and second; use them for "earlier than".
class BIOAPI_DATA_API Date {
 public:
  int Year;    ///< Year.
  int Month;   ///< Month of the year.
  int Day;     ///< Day of the month.
  int Hour;    ///< Hour of the day.
  int Minute;  ///< Minute.
  int Second;  ///< Second.

  /// Stores the six components unchanged.
  Date(int year, int month, int day, int hour, int minute, int second) noexcept;

  /// True when each of year, month and day is at or below this date's; the
  /// time of day plays no part.
  bool IsLowerOrEqual(int year, int month, int day) const noexcept;
  /// True when each of the six components is at or below this date's.
  bool IsLowerOrEqual(int year, int month, int day, int hour, int minute,
                      int second) const noexcept;
  /// True when each of `other`'s six components is at or below this date's.
  bool IsLowerOrEqual(Date other) const noexcept;

  /// True when each of year, month and day is at or above this date's; the
  /// time of day plays no part.
  bool IsHigherOrEqual(int year, int month, int day) const noexcept;
  /// True when each of the six components is at or above this date's.
  bool IsHigherOrEqual(int year, int month, int day, int hour, int minute,
                       int second) const noexcept;
  /// True when each of `other`'s six components is at or above this date's.
  bool IsHigherOrEqual(Date other) const noexcept;
};

/// True when all six components are equal.
BIOAPI_DATA_API bool operator==(const Date& a, const Date& b) noexcept;
/// True when any component differs.
BIOAPI_DATA_API bool operator!=(const Date& a, const Date& b) noexcept;
/// True when `a` comes before `b` in calendar order.
BIOAPI_DATA_API bool operator<(const Date& a, const Date& b) noexcept;
/// True when `a` comes before `b` in calendar order or equals it.
BIOAPI_DATA_API bool operator<=(const Date& a, const Date& b) noexcept;
/// True when `a` comes after `b` in calendar order.
BIOAPI_DATA_API bool operator>(const Date& a, const Date& b) noexcept;
/// True when `a` comes after `b` in calendar order or equals it.
BIOAPI_DATA_API bool operator>=(const Date& a, const Date& b) noexcept;

/// One unit of a `UnitList`: its category and its id.
class BIOAPI_DATA_API UnitListElement {
 public:
  UnitCategoryType UnitCategory;  ///< Category; the key a `UnitList` matches.
  int UnitID;                     ///< Id of the unit; never checked.

  /// Stores the category and the id unchanged.
  UnitListElement(UnitCategoryType category, int id) noexcept;
};

/// An ordered list of units, matched by category alone.
///
/// Owns its elements; a copy shares nothing with its source.
class BIOAPI_DATA_API UnitList {
 public:
  /// The units in the order given or appended.
  std::vector<UnitListElement> Elements;

  /// An empty list.
  UnitList() noexcept;
  /// Takes the given elements in their order, duplicates included.
  explicit UnitList(std::vector<UnitListElement> elements) noexcept;

  /// Toggles the element's category: removes every element of that category
  /// and drops `element`, or, when there was none, appends `element`.
  ///
  /// Throws std::bad_alloc when appending cannot get storage; the list is
  /// then unchanged.
  void Add(UnitListElement element);

  /// The `UnitID` of the first element of `category`, or -1 when there is
  /// none (so a stored id of -1 reads like an absent category).
  int GetUnitID(UnitCategoryType category) const noexcept;
};

/// One record of an identification population: a UUID and a whole `BIR`.
///
/// Owns its record; a copy holds an independent copy of it.
class BIOAPI_DATA_API PopulationMember {
 public:
  std::array<unsigned char, 16> MemberUUID;  ///< Identifier; never interpreted.
  BIR MemberBIR;                             ///< The member's record.

  /// Stores the UUID and takes over `bir` (pass an rvalue to avoid a copy).
  PopulationMember(std::array<unsigned char, 16> uuid, BIR bir) noexcept;
};

/// The records an identification runs against, in order.
///
/// Owns its members; a copy copies every record in full. Members are never
/// validated or compared, so duplicates are kept.
class BIOAPI_DATA_API IdentifyPopulation {
 public:
  /// The population, in the order given or added.
  std::vector<PopulationMember> Members;

  /// Takes the given members in their order; an empty sequence gives an empty
  /// population.
  explicit IdentifyPopulation(std::vector<PopulationMember> members) noexcept;

  /// Appends `member` at the end in amortised constant time.
  ///
  /// Throws std::bad_alloc when storage cannot be obtained; the population is
  /// then unchanged.
  void AddMember(PopulationMember member);

  /// Always true: a population stays bound from construction to destruction.
  bool IsBound() const noexcept;
  /// Has no effect; kept for callers that release a population explicitly.
  void Unbind() noexcept;
};

/// A candidate of an identification: a UUID and a value stored with it.
class BIOAPI_DATA_API Candidate {
 public:
  std::array<unsigned char, 16>
      CandidateUUID;   ///< Identifier; never interpreted.
  int CandidateValue;  ///< Stored unchanged; the library gives it no meaning.

  /// Stores the UUID and the value unchanged.
  Candidate(std::array<unsigned char, 16> uuid, int value) noexcept;
};

/// An image for an application's user interface, as a sequence of frames.
///
/// Owns its frames; a copy copies every frame. Nothing ties the fields
/// together: dimensions, frame count and frame lengths are stored unchanged
/// and never compared, and no pixel format is implied.
class BIOAPI_DATA_API GUIBitmap {
 public:
  BiometricSubtype Subtype;  ///< The biometric subtype that the image shows.
  int Width;                 ///< Width of the image.
  int Height;                ///< Height of the image.
  /// The picture data, one byte string per frame.
  std::vector<std::vector<unsigned char>> Frames;

  /// Stores the subtype and dimensions and takes over `frames`.
  GUIBitmap(BiometricSubtype subtype, int width, int height,
            std::vector<std::vector<unsigned char>> frames) noexcept;
};

/// The three byte inputs of the ACBio operations, as pointers.
///
/// Does not own the bytes: it never reads, copies or frees them and records
/// no length for them. A copy holds the same pointers, so it sees the same
/// bytes; the caller keeps them alive while this object or any copy is used.
/// Null pointers are accepted.
class BIOAPI_DATA_API ACBioParameters {
 public:
  /// Stores the three pointers unchanged, in this order.
  ACBioParameters(unsigned char* challenge,
                  unsigned char* initial_bpu_io_index_output,
                  unsigned char* supremum_bpu_io_index_output) noexcept;

  /// The challenge, as passed to the constructor.
  const unsigned char* Challenge() const noexcept { return challenge_; }
  /// The initial BPU IO index output, as passed to the constructor.
  const unsigned char* InitialBPUIOIndexOutput() const noexcept {
    return initial_bpu_io_index_output_;
  }
  /// The supremum BPU IO index output, as passed to the constructor.
  const unsigned char* SupremumBPUIOIndexOutput() const noexcept {
    return supremum_bpu_io_index_output_;
  }

 private:
  unsigned char* challenge_;
  unsigned char* initial_bpu_io_index_output_;
  unsigned char* supremum_bpu_io_index_output_;
};

}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_PARAMS_H_
