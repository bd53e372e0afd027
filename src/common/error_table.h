// The BioAPI error table: the low 24 bits of a code and the text of the
// error. One list, expanded wherever the table is needed, and the helpers
// that split a code into its source and its key and find the key's text.
#ifndef BIOAPI_DATA_COMMON_ERROR_TABLE_H_
#define BIOAPI_DATA_COMMON_ERROR_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "bioapi_data/types.h"

/// The text of every key that has one, sorted by key. Every other key has
/// BIOAPI_DATA_UNKNOWN_ERROR_TEXT.
#define BIOAPI_DATA_ERROR_TABLE(X)                              \
  X(0x101, "BioAPI Internal Error")                             \
  X(0x102, "BioAPI Memory Error")                               \
  X(0x103, "BioAPI Error: Invalid Pointer")                     \
  X(0x104, "BioAPI Error: Invalid Input Pointer")               \
  X(0x105, "BioAPI Error: Invalid Output Pointer")              \
  X(0x106, "BioAPI Error: Function Not Supported")              \
  X(0x107, "BioAPI Error: Access Denied")                       \
  X(0x108, "BioAPI Error: Function Failed")                     \
  X(0x109, "BioAPI Error: Invalid Uuid")                        \
  X(0x10A, "BioAPI Error: Incompatible Version")                \
  X(0x10B, "BioAPI Error: Invalid Data")                        \
  X(0x10C, "BioAPI Error: Unable To Capture")                   \
  X(0x10D, "BioAPI Error: Too Many Handles")                    \
  X(0x10E, "BioAPI Error: Timeout Expired")                     \
  X(0x10F, "BioAPI Error: Invalid Bir")                         \
  X(0x110, "BioAPI Error: Bir Signature Failure")               \
  X(0x111, "BioAPI Error: Unable To Store Additional Data")     \
  X(0x112, "BioAPI Error: No Input Birs")                       \
  X(0x113, "BioAPI Error: Unsupported Format")                  \
  X(0x114, "BioAPI Error: Unable To Import")                    \
  X(0x115, "BioAPI Error: Inconsistent Purpose")                \
  X(0x116, "BioAPI Error: Bir Not Fully Processed")             \
  X(0x117, "BioAPI Error: Purpose Not Supported")               \
  X(0x118, "BioAPI Error: User Cancelled")                      \
  X(0x119, "BioAPI Error: Unit In Use")                         \
  X(0x11A, "BioAPI Error: Invalid Bsp Handle")                  \
  X(0x11B, "BioAPI Error: Framework Not Initialized")           \
  X(0x11C, "BioAPI Error: Invalid Bir Handle")                  \
  X(0x11D, "BioAPI Error: Calibration Not Successful")          \
  X(0x11E, "BioAPI Error: Preset Bir Does Not Exist")           \
  X(0x11F, "BioAPI Error: Decryption Failure")                  \
  X(0x201, "BioAPI Error: Component File Referenced Not Found") \
  X(0x202, "BioAPI Error: Bsp Load Fail")                       \
  X(0x203, "BioAPI Error: Bsp Not Loaded")                      \
  X(0x204, "BioAPI Error: Unit Not Inserted")                   \
  X(0x205, "BioAPI Error: Invalid Unit ID")                     \
  X(0x206, "BioAPI Error: Invalid Category")                    \
  X(0x300, "BioAPI Error: Invalid Db Handle")                   \
  X(0x301, "BioAPI Error: Unable To Open Database")             \
  X(0x302, "BioAPI Error: Database Is Locked")                  \
  X(0x303, "BioAPI Error: Database Does Not Exist")             \
  X(0x304, "BioAPI Error: Database Already Exists")             \
  X(0x305, "BioAPI Error: Invalid Database Name")               \
  X(0x306, "BioAPI Error: Record Not Found")                    \
  X(0x307, "BioAPI Error: Marker Handle Is Invalid")            \
  X(0x308, "BioAPI Error: Database Is Open")                    \
  X(0x309, "BioAPI Error: Invalid Access Request")              \
  X(0x30A, "BioAPI Error: End Of Database")                     \
  X(0x30B, "BioAPI Error: Unable To Create Database")           \
  X(0x30C, "BioAPI Error: Unable To Close Database")            \
  X(0x30D, "BioAPI Error: Unable To Delete Database")           \
  X(0x30E, "BioAPI Error: Database Is Corrupt")                 \
  X(0x400, "BioAPI Error: Location Error")                      \
  X(0x401, "BioAPI Error: Out Of Frame")                        \
  X(0x402, "BioAPI Error: Invalid Crosswise Position")          \
  X(0x403, "BioAPI Error: Invalid Lengthwise Position")         \
  X(0x404, "BioAPI Error: Invalid Distance")                    \
  X(0x405, "BioAPI Error: Location Too Right")                  \
  X(0x406, "BioAPI Error: Location Too Left")                   \
  X(0x407, "BioAPI Error: Location Too High")                   \
  X(0x408, "BioAPI Error: Location Too Low")                    \
  X(0x409, "BioAPI Error: Location Too Far")                    \
  X(0x40A, "BioAPI Error: Location Too Near")                   \
  X(0x40B, "BioAPI Error: Location Too Forward")                \
  X(0x40C, "BioAPI Error: Location Too Backward")               \
  X(0x501, "BioAPI Error: Quality Error")                       \
  X(0x502, "BioAPI Error: BFP Error")                           \
  X(0x503, "BioAPI Error: Invalid Parameter")                   \
  X(0x504, "BioAPI Error: Area To Right")                       \
  X(0x505, "BioAPI Error: Area To Left")                        \
  X(0x506, "BioAPI Error: Area To Forward")                     \
  X(0x507, "BioAPI Error: Area To Backward")                    \
  X(0x508, "BioAPI Error: Presentation Attack Detected")

#define BIOAPI_DATA_UNKNOWN_ERROR_TEXT "BioAPI Error - Error not identified"

/// The text between an error's text and its source word.
#define BIOAPI_DATA_SOURCE_PREFIX ". (Source: "

namespace BioAPI_Data {
namespace errors {

/// One entry of the table: a key and its text.
struct ErrorText {
  int key;           ///< Low 24 bits of a BioAPI error code.
  const char* text;  ///< The error's text, without its source.
};

#define BIOAPI_DATA_ERROR_ENTRY(key, text) ErrorText{key, text},
/// The table, in the order of BIOAPI_DATA_ERROR_TABLE.
inline constexpr ErrorText kErrorTexts[] = {
    BIOAPI_DATA_ERROR_TABLE(BIOAPI_DATA_ERROR_ENTRY)};
#undef BIOAPI_DATA_ERROR_ENTRY

/// Number of keys that have a text.
inline constexpr std::size_t kErrorCount = std::size(kErrorTexts);
static_assert(kErrorCount == 73, "the message table has 73 codes");

/// True when every key is larger than the one before it, which the binary
/// search of IndexOfKey needs.
constexpr bool KeysAscend() {
  for (std::size_t i = 1; i < kErrorCount; ++i) {
    if (kErrorTexts[i - 1].key >= kErrorTexts[i].key) return false;
  }
  return true;
}
static_assert(KeysAscend(), "the keys of the error table ascend");

/// The key of a code: its low 24 bits.
constexpr int KeyOf(int code) {
  return static_cast<int>(static_cast<std::uint32_t>(code) & 0x00FFFFFFu);
}

/// The source that a code's top byte names: 0x01 a BSP, 0x02 a unit, any
/// other the framework.
constexpr Facility FacilityOf(int code) {
  switch (static_cast<std::uint32_t>(code) >> 24) {
    case 0x01u:
      return BSP;
    case 0x02u:
      return Unit;
    default:
      return Framework;
  }
}

/// The code that carries `facility` in its top byte and the low 24 bits of
/// `code` below it, so that FacilityOf and KeyOf give both back; a facility
/// other than the three leaves `code` as it is.
constexpr int CodeOf(Facility facility, int code) {
  const int source = static_cast<int>(facility);
  if (source < Framework || source > Unit) return code;
  return static_cast<int>((static_cast<std::uint32_t>(source) << 24) |
                          static_cast<std::uint32_t>(KeyOf(code)));
}

/// The position of `key` in kErrorTexts, or kErrorCount when it has no text.
constexpr std::size_t IndexOfKey(int key) {
  std::size_t low = 0, high = kErrorCount;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (kErrorTexts[middle].key < key) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < kErrorCount && kErrorTexts[low].key == key ? low : kErrorCount;
}

/// The text of `key`, or BIOAPI_DATA_UNKNOWN_ERROR_TEXT when it has none.
constexpr const char* TextOfKey(int key) {
  const std::size_t index = IndexOfKey(key);
  return index < kErrorCount ? kErrorTexts[index].text
                             : BIOAPI_DATA_UNKNOWN_ERROR_TEXT;
}

static_assert(IndexOfKey(0x101) == 0 && IndexOfKey(0x508) == kErrorCount - 1 &&
                  IndexOfKey(0x100) == kErrorCount &&
                  IndexOfKey(0x509) == kErrorCount,
              "the search finds the first and the last key, and no other");
static_assert(FacilityOf(0x0200010B) == Unit && KeyOf(0x0200010B) == 0x10B &&
                  CodeOf(Unit, 0x10B) == 0x0200010B &&
                  CodeOf(BSP, 0x0200010B) == 0x0100010B,
              "a code splits into its source and its key and back");

}  // namespace errors
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_COMMON_ERROR_TABLE_H_
