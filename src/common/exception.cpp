#include <string>
#include <utility>

#include "bioapi_data/types.h"
#include "common/error_table.h"

namespace BioAPI_Data {
namespace {

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

}  // namespace

BioAPIException::BioAPIException(int code) {
  Setup(errors::FacilityOf(code), code);
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
  message_ = errors::TextOfKey(errors::KeyOf(code));
  message_ += BIOAPI_DATA_SOURCE_PREFIX;
  message_ += SourceWord(facility);
  facility_ = facility;
  code_ = code;
}

}  // namespace BioAPI_Data
