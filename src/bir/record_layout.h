// The layout of the byte record: the one description that the decoder, the
// encoder and the record tool all read.
//
// A record is a 21-byte header, the optional fields that the presence bit-map
// announces (in bit order), the biometric data block (BDB) and, when a
// security option is set, the security block (SB). Every integer is
// little-endian; nothing is aligned.
//
// Every field has one identifier, `FieldId`, and one row in `kFields`: its
// name, encoding, presence rule, bit and (in the header) offset. `kMembers`
// ties each row to its member of `BIR`.
#ifndef BIOAPI_DATA_BIR_RECORD_LAYOUT_H_
#define BIOAPI_DATA_BIR_RECORD_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"

namespace BioAPI_Data {
namespace record {

/// Every field of a record, in record order: the header, the optional fields
/// in the order of their bits (0 to 22), the BDB and the SB.
enum class FieldId : std::uint8_t {
  kRecordFormat,
  kTotalLength,
  kHeaderVersion,
  kHeaderRevision,
  kBDBFormat,
  kEncryptionOption,
  kIntegrityOption,
  kReserved,
  kPresenceBitmap,
  kBDBBiometricType,  // bit 0
  kBDBBiometricSubtype,
  kRegisteredId1,
  kRegisteredId2,
  kRegisteredId3,
  kRegisteredId4,
  kRegisteredId5,
  kOctetString1,
  kBDBCreationDate,
  kOctetString2,
  kBDBProcessedLevel,
  kRegisteredId6,
  kBDBPurpose,
  kBDBQuality,
  kRegisteredId7,
  kBDBValidityPeriod,
  kBIRCreationDate,
  kOctetString3,
  kOctetString4,
  kOctetString5,
  kOctetString6,
  kBIRValidityPeriod,
  kRegisteredId8,  // bit 22
  kBiometricData,
  kSecurityBlock,
};

/// Number of fields, one per `FieldId`.
inline constexpr std::size_t kFieldCount =
    static_cast<std::size_t>(FieldId::kSecurityBlock) + 1;

/// How a field is written.
enum class Encoding {
  kInt32,       ///< 4 bytes, all 32 bits of the field
  kByte,        ///< 1 byte, the low 8 bits; widened without sign on reading
  kFlag,        ///< 1 byte: 0 is false, any other value true; written 0 or 1
  kRegistryID,  ///< 4 bytes: Owner, Type, signed 16-bit each
  kByteString,  ///< signed 16-bit length L, then L bytes
  kDateTime,    ///< 7 bytes: year (16-bit), month, day, hour, minute, second
  kValidityPeriod,  ///< 14 bytes: start date-time, end date-time
  kBlock,           ///< signed 32-bit length L, then L bytes
};

/// When the encoder writes a field.
enum class Presence {
  kAlways,
  kBothHalvesNonZero,   ///< a registry identifier with Owner and Type non-zero
  kNotEmpty,            ///< a byte string or validity period with elements
  kDateTimeSet,         ///< a date-time that `IsWrittenDateTime` accepts
  kWithSecurityOption,  ///< the SB: not empty, and a security option set
};

/// A header field's place: after the header, fields have none fixed.
inline constexpr std::size_t kNoFixedOffset = ~std::size_t{0};

/// The least and the greatest of a run of integers.
struct Range {
  std::int64_t min;
  std::int64_t max;

  /// Returns true when `value` lies in the range.
  constexpr bool Holds(std::int64_t value) const {
    return value >= min && value <= max;
  }
};

/// The values of a signed 16-bit number.
inline constexpr Range kInt16Range{-32768, 32767};
/// The values of a signed 32-bit number.
inline constexpr Range kInt32Range{-2147483647 - 1, 2147483647};
/// The values of one byte, read without sign.
inline constexpr Range kByteRange{0, 255};
/// The values of a security option: false or true.
inline constexpr Range kFlagRange{0, 1};
/// The year of a date-time: signed 16-bit.
inline constexpr Range kYearRange = kInt16Range;
/// The month, day, hour, minute and second of a date-time: one byte each.
inline constexpr Range kDateTimeMemberRange = kByteRange;
/// The date-times of a validity period that the record carries: a period
/// holds none or exactly this many (start, end).
inline constexpr std::size_t kPeriodLength = 2;

/// Largest byte string of an optional field: its length is signed 16-bit.
inline constexpr std::size_t kMaxByteStringSize = 32767;
/// Largest record: its total length is signed 32-bit.
inline constexpr std::uint64_t kMaxRecordSize = 2147483647;

/// One field of the record, and the values of it that the record carries as
/// they are given. The encoder refuses any other value; every surface that
/// takes a value asks these rows and repeats no range.
struct FieldLayout {
  FieldId id;
  const char* name;  ///< As the member of `BIR`, or the header's own name.
  Encoding encoding;
  Presence presence;
  int bit;             ///< Its bit in the presence bit-map; -1 for none.
  std::size_t offset;  ///< Its offset in the header, or kNoFixedOffset.
  bool has_member;     ///< `BIR` holds it (not the length, reserved, bit-map).
  /// An integer, flag or byte: its values. A registry identifier: its Owner.
  Range values = {0, 0};
  /// A registry identifier: its Type.
  Range type = {0, 0};
  /// A byte string or block: the most bytes that a record carries.
  std::uint64_t max_size = 0;

  /// Returns this row with `values` (and `type`) set to one value each: the
  /// header fields that decoding takes with that value only.
  constexpr FieldLayout Only(std::int64_t value,
                             std::int64_t type_value = 0) const {
    FieldLayout f = *this;
    f.values = {value, value};
    f.type = {type_value, type_value};
    return f;
  }
  /// Returns this row carrying at most `size` bytes.
  constexpr FieldLayout AtMost(std::uint64_t size) const {
    FieldLayout f = *this;
    f.max_size = size;
    return f;
  }
};

/// A row of the table, with the values that its encoding carries.
constexpr FieldLayout Row(FieldId id, const char* name, Encoding encoding,
                          Presence presence, int bit, std::size_t offset,
                          bool has_member) {
  FieldLayout f{id, name, encoding, presence, bit, offset, has_member};
  switch (encoding) {
    case Encoding::kInt32:
      f.values = kInt32Range;
      break;
    case Encoding::kByte:
      f.values = kByteRange;
      break;
    case Encoding::kFlag:
      f.values = kFlagRange;
      break;
    case Encoding::kRegistryID:
      f.values = f.type = kInt16Range;
      break;
    case Encoding::kByteString:
      f.max_size = kMaxByteStringSize;
      break;
    case Encoding::kDateTime:
    case Encoding::kValidityPeriod:
    case Encoding::kBlock:
      break;
  }
  return f;
}

/// The one record format, header version and revision that a record has.
inline constexpr std::int16_t kFormatOwner = 0x0101;
inline constexpr std::int16_t kFormatType = 0x0009;
inline constexpr unsigned char kHeaderVersion = 0x30;
inline constexpr unsigned char kHeaderRevision = 0x01;

/// Bytes of what every record holds besides its blocks: the header, the
/// optional fields that the encoder always writes (the biometric type, the
/// subtype, RegisteredId1, the processed level, the purpose and the quality)
/// and the BDB's length. `SmallestRecordSize` checks it against the table.
inline constexpr std::uint64_t kSmallestRecordSize =
    21 + 4 + 1 + 4 + 1 + 1 + 1 + 4;
/// The most bytes of a BDB: a record of the largest size, with no SB.
inline constexpr std::uint64_t kMaxBiometricDataSize =
    kMaxRecordSize - kSmallestRecordSize;
/// The most bytes of an SB: a record of the largest size with an empty BDB,
/// less the SB's own length.
inline constexpr std::uint64_t kMaxSecurityBlockSize =
    kMaxBiometricDataSize - 4;

inline constexpr FieldLayout kFields[] = {
    Row(FieldId::kRecordFormat, "RecordFormat", Encoding::kRegistryID,
        Presence::kAlways, -1, 0, true)
        .Only(kFormatOwner, kFormatType),
    Row(FieldId::kTotalLength, "TotalLength", Encoding::kInt32,
        Presence::kAlways, -1, 4, false),
    Row(FieldId::kHeaderVersion, "HeaderVersion", Encoding::kByte,
        Presence::kAlways, -1, 8, true)
        .Only(kHeaderVersion),
    Row(FieldId::kHeaderRevision, "HeaderRevision", Encoding::kByte,
        Presence::kAlways, -1, 9, true)
        .Only(kHeaderRevision),
    Row(FieldId::kBDBFormat, "BDBFormat", Encoding::kRegistryID,
        Presence::kAlways, -1, 10, true),
    Row(FieldId::kEncryptionOption, "EncryptionOption", Encoding::kFlag,
        Presence::kAlways, -1, 14, true),
    Row(FieldId::kIntegrityOption, "IntegrityOption", Encoding::kFlag,
        Presence::kAlways, -1, 15, true),
    Row(FieldId::kReserved, "Reserved", Encoding::kByte, Presence::kAlways, -1,
        16, false),
    Row(FieldId::kPresenceBitmap, "PresenceBitmap", Encoding::kInt32,
        Presence::kAlways, -1, 17, false),
    Row(FieldId::kBDBBiometricType, "BDBBiometricType", Encoding::kInt32,
        Presence::kAlways, 0, kNoFixedOffset, true),
    Row(FieldId::kBDBBiometricSubtype, "BDBBiometricSubtype", Encoding::kByte,
        Presence::kAlways, 1, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId1, "RegisteredId1", Encoding::kRegistryID,
        Presence::kAlways, 2, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId2, "RegisteredId2", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 3, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId3, "RegisteredId3", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 4, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId4, "RegisteredId4", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 5, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId5, "RegisteredId5", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 6, kNoFixedOffset, true),
    Row(FieldId::kOctetString1, "OctetString1", Encoding::kByteString,
        Presence::kNotEmpty, 7, kNoFixedOffset, true),
    Row(FieldId::kBDBCreationDate, "BDBCreationDate", Encoding::kDateTime,
        Presence::kDateTimeSet, 8, kNoFixedOffset, true),
    Row(FieldId::kOctetString2, "OctetString2", Encoding::kByteString,
        Presence::kNotEmpty, 9, kNoFixedOffset, true),
    Row(FieldId::kBDBProcessedLevel, "BDBProcessedLevel", Encoding::kByte,
        Presence::kAlways, 10, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId6, "RegisteredId6", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 11, kNoFixedOffset, true),
    Row(FieldId::kBDBPurpose, "BDBPurpose", Encoding::kByte, Presence::kAlways,
        12, kNoFixedOffset, true),
    Row(FieldId::kBDBQuality, "BDBQuality", Encoding::kByte, Presence::kAlways,
        13, kNoFixedOffset, true),
    Row(FieldId::kRegisteredId7, "RegisteredId7", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 14, kNoFixedOffset, true),
    Row(FieldId::kBDBValidityPeriod, "BDBValidityPeriod",
        Encoding::kValidityPeriod, Presence::kNotEmpty, 15, kNoFixedOffset,
        true),
    Row(FieldId::kBIRCreationDate, "BIRCreationDate", Encoding::kDateTime,
        Presence::kDateTimeSet, 16, kNoFixedOffset, true),
    Row(FieldId::kOctetString3, "OctetString3", Encoding::kByteString,
        Presence::kNotEmpty, 17, kNoFixedOffset, true),
    Row(FieldId::kOctetString4, "OctetString4", Encoding::kByteString,
        Presence::kNotEmpty, 18, kNoFixedOffset, true),
    Row(FieldId::kOctetString5, "OctetString5", Encoding::kByteString,
        Presence::kNotEmpty, 19, kNoFixedOffset, true),
    Row(FieldId::kOctetString6, "OctetString6", Encoding::kByteString,
        Presence::kNotEmpty, 20, kNoFixedOffset, true),
    Row(FieldId::kBIRValidityPeriod, "BIRValidityPeriod",
        Encoding::kValidityPeriod, Presence::kNotEmpty, 21, kNoFixedOffset,
        true),
    Row(FieldId::kRegisteredId8, "RegisteredId8", Encoding::kRegistryID,
        Presence::kBothHalvesNonZero, 22, kNoFixedOffset, true),
    Row(FieldId::kBiometricData, "BiometricData", Encoding::kBlock,
        Presence::kAlways, -1, kNoFixedOffset, true)
        .AtMost(kMaxBiometricDataSize),
    Row(FieldId::kSecurityBlock, "SecurityBlock", Encoding::kBlock,
        Presence::kWithSecurityOption, -1, kNoFixedOffset, true)
        .AtMost(kMaxSecurityBlockSize),
};

/// Returns the row of field `id`.
constexpr const FieldLayout& LayoutOf(FieldId id) {
  return kFields[static_cast<std::size_t>(id)];
}

/// Size of the fixed header.
inline constexpr std::size_t kHeaderSize = 21;
/// Number of optional fields, bits 0 to 22 of the presence bit-map.
inline constexpr std::size_t kOptionalFieldCount = 23;
/// Index of the first optional field; the others follow it in bit order.
inline constexpr std::size_t kFirstOptionalField =
    static_cast<std::size_t>(FieldId::kBDBBiometricType);

/// Bytes of a fixed-size encoding (a byte string or block adds its own
/// length).
constexpr std::size_t FixedSize(Encoding encoding) {
  switch (encoding) {
    case Encoding::kInt32:
      return 4;
    case Encoding::kByte:
    case Encoding::kFlag:
      return 1;
    case Encoding::kRegistryID:
      return 4;
    case Encoding::kByteString:
      return 2;
    case Encoding::kDateTime:
      return 7;
    case Encoding::kValidityPeriod:
      return 14;
    case Encoding::kBlock:
      return 4;
  }
  return 0;
}

/// Bytes of the smallest record that the encoder writes: the header, the
/// optional fields that it always writes, and the BDB's length.
constexpr std::size_t SmallestRecordSize() {
  std::size_t size = kHeaderSize + FixedSize(Encoding::kBlock);
  for (std::size_t i = kFirstOptionalField;
       i < kFirstOptionalField + kOptionalFieldCount; ++i) {
    if (kFields[i].presence == Presence::kAlways) {
      size += FixedSize(kFields[i].encoding);
    }
  }
  return size;
}

// The table's rows: one per identifier, in order; the header fields lie end
// to end and fill the header; the optional fields hold bits 0 to 22 in order.
constexpr bool TableIsInOrder() {
  if (sizeof(kFields) / sizeof(kFields[0]) != kFieldCount) return false;
  std::size_t header_end = 0;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    const FieldLayout& f = kFields[i];
    if (static_cast<std::size_t>(f.id) != i) return false;
    const bool optional = i >= kFirstOptionalField &&
                          i < kFirstOptionalField + kOptionalFieldCount;
    if (f.bit != (optional ? static_cast<int>(i - kFirstOptionalField) : -1)) {
      return false;
    }
    if (i < kFirstOptionalField) {
      if (f.offset != header_end) return false;
      header_end += FixedSize(f.encoding);
    } else if (f.offset != kNoFixedOffset) {
      return false;
    }
  }
  return header_end == kHeaderSize;
}
static_assert(SmallestRecordSize() == kSmallestRecordSize,
              "kSmallestRecordSize: the header, the always-written optional "
              "fields and the BDB's length");
static_assert(TableIsInOrder(),
              "kFields: one row per FieldId in order, the header fields end "
              "to end over 21 bytes, the optional fields on bits 0 to 22");

/// Returns true when the encoder writes the date-time `t`: when all nine of
/// its members are non-zero, or when `tm_wday`, `tm_yday` and `tm_isdst` are
/// all -1 ("not known", as the decoder leaves every date-time that it reads),
/// whatever the six recorded members hold. So every date-time that a record
/// carried is written again, while the decoder's default for a missing one
/// (2000-01-01 00:00:00, the other three members 0) is not.
inline bool IsWrittenDateTime(const std::tm& t) {
  if (t.tm_wday == -1 && t.tm_yday == -1 && t.tm_isdst == -1) return true;
  return t.tm_year != 0 && t.tm_mon != 0 && t.tm_mday != 0 && t.tm_hour != 0 &&
         t.tm_min != 0 && t.tm_sec != 0 && t.tm_wday != 0 && t.tm_yday != 0 &&
         t.tm_isdst != 0;
}

/// Returns true when the record carries the six recorded members of `t` as
/// they are: the year in 16 bits, the others in a byte each.
inline bool FitsDateTime(const std::tm& t) {
  return kYearRange.Holds(t.tm_year) && kDateTimeMemberRange.Holds(t.tm_mon) &&
         kDateTimeMemberRange.Holds(t.tm_mday) &&
         kDateTimeMemberRange.Holds(t.tm_hour) &&
         kDateTimeMemberRange.Holds(t.tm_min) &&
         kDateTimeMemberRange.Holds(t.tm_sec);
}

/// Whether the encoder writes an optional field, by its rule and its value:
/// the one presence rule that the encoder, the C interface and the record
/// tool all apply.
template <class T>
inline bool IsPresent(Presence, const T&) {
  static_assert(std::is_enum_v<T> || std::is_same_v<T, unsigned char>);
  return true;
}
inline bool IsPresent(Presence rule, const RegistryID& id) {
  return rule == Presence::kAlways || (id.Owner != 0 && id.Type != 0);
}
template <class T>
inline bool IsPresent(Presence, const std::vector<T>& sequence) {
  return !sequence.empty();
}
inline bool IsPresent(Presence, const std::tm& t) {
  return IsWrittenDateTime(t);
}

/// Whether the encoder writes the security block: a security option is set
/// and the block is not empty.
inline bool HasSecurityBlock(const BIR& bir) {
  return !bir.SecurityBlock.empty() &&
         (bir.EncryptionOption || bir.IntegrityOption);
}

/// A field's member of `BIR`.
template <FieldId kId, class T>
struct Member {
  static constexpr FieldId id = kId;
  using Type = T;
  T BIR::*pointer;
};

/// Pairs field `kId` with its member of `BIR`.
template <FieldId kId, class T>
constexpr Member<kId, T> MemberOf(T BIR::*pointer) {
  return Member<kId, T>{pointer};
}

/// The member of `BIR` of every field that has one, in record order: the one
/// place that ties the table to the class.
inline constexpr auto kMembers = std::make_tuple(
    MemberOf<FieldId::kRecordFormat>(&BIR::RecordFormat),
    MemberOf<FieldId::kHeaderVersion>(&BIR::HeaderVersion),
    MemberOf<FieldId::kHeaderRevision>(&BIR::HeaderRevision),
    MemberOf<FieldId::kBDBFormat>(&BIR::BDBFormat),
    MemberOf<FieldId::kEncryptionOption>(&BIR::EncryptionOption),
    MemberOf<FieldId::kIntegrityOption>(&BIR::IntegrityOption),
    MemberOf<FieldId::kBDBBiometricType>(&BIR::BDBBiometricType),
    MemberOf<FieldId::kBDBBiometricSubtype>(&BIR::BDBBiometricSubtype),
    MemberOf<FieldId::kRegisteredId1>(&BIR::RegisteredId1),
    MemberOf<FieldId::kRegisteredId2>(&BIR::RegisteredId2),
    MemberOf<FieldId::kRegisteredId3>(&BIR::RegisteredId3),
    MemberOf<FieldId::kRegisteredId4>(&BIR::RegisteredId4),
    MemberOf<FieldId::kRegisteredId5>(&BIR::RegisteredId5),
    MemberOf<FieldId::kOctetString1>(&BIR::OctetString1),
    MemberOf<FieldId::kBDBCreationDate>(&BIR::BDBCreationDate),
    MemberOf<FieldId::kOctetString2>(&BIR::OctetString2),
    MemberOf<FieldId::kBDBProcessedLevel>(&BIR::BDBProcessedLevel),
    MemberOf<FieldId::kRegisteredId6>(&BIR::RegisteredId6),
    MemberOf<FieldId::kBDBPurpose>(&BIR::BDBPurpose),
    MemberOf<FieldId::kBDBQuality>(&BIR::BDBQuality),
    MemberOf<FieldId::kRegisteredId7>(&BIR::RegisteredId7),
    MemberOf<FieldId::kBDBValidityPeriod>(&BIR::BDBValidityPeriod),
    MemberOf<FieldId::kBIRCreationDate>(&BIR::BIRCreationDate),
    MemberOf<FieldId::kOctetString3>(&BIR::OctetString3),
    MemberOf<FieldId::kOctetString4>(&BIR::OctetString4),
    MemberOf<FieldId::kOctetString5>(&BIR::OctetString5),
    MemberOf<FieldId::kOctetString6>(&BIR::OctetString6),
    MemberOf<FieldId::kBIRValidityPeriod>(&BIR::BIRValidityPeriod),
    MemberOf<FieldId::kRegisteredId8>(&BIR::RegisteredId8),
    MemberOf<FieldId::kBiometricData>(&BIR::BiometricData),
    MemberOf<FieldId::kSecurityBlock>(&BIR::SecurityBlock));

/// Returns true when a member of type `T` holds a field of encoding `e`.
template <class T>
constexpr bool Holds(Encoding e) {
  switch (e) {
    case Encoding::kInt32:
      return std::is_enum_v<T> && sizeof(T) == 4;
    case Encoding::kByte:
      return std::is_enum_v<T> || std::is_same_v<T, unsigned char>;
    case Encoding::kFlag:
      return std::is_same_v<T, bool>;
    case Encoding::kRegistryID:
      return std::is_same_v<T, RegistryID>;
    case Encoding::kByteString:
    case Encoding::kBlock:
      return std::is_same_v<T, std::vector<unsigned char>>;
    case Encoding::kDateTime:
      return std::is_same_v<T, std::tm>;
    case Encoding::kValidityPeriod:
      return std::is_same_v<T, std::vector<std::tm>>;
  }
  return false;
}

// `kMembers` names every field that has a member, each once and in order,
// each with a member of the type that its encoding needs.
template <std::size_t... I>
constexpr bool MembersMatchTable(std::index_sequence<I...>) {
  constexpr FieldId ids[] = {
      std::tuple_element_t<I, decltype(kMembers)>::id...};
  constexpr bool types[] = {
      Holds<typename std::tuple_element_t<I, decltype(kMembers)>::Type>(
          LayoutOf(std::tuple_element_t<I, decltype(kMembers)>::id)
              .encoding)...};
  std::size_t next = 0;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (!kFields[i].has_member) continue;
    if (next == sizeof...(I) || ids[next] != kFields[i].id || !types[next]) {
      return false;
    }
    ++next;
  }
  return next == sizeof...(I);
}
static_assert(
    MembersMatchTable(
        std::make_index_sequence<std::tuple_size_v<decltype(kMembers)>>()),
    "kMembers: one member of the right type per field that BIR "
    "holds, in FieldId order");

/// Calls `visit(layout, member)` for every field that `bir` holds, in record
/// order; `Record` is `BIR` or `const BIR`.
template <class Record, class Visit>
void ForEachMemberField(Record& bir, Visit&& visit) {
  std::apply(
      [&](const auto&... member) {
        (visit(LayoutOf(std::decay_t<decltype(member)>::id),
               bir.*(member.pointer)),
         ...);
      },
      kMembers);
}

/// Calls `visit(layout, member)` for every optional field of `bir`, in bit
/// order.
template <class Record, class Visit>
void ForEachOptionalField(Record& bir, Visit&& visit) {
  std::apply(
      [&](const auto&... member) {
        (
            [&](const auto& m) {
              constexpr FieldId id = std::decay_t<decltype(m)>::id;
              if constexpr (LayoutOf(id).bit >= 0) {
                visit(LayoutOf(id), bir.*(m.pointer));
              }
            }(member),
            ...);
      },
      kMembers);
}

/// The presence bit-map that the encoder writes for `bir`: bit n set when
/// the optional field of bit n is present by its rule. (The encoder itself
/// sums the record's size in the same walk.)
inline std::uint32_t PresenceBits(const BIR& bir) {
  std::uint32_t bits = 0;
  ForEachOptionalField(bir, [&](const FieldLayout& field, const auto& member) {
    if (IsPresent(field.presence, member)) {
      bits |= std::uint32_t{1} << field.bit;
    }
  });
  return bits;
}

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_RECORD_LAYOUT_H_
