// Which accepted records the encoder writes back byte for byte, written out
// from the record format's rules rather than from the library's layout table,
// so that the decoder's fuzz target checks the codec against an independent
// statement.
#ifndef BIOAPI_DATA_TESTS_FUZZ_CANONICAL_RECORD_H_
#define BIOAPI_DATA_TESTS_FUZZ_CANONICAL_RECORD_H_

#include <cstddef>
#include <cstdint>

namespace BioAPI_Data {
namespace testing {

/// Returns true when the record of `size` bytes at `data`, which the decoder
/// accepts, holds none of the forms that the encoder normalises: a security
/// option byte other than 0 or 1, presence bits 23 to 31, an always-written
/// field missing, a registered identifier 2 to 8 with a zero half, an empty
/// byte string, an empty security block, or bytes after the last block.
/// Every date-time and validity period that a record carries is canonical.
inline bool IsCanonicalRecord(const unsigned char* data, std::size_t size) {
  auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(data[at] | data[at + 1] << 8);
  };
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(u16(at)) |
           static_cast<std::uint32_t>(u16(at + 2)) << 16;
  };
  const bool security = data[14] != 0 || data[15] != 0;
  if (data[14] > 1 || data[15] > 1) return false;
  const std::uint32_t presence = u32(17);
  if (presence >> 23 != 0) return false;
  constexpr std::uint32_t kAlways =
      1u | 1u << 1 | 1u << 2 | 1u << 10 | 1u << 12 | 1u << 13;
  if ((presence & kAlways) != kAlways) return false;
  std::size_t at = 21;
  for (unsigned bit = 0; bit < 23; ++bit) {
    if ((presence >> bit & 1u) == 0) continue;
    switch (bit) {
      case 0:  // biometric type
      case 2:  // RegisteredId1, whatever it holds
        at += 4;
        break;
      case 1:  // subtype, processed level, purpose, quality
      case 10:
      case 12:
      case 13:
        at += 1;
        break;
      case 3:  // RegisteredId2 to RegisteredId8
      case 4:
      case 5:
      case 6:
      case 11:
      case 14:
      case 22:
        if (u16(at) == 0 || u16(at + 2) == 0) return false;
        at += 4;
        break;
      case 8:  // creation dates
      case 16:
        at += 7;
        break;
      case 15:  // validity periods
      case 21:
        at += 14;
        break;
      default:  // byte strings
        if (u16(at) == 0) return false;
        at += 2 + u16(at);
        break;
    }
  }
  at += 4 + u32(at);  // the BDB
  if (security && at < size) {
    if (u32(at) == 0) return false;
    at += 4 + u32(at);
  }
  return at == size;
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_FUZZ_CANONICAL_RECORD_H_
