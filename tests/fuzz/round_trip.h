// What decoding an encoded record must give back: the record format's rules
// for each kind of value, stated here rather than taken from the codec, and
// applied to every field of the layout's table.
#ifndef BIOAPI_DATA_TESTS_FUZZ_ROUND_TRIP_H_
#define BIOAPI_DATA_TESTS_FUZZ_ROUND_TRIP_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <type_traits>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/record_layout.h"
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

/// What one field of `written` comes back as, by the rules above: chosen by
/// the member's type and, from the layout's table, by how the field is
/// written (8 or 32 bits of an enumeration, a registry identifier always or
/// only with both halves, the SB only with a security option).
template <class T>
T Decoded(const record::FieldLayout& field, const T& value,
          const BIR& written) {
  if constexpr (std::is_same_v<T, RegistryID>) {
    return field.presence == record::Presence::kAlways
               ? value
               : DecodedOptionalId(value);
  } else if constexpr (std::is_enum_v<T>) {
    return field.encoding == record::Encoding::kByte ? LowByte(value) : value;
  } else if constexpr (std::is_same_v<T, std::tm>) {
    return DecodedCreationDate(value);
  } else if constexpr (std::is_same_v<T, std::vector<std::tm>>) {
    return DecodedPeriod(value);
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    if (field.presence == record::Presence::kWithSecurityOption &&
        !written.EncryptionOption && !written.IntegrityOption) {
      return {};
    }
    return value;
  } else {
    return value;
  }
}

/// The record that decoding `written.Encode()` must produce, for a `written`
/// whose header is the native one and whose byte strings fit their lengths:
/// every field of the layout's table, so that a field added to it is
/// checked too.
inline BIR ExpectedDecoding(const BIR& written) {
  BIR e;  // the per-object constants as a fresh record holds them
  record::ForEachMemberField(
      e, [&](const record::FieldLayout& field, auto& member) {
        using T = std::decay_t<decltype(member)>;
        record::ForEachMemberField(
            written, [&](const record::FieldLayout& from, const auto& value) {
              if constexpr (std::is_same_v<std::decay_t<decltype(value)>, T>) {
                if (from.id == field.id) {
                  member = Decoded(field, value, written);
                }
              }
            });
      });
  return e;
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_FUZZ_ROUND_TRIP_H_
