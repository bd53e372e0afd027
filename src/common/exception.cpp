#include <algorithm>
#include <iterator>
#include <utility>

#include "bioapi_data/types.h"
#include "common/error_table.h"

namespace BioAPI_Data {
namespace {

struct ErrorText {
  int key;  // low 24 bits of a BioAPI error code
  const char* text;
};

#define BIOAPI_DATA_ERROR_ENTRY(key, text) {key, text},
constexpr ErrorText kErrorTexts[] = {
    BIOAPI_DATA_ERROR_TABLE(BIOAPI_DATA_ERROR_ENTRY)};
#undef BIOAPI_DATA_ERROR_ENTRY
static_assert(std::size(kErrorTexts) == 73, "the message table has 73 codes");

constexpr const char* kUnknownErrorText = BIOAPI_DATA_UNKNOWN_ERROR_TEXT;

const char* TextOfKey(int key) {
  const auto* end = std::end(kErrorTexts);
  const auto* it = std::lower_bound(
      std::begin(kErrorTexts), end, key,
      [](const ErrorText& entry, int k) { return entry.key < k; });
  return (it != end && it->key == key) ? it->text : kUnknownErrorText;
}

const char* SourceWord(Facility facility) {
  switch (static_cast<int>(facility)) {
    case Framework:
      return "Framework).";
    case BSP:
      return "BSP).";
    case Unit:
      return "Unit).";
    default:
      return "Not defined).";
  }
}

Facility FacilityOfCode(int code) {
  switch (static_cast<std::uint32_t>(code) & 0xFF000000u) {
    case 0x01000000u:
      return BSP;
    case 0x02000000u:
      return Unit;
    default:
      return Framework;
  }
}

}  // namespace

BioAPIException::BioAPIException(int code) {
  Setup(FacilityOfCode(code), code);
}

BioAPIException::BioAPIException(Facility facility, int code) {
  Setup(facility, code);
}

BioAPIException::BioAPIException(Facility facility, int code,
                                 std::string message)
    : facility_(facility), code_(code), message_(std::move(message)) {}

BioAPIException::~BioAPIException() = default;

const char* BioAPIException::what() const noexcept { return message_.c_str(); }

void BioAPIException::Setup(Facility facility, int code) {
  const int key =
      static_cast<int>(static_cast<std::uint32_t>(code) & 0x00FFFFFFu);
  message_ = TextOfKey(key);
  message_ += BIOAPI_DATA_SOURCE_PREFIX;
  message_ += SourceWord(facility);
  facility_ = facility;
  code_ = code;
}

}  // namespace BioAPI_Data
