// The layout of the byte record: the one description that the decoder, the
// encoder and the record tool all read.
//
// A record is a 21-byte header, the optional fields that the presence bit-map
// announces (in bit order), the biometric data block (BDB) and, when a
// security option is set, the security block (SB). Every integer is
// little-endian; nothing is aligned.
#ifndef BIOAPI_DATA_BIR_RECORD_LAYOUT_H_
#define BIOAPI_DATA_BIR_RECORD_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <type_traits>
#include <vector>

#include "bioapi_data/bir.h"

namespace BioAPI_Data {
namespace record {

/// Size of the fixed header.
inline constexpr std::size_t kHeaderSize = 21;

/// One field of the fixed header.
struct HeaderField {
  std::size_t offset;
  std::size_t width;
  const char* name;
};

/// The fixed header, in record order.
inline constexpr HeaderField kHeader[] = {
    {0, 2, "RecordFormat.Owner"}, {2, 2, "RecordFormat.Type"},
    {4, 4, "TotalLength"},        {8, 1, "HeaderVersion"},
    {9, 1, "HeaderRevision"},     {10, 2, "BDBFormat.Owner"},
    {12, 2, "BDBFormat.Type"},    {14, 1, "EncryptionOption"},
    {15, 1, "IntegrityOption"},   {16, 1, "Reserved"},
    {17, 4, "PresenceBitmap"},
};

/// Offsets of the two security options: any non-zero byte sets an option,
/// and the encoder writes 1.
inline constexpr std::size_t kEncryptionOptionOffset = 14;
inline constexpr std::size_t kIntegrityOptionOffset = 15;

inline constexpr unsigned char kHeaderVersion = 0x30;
inline constexpr unsigned char kHeaderRevision = 0x01;

/// Largest byte string of an optional field: its length is signed 16-bit.
inline constexpr std::size_t kMaxByteStringSize = 32767;
/// Largest record: its total length is signed 32-bit.
inline constexpr std::uint64_t kMaxRecordSize = 2147483647;

/// How an optional field is written.
enum class Encoding {
  kInt32,       ///< 4 bytes, all 32 bits of the field
  kByte,        ///< 1 byte, the low 8 bits; widened without sign on reading
  kRegistryID,  ///< 4 bytes: Owner, Type, signed 16-bit each
  kByteString,  ///< signed 16-bit length L, then L bytes
  kDateTime,    ///< 7 bytes: year (16-bit), month, day, hour, minute, second
  kValidityPeriod,  ///< 14 bytes: start date-time, end date-time
};

/// When the encoder writes an optional field.
enum class Presence {
  kAlways,
  kBothHalvesNonZero,  ///< a registry identifier with Owner and Type non-zero
  kNotEmpty,           ///< a byte string or validity period with elements
  kDateTimeSet,        ///< a date-time that `IsWrittenDateTime` accepts
};

/// One optional field: its bit in the presence bit-map, name and encoding.
struct OptionalField {
  unsigned bit;
  const char* name;
  Encoding encoding;
  Presence presence;
};

inline constexpr OptionalField kOptionalFields[] = {
    {0, "BDBBiometricType", Encoding::kInt32, Presence::kAlways},
    {1, "BDBBiometricSubtype", Encoding::kByte, Presence::kAlways},
    {2, "RegisteredId1", Encoding::kRegistryID, Presence::kAlways},
    {3, "RegisteredId2", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
    {4, "RegisteredId3", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
    {5, "RegisteredId4", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
    {6, "RegisteredId5", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
    {7, "OctetString1", Encoding::kByteString, Presence::kNotEmpty},
    {8, "BDBCreationDate", Encoding::kDateTime, Presence::kDateTimeSet},
    {9, "OctetString2", Encoding::kByteString, Presence::kNotEmpty},
    {10, "BDBProcessedLevel", Encoding::kByte, Presence::kAlways},
    {11, "RegisteredId6", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
    {12, "BDBPurpose", Encoding::kByte, Presence::kAlways},
    {13, "BDBQuality", Encoding::kByte, Presence::kAlways},
    {14, "RegisteredId7", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
    {15, "BDBValidityPeriod", Encoding::kValidityPeriod, Presence::kNotEmpty},
    {16, "BIRCreationDate", Encoding::kDateTime, Presence::kDateTimeSet},
    {17, "OctetString3", Encoding::kByteString, Presence::kNotEmpty},
    {18, "OctetString4", Encoding::kByteString, Presence::kNotEmpty},
    {19, "OctetString5", Encoding::kByteString, Presence::kNotEmpty},
    {20, "OctetString6", Encoding::kByteString, Presence::kNotEmpty},
    {21, "BIRValidityPeriod", Encoding::kValidityPeriod, Presence::kNotEmpty},
    {22, "RegisteredId8", Encoding::kRegistryID, Presence::kBothHalvesNonZero},
};
inline constexpr std::size_t kOptionalFieldCount =
    sizeof(kOptionalFields) / sizeof(kOptionalFields[0]);

constexpr bool BitsAreInOrder() {
  for (std::size_t i = 0; i < kOptionalFieldCount; ++i) {
    if (kOptionalFields[i].bit != i) return false;
  }
  return kOptionalFieldCount == 23;
}
static_assert(BitsAreInOrder(), "optional fields are bits 0 to 22, in order");

/// Bytes of a fixed-size encoding (a byte string adds its own length).
constexpr std::size_t FixedSize(Encoding encoding) {
  switch (encoding) {
    case Encoding::kInt32:
      return 4;
    case Encoding::kByte:
      return 1;
    case Encoding::kRegistryID:
      return 4;
    case Encoding::kByteString:
      return 2;
    case Encoding::kDateTime:
      return 7;
    case Encoding::kValidityPeriod:
      return 14;
  }
  return 0;
}

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

/// Calls `visit(field, member)` for every optional field of `bir` in bit
/// order; `Record` is `BIR` or `const BIR`. The member order here is the one
/// place that ties the table above to the fields of the class.
template <class Record, class Visit>
void ForEachOptionalField(Record& bir, Visit&& visit) {
  const OptionalField* f = kOptionalFields;
  visit(f[0], bir.BDBBiometricType);
  visit(f[1], bir.BDBBiometricSubtype);
  visit(f[2], bir.RegisteredId1);
  visit(f[3], bir.RegisteredId2);
  visit(f[4], bir.RegisteredId3);
  visit(f[5], bir.RegisteredId4);
  visit(f[6], bir.RegisteredId5);
  visit(f[7], bir.OctetString1);
  visit(f[8], bir.BDBCreationDate);
  visit(f[9], bir.OctetString2);
  visit(f[10], bir.BDBProcessedLevel);
  visit(f[11], bir.RegisteredId6);
  visit(f[12], bir.BDBPurpose);
  visit(f[13], bir.BDBQuality);
  visit(f[14], bir.RegisteredId7);
  visit(f[15], bir.BDBValidityPeriod);
  visit(f[16], bir.BIRCreationDate);
  visit(f[17], bir.OctetString3);
  visit(f[18], bir.OctetString4);
  visit(f[19], bir.OctetString5);
  visit(f[20], bir.OctetString6);
  visit(f[21], bir.BIRValidityPeriod);
  visit(f[22], bir.RegisteredId8);
}

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_RECORD_LAYOUT_H_
