// What decoding an encoded record must give back, written out field by field
// from the record format's rules rather than from the library's layout table,
// so that the fuzz targets check the codec against an independent statement.
#ifndef BIOAPI_DATA_TESTS_FUZZ_ROUND_TRIP_H_
#define BIOAPI_DATA_TESTS_FUZZ_ROUND_TRIP_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir_comparison.h"

namespace BioAPI_Data {
namespace testing {

/// Reports a broken property and aborts, which a fuzzer records as a crash.
[[noreturn]] inline void Fail(const char* property, const char* detail = "") {
  std::fprintf(stderr, "property broken: %s %s\n", property, detail);
  std::abort();
}

inline void Require(bool ok, const char* property, const char* detail = "") {
  if (!ok) Fail(property, detail);
}

/// The date-time that the decoder reads back from the seven bytes written for
/// `t`: the year as a signed 16-bit value, the other five as unsigned bytes,
/// and -1 ("not known") for the three members that the record does not carry.
inline std::tm RecordedDateTime(const std::tm& t) {
  std::tm r{};
  r.tm_year = static_cast<std::int16_t>(static_cast<std::uint16_t>(t.tm_year));
  r.tm_mon = static_cast<std::uint8_t>(t.tm_mon);
  r.tm_mday = static_cast<std::uint8_t>(t.tm_mday);
  r.tm_hour = static_cast<std::uint8_t>(t.tm_hour);
  r.tm_min = static_cast<std::uint8_t>(t.tm_min);
  r.tm_sec = static_cast<std::uint8_t>(t.tm_sec);
  r.tm_wday = r.tm_yday = r.tm_isdst = -1;
  return r;
}

/// A creation date as it comes back: written when all nine members are
/// non-zero or when the three that the record does not carry are all -1,
/// otherwise the decoder's default of 2000-01-01 00:00:00.
inline std::tm DecodedCreationDate(const std::tm& t) {
  const bool not_known = t.tm_wday == -1 && t.tm_yday == -1 && t.tm_isdst == -1;
  if (not_known || (t.tm_year != 0 && t.tm_mon != 0 && t.tm_mday != 0 &&
                    t.tm_hour != 0 && t.tm_min != 0 && t.tm_sec != 0 &&
                    t.tm_wday != 0 && t.tm_yday != 0 && t.tm_isdst != 0)) {
    return RecordedDateTime(t);
  }
  std::tm absent{};
  absent.tm_year = 2000;
  absent.tm_mon = 1;
  absent.tm_mday = 1;
  return absent;
}

/// A validity period as it comes back: nothing when empty, otherwise its
/// first two elements, a missing end written as zeros.
inline std::vector<std::tm> DecodedPeriod(const std::vector<std::tm>& p) {
  if (p.empty()) return {};
  return {RecordedDateTime(p[0]),
          RecordedDateTime(p.size() > 1 ? p[1] : std::tm{})};
}

inline RegistryID DecodedOptionalId(const RegistryID& id) {
  return id.Owner != 0 && id.Type != 0 ? id : RegistryID{};
}

template <class Enum>
Enum LowByte(Enum e) {
  return static_cast<Enum>(static_cast<std::uint8_t>(static_cast<int>(e)));
}

/// The record that decoding `written.Encode()` must produce, for a `written`
/// whose header is the native one and whose byte strings fit their lengths.
inline BIR ExpectedDecoding(const BIR& written) {
  BIR e;  // the per-object constants as a fresh record holds them
  e.RecordFormat = written.RecordFormat;
  e.HeaderVersion = written.HeaderVersion;
  e.HeaderRevision = written.HeaderRevision;
  e.BDBFormat = written.BDBFormat;
  e.EncryptionOption = written.EncryptionOption;
  e.IntegrityOption = written.IntegrityOption;
  e.BDBBiometricType = written.BDBBiometricType;
  e.BDBBiometricSubtype = LowByte(written.BDBBiometricSubtype);
  e.RegisteredId1 = written.RegisteredId1;
  e.RegisteredId2 = DecodedOptionalId(written.RegisteredId2);
  e.RegisteredId3 = DecodedOptionalId(written.RegisteredId3);
  e.RegisteredId4 = DecodedOptionalId(written.RegisteredId4);
  e.RegisteredId5 = DecodedOptionalId(written.RegisteredId5);
  e.OctetString1 = written.OctetString1;
  e.BDBCreationDate = DecodedCreationDate(written.BDBCreationDate);
  e.OctetString2 = written.OctetString2;
  e.BDBProcessedLevel = LowByte(written.BDBProcessedLevel);
  e.RegisteredId6 = DecodedOptionalId(written.RegisteredId6);
  e.BDBPurpose = LowByte(written.BDBPurpose);
  e.BDBQuality = written.BDBQuality;
  e.RegisteredId7 = DecodedOptionalId(written.RegisteredId7);
  e.BDBValidityPeriod = DecodedPeriod(written.BDBValidityPeriod);
  e.BIRCreationDate = DecodedCreationDate(written.BIRCreationDate);
  e.OctetString3 = written.OctetString3;
  e.OctetString4 = written.OctetString4;
  e.OctetString5 = written.OctetString5;
  e.OctetString6 = written.OctetString6;
  e.BIRValidityPeriod = DecodedPeriod(written.BIRValidityPeriod);
  e.RegisteredId8 = DecodedOptionalId(written.RegisteredId8);
  e.BiometricData = written.BiometricData;
  if (written.EncryptionOption || written.IntegrityOption) {
    e.SecurityBlock = written.SecurityBlock;
  }
  return e;
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_FUZZ_ROUND_TRIP_H_
