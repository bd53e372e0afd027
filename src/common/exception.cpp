#include <algorithm>
#include <iterator>
#include <utility>

#include "bioapi_data/types.h"

namespace BioAPI_Data {
namespace {

struct ErrorText {
  int key;  // low 24 bits of a BioAPI error code
  const char* text;
};

// Sorted by key: looked up by binary search.
constexpr ErrorText kErrorTexts[] = {
    {0x101, "BioAPI Internal Error"},
    {0x102, "BioAPI Memory Error"},
    {0x103, "BioAPI Error: Invalid Pointer"},
    {0x104, "BioAPI Error: Invalid Input Pointer"},
    {0x105, "BioAPI Error: Invalid Output Pointer"},
    {0x106, "BioAPI Error: Function Not Supported"},
    {0x107, "BioAPI Error: Access Denied"},
    {0x108, "BioAPI Error: Function Failed"},
    {0x109, "BioAPI Error: Invalid Uuid"},
    {0x10A, "BioAPI Error: Incompatible Version"},
    {0x10B, "BioAPI Error: Invalid Data"},
    {0x10C, "BioAPI Error: Unable To Capture"},
    {0x10D, "BioAPI Error: Too Many Handles"},
    {0x10E, "BioAPI Error: Timeout Expired"},
    {0x10F, "BioAPI Error: Invalid Bir"},
    {0x110, "BioAPI Error: Bir Signature Failure"},
    {0x111, "BioAPI Error: Unable To Store Additional Data"},
    {0x112, "BioAPI Error: No Input Birs"},
    {0x113, "BioAPI Error: Unsupported Format"},
    {0x114, "BioAPI Error: Unable To Import"},
    {0x115, "BioAPI Error: Inconsistent Purpose"},
    {0x116, "BioAPI Error: Bir Not Fully Processed"},
    {0x117, "BioAPI Error: Purpose Not Supported"},
    {0x118, "BioAPI Error: User Cancelled"},
    {0x119, "BioAPI Error: Unit In Use"},
    {0x11A, "BioAPI Error: Invalid Bsp Handle"},
    {0x11B, "BioAPI Error: Framework Not Initialized"},
    {0x11C, "BioAPI Error: Invalid Bir Handle"},
    {0x11D, "BioAPI Error: Calibration Not Successful"},
    {0x11E, "BioAPI Error: Preset Bir Does Not Exist"},
    {0x11F, "BioAPI Error: Decryption Failure"},
    {0x201, "BioAPI Error: Component File Referenced Not Found"},
    {0x202, "BioAPI Error: Bsp Load Fail"},
    {0x203, "BioAPI Error: Bsp Not Loaded"},
    {0x204, "BioAPI Error: Unit Not Inserted"},
    {0x205, "BioAPI Error: Invalid Unit ID"},
    {0x206, "BioAPI Error: Invalid Category"},
    {0x300, "BioAPI Error: Invalid Db Handle"},
    {0x301, "BioAPI Error: Unable To Open Database"},
    {0x302, "BioAPI Error: Database Is Locked"},
    {0x303, "BioAPI Error: Database Does Not Exist"},
    {0x304, "BioAPI Error: Database Already Exists"},
    {0x305, "BioAPI Error: Invalid Database Name"},
    {0x306, "BioAPI Error: Record Not Found"},
    {0x307, "BioAPI Error: Marker Handle Is Invalid"},
    {0x308, "BioAPI Error: Database Is Open"},
    {0x309, "BioAPI Error: Invalid Access Request"},
    {0x30A, "BioAPI Error: End Of Database"},
    {0x30B, "BioAPI Error: Unable To Create Database"},
    {0x30C, "BioAPI Error: Unable To Close Database"},
    {0x30D, "BioAPI Error: Unable To Delete Database"},
    {0x30E, "BioAPI Error: Database Is Corrupt"},
    {0x400, "BioAPI Error: Location Error"},
    {0x401, "BioAPI Error: Out Of Frame"},
    {0x402, "BioAPI Error: Invalid Crosswise Position"},
    {0x403, "BioAPI Error: Invalid Lengthwise Position"},
    {0x404, "BioAPI Error: Invalid Distance"},
    {0x405, "BioAPI Error: Location Too Right"},
    {0x406, "BioAPI Error: Location Too Left"},
    {0x407, "BioAPI Error: Location Too High"},
    {0x408, "BioAPI Error: Location Too Low"},
    {0x409, "BioAPI Error: Location Too Far"},
    {0x40A, "BioAPI Error: Location Too Near"},
    {0x40B, "BioAPI Error: Location Too Forward"},
    {0x40C, "BioAPI Error: Location Too Backward"},
    {0x501, "BioAPI Error: Quality Error"},
    {0x502, "BioAPI Error: BFP Error"},
    {0x503, "BioAPI Error: Invalid Parameter"},
    {0x504, "BioAPI Error: Area To Right"},
    {0x505, "BioAPI Error: Area To Left"},
    {0x506, "BioAPI Error: Area To Forward"},
    {0x507, "BioAPI Error: Area To Backward"},
    {0x508, "BioAPI Error: Presentation Attack Detected"},
};
static_assert(std::size(kErrorTexts) == 73, "the message table has 73 codes");

constexpr const char* kUnknownErrorText = "BioAPI Error - Error not identified";

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
  message_ += ". (Source: ";
  message_ += SourceWord(facility);
  facility_ = facility;
  code_ = code;
}

}  // namespace BioAPI_Data
