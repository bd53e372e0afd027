// The shared tables of damaged records (tests/data/damaged_records.json):
// each with its bytes in hex and where and why the library rejects it; and
// of values that a record cannot carry (tests/data/refused_values.json). The
// C++, C, Python, .NET and page tests all read these tables.
#ifndef BIOAPI_DATA_TESTS_DAMAGED_RECORD_TABLE_H_
#define BIOAPI_DATA_TESTS_DAMAGED_RECORD_TABLE_H_

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace BioAPI_Data {
namespace testing {

/// Returns the bytes that the hex digits `hex` spell.
inline std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(
        static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

/// Returns the table: an array of {name, hex, offset, field, check, reason}.
inline nlohmann::json DamagedRecords() {
  std::ifstream file(std::string(BIOAPI_DATA_TEST_DATA_DIR) +
                     "/damaged_records.json");
  return nlohmann::json::parse(file);
}

/// Returns the shared table of values that a record cannot carry
/// (tests/data/refused_values.json): an array of {field, member, value, why},
/// `member` "" for the field itself, a date-time's tm_ member (of a period's
/// start), a registry identifier's "Owner" or "Type", or "length" (the
/// date-times of a period, the bytes of a byte string).
inline nlohmann::json RefusedValues() {
  std::ifstream file(std::string(BIOAPI_DATA_TEST_DATA_DIR) +
                     "/refused_values.json");
  return nlohmann::json::parse(file);
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_DAMAGED_RECORD_TABLE_H_
