/// @file
/// The biometric information record and its little-endian byte record.
#ifndef BIOAPI_DATA_BIR_H_
#define BIOAPI_DATA_BIR_H_

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

#include "bioapi_data/export.h"
#include "bioapi_data/types.h"

BIOAPI_DATA_BEGIN_EXPORTS

namespace BioAPI_Data {

/// A biometric information record: header identifiers, two security options,
/// twenty-three optional descriptive fields, the biometric data block (BDB)
/// and the security block (SB).
///
/// A plain value: it owns every byte string and sequence it holds, and a copy
/// shares nothing with its source. Date-times are nine plain integers with
/// `tm_year` holding the full calendar year; no time function ever touches
/// them. The record format carries six of them (year to second); a
/// date-time whose `tm_wday`, `tm_yday` and `tm_isdst` are -1 ("not known")
/// is always written, whatever its time.
///
/// Byte record: a 21-byte header, the optional fields that its presence
/// bit-map announces, the BDB, and the SB when a security option is set; every
/// integer little-endian, nothing aligned.
class BIOAPI_DATA_API BIR {
 public:
  std::int16_t NativeFormatOwner =
      0x0101;                              ///< Owner half of the native format.
  std::int16_t NativeFormatType = 0x0009;  ///< Type half of the native format.
  std::int16_t FixedWord3 = 0x0007;        ///< Constant 7, carried by copying.
  std::int16_t FixedWord4 = 0x001D;        ///< Constant 29, carried by copying.
  /// Format identifier written in the first four bytes of the record.
  RegistryID RecordFormat{0x0101, 0x0009};
  unsigned char HeaderVersion = 0x30;   ///< Header version byte.
  unsigned char HeaderRevision = 0x01;  ///< Header revision byte.
  RegistryID BDBFormat{};               ///< Format of the biometric data block.
  bool EncryptionOption = false;        ///< First security option.
  bool IntegrityOption = false;         ///< Second security option.
  BiometricType BDBBiometricType{};     ///< Bit 0; all 32 bits in the record.
  BiometricSubtype BDBBiometricSubtype{};  ///< Bit 1; low 8 bits in the record.
  RegistryID RegisteredId1{};              ///< Bit 2; always written.
  RegistryID
      RegisteredId2{};  ///< Bit 3; written when both halves are non-zero.
  RegistryID RegisteredId3{};               ///< Bit 4; as `RegisteredId2`.
  RegistryID RegisteredId4{};               ///< Bit 5; as `RegisteredId2`.
  RegistryID RegisteredId5{};               ///< Bit 6; as `RegisteredId2`.
  std::vector<unsigned char> OctetString1;  ///< Bit 7; written when not empty.
  /// Bit 8; written when all nine members are non-zero, or when `tm_wday`,
  /// `tm_yday` and `tm_isdst` are all -1 (as decoding leaves them).
  std::tm BDBCreationDate{};
  std::vector<unsigned char> OctetString2;  ///< Bit 9; written when not empty.
  ProcessedLevel BDBProcessedLevel{};  ///< Bit 10; low 8 bits in the record.
  RegistryID RegisteredId6{};          ///< Bit 11; as `RegisteredId2`.
  Purpose BDBPurpose{};                ///< Bit 12; low 8 bits in the record.
  unsigned char BDBQuality = 0;        ///< Bit 13.
  RegistryID RegisteredId7{};          ///< Bit 14; as `RegisteredId2`.
  /// Bit 15; start then end, written when not empty (elements 0 and 1 only).
  std::vector<std::tm> BDBValidityPeriod;
  std::tm BIRCreationDate{};                ///< Bit 16; as `BDBCreationDate`.
  std::vector<unsigned char> OctetString3;  ///< Bit 17; written when not empty.
  std::vector<unsigned char> OctetString4;  ///< Bit 18; written when not empty.
  std::vector<unsigned char> OctetString5;  ///< Bit 19; written when not empty.
  std::vector<unsigned char> OctetString6;  ///< Bit 20; written when not empty.
  std::vector<std::tm> BIRValidityPeriod;   ///< Bit 21; as `BDBValidityPeriod`.
  RegistryID RegisteredId8{};               ///< Bit 22; as `RegisteredId2`.
  std::vector<unsigned char> BiometricData;  ///< The BDB; always in the record.
  /// The SB; in the record when a security option is set and it is not empty.
  std::vector<unsigned char> SecurityBlock;

  /// A record with the native format, version 0x30, revision 0x01, every other
  /// scalar 0 and every byte string and sequence empty; it encodes to a record
  /// that decodes.
  BIR() = default;

  /// Builds a record field by field, in field order from `BDBFormat` to
  /// `SecurityBlock`. The format identifier, version and revision are always
  /// the native ones. Nothing is checked.
  BIR(RegistryID BDBFormat, bool EncryptionOption, bool IntegrityOption,
      BiometricType BDBBiometricType, BiometricSubtype BDBBiometricSubtype,
      RegistryID RegisteredId1, RegistryID RegisteredId2,
      RegistryID RegisteredId3, RegistryID RegisteredId4,
      RegistryID RegisteredId5, std::vector<unsigned char> OctetString1,
      std::tm BDBCreationDate, std::vector<unsigned char> OctetString2,
      ProcessedLevel BDBProcessedLevel, RegistryID RegisteredId6,
      Purpose BDBPurpose, unsigned char BDBQuality, RegistryID RegisteredId7,
      std::vector<std::tm> BDBValidityPeriod, std::tm BIRCreationDate,
      std::vector<unsigned char> OctetString3,
      std::vector<unsigned char> OctetString4,
      std::vector<unsigned char> OctetString5,
      std::vector<unsigned char> OctetString6,
      std::vector<std::tm> BIRValidityPeriod, RegistryID RegisteredId8,
      std::vector<unsigned char> BiometricData,
      std::vector<unsigned char> SecurityBlock);

  /// Decodes a byte record that the caller keeps; copies the BDB once.
  ///
  /// Throws `BioAPIException*` (facility Unit, code 0x10B, "BioAPI Error:
  /// Invalid Data. (Source: Unit).") when the header is not the native one,
  /// the total length differs from `bytes.size()`, or any field, length or
  /// block reaches past the end of the array. The handler deletes it.
  explicit BIR(const std::vector<unsigned char>& bytes);

  /// Decodes a byte record and takes over its storage: when the BDB makes up
  /// most of the record, it is moved to the front of `bytes` and kept as
  /// `BiometricData` without a second allocation. On success `bytes` is
  /// always left empty with no storage (capacity 0), whether its storage
  /// went to `BiometricData` or was released. Throws as above; on a throw
  /// `bytes` is left as it was.
  explicit BIR(std::vector<unsigned char>&& bytes);

  /// Decodes `size` bytes at `data`, which the caller keeps (the record does
  /// not refer to them afterwards). Throws as above; a null `data` with a
  /// non-zero size is rejected the same way.
  BIR(const unsigned char* data, std::size_t size);

  /// Returns the byte record of this object; touches no file.
  ///
  /// Throws `BioAPIException*` (Unit, 0x10B, a text naming the field and the
  /// limit) when an optional byte string exceeds 32767 bytes, the record
  /// would exceed 2147483647 bytes, or the header is one that decoding
  /// refuses (`RecordFormat` other than 0x0101/0x0009, `HeaderVersion` other
  /// than 0x30, `HeaderRevision` other than 0x01); std::bad_alloc on
  /// exhaustion.
  std::vector<unsigned char> Encode() const;

  /// Returns `Encode()` and leaves the same bytes in the file "record" of the
  /// current working directory, as opening it for writing would: through a
  /// symbolic link to its target; never into a file that cannot be opened
  /// for writing (read-only), nor into anything but a regular file; a new
  /// file gets 0666 less the umask.
  ///
  /// The file is replaced atomically where possible: a temporary file in the
  /// target's directory takes the old file's owner, group, ACL and extended
  /// attributes, then its mode (on Windows its attributes and security), and
  /// is renamed over it. Where this user may write the file but not replace
  /// it, and where the file has several hard links (which a rename would
  /// part), it is written in place, its space taken first. Either way the
  /// record is on the disk when it returns (the new file synced, then its
  /// directory; the file written in place synced). A failed write leaves the
  /// old record whole; failures are not reported; a refused record leaves
  /// the file untouched. docs/record-file.md says what a crash and a power
  /// loss leave on each path. Throws as `Encode()`.
  std::vector<unsigned char> ToArray() const;

 private:
  /// The little-endian signed 32-bit value at `bytes[index]` (least
  /// significant byte first). The caller guarantees four bytes are there.
  static int Array2IntBE(const std::vector<unsigned char>& bytes, int index);
  /// The little-endian signed 16-bit value at `bytes[index]`.
  static short Array2ShortBE(const std::vector<unsigned char>& bytes,
                             int index);
};

}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_BIR_H_
