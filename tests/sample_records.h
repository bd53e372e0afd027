// Records used by several tests: every field distinct and present.
#ifndef BIOAPI_DATA_TESTS_SAMPLE_RECORDS_H_
#define BIOAPI_DATA_TESTS_SAMPLE_RECORDS_H_

#include <cstddef>
#include <ctime>
#include <vector>

#include "bioapi_data/bir.h"

namespace BioAPI_Data {
namespace testing {

/// A date-time with all nine members set from `seed`, so that it is written.
inline std::tm DateTime(int year, int seed) {
  std::tm t{};
  t.tm_year = year;
  t.tm_mon = 1 + seed % 12;
  t.tm_mday = 1 + seed % 28;
  t.tm_hour = 1 + seed % 23;
  t.tm_min = 1 + seed % 59;
  t.tm_sec = 1 + seed % 59;
  t.tm_wday = 1 + seed % 6;
  t.tm_yday = 1 + seed % 365;
  t.tm_isdst = 1;
  return t;
}

/// `n` bytes counting up from `first`.
inline std::vector<unsigned char> Bytes(std::size_t n,
                                        unsigned char first = 0) {
  std::vector<unsigned char> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<unsigned char>(first + i);
  }
  return bytes;
}

/// A record with all 23 optional fields present, a security block and a BDB
/// of `bdb_size` bytes; every field holds a value of its own.
inline BIR FullRecord(std::size_t bdb_size = 300) {
  return BIR(RegistryID{0x0102, 0x0304}, true, false,
             static_cast<BiometricType>(0x12345678),
             BiometricSubtype::RingFinger, RegistryID{-1, -2}, RegistryID{3, 4},
             RegistryID{5, 6}, RegistryID{7, 8}, RegistryID{9, 10},
             Bytes(5, 0x10), DateTime(2021, 1), Bytes(6, 0x20),
             ProcessedLevel::Intermediate, RegistryID{11, 12},
             Purpose::EnrollForIdentificationOnly, 77, RegistryID{13, 14},
             {DateTime(2022, 2), DateTime(2023, 3)}, DateTime(2024, 4),
             Bytes(7, 0x30), Bytes(8, 0x40), Bytes(9, 0x50), Bytes(10, 0x60),
             {DateTime(2025, 5), DateTime(2026, 6)}, RegistryID{15, 16},
             Bytes(bdb_size, 0x70), Bytes(11, 0x80));
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_SAMPLE_RECORDS_H_
