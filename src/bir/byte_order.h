// Little-endian integers at unaligned positions of a byte record.
#ifndef BIOAPI_DATA_BIR_BYTE_ORDER_H_
#define BIOAPI_DATA_BIR_BYTE_ORDER_H_

#include <cstdint>

namespace BioAPI_Data {
namespace record {

/// Returns the signed 16-bit value of p[0] (least significant) and p[1].
inline std::int16_t LoadLE16(const unsigned char* p) noexcept {
  return static_cast<std::int16_t>(
      static_cast<std::uint16_t>(p[0] | (static_cast<unsigned>(p[1]) << 8)));
}

/// Returns the signed 32-bit value of p[0] (least significant) to p[3].
inline std::int32_t LoadLE32(const unsigned char* p) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) |
                                   (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) |
                                   (static_cast<std::uint32_t>(p[3]) << 24));
}

/// Writes the low 16 bits of `v` to p[0] (least significant) and p[1].
inline void StoreLE16(unsigned char* p, std::int32_t v) noexcept {
  const auto u = static_cast<std::uint32_t>(v);
  p[0] = static_cast<unsigned char>(u);
  p[1] = static_cast<unsigned char>(u >> 8);
}

/// Writes `v` to p[0] (least significant) to p[3].
inline void StoreLE32(unsigned char* p, std::int32_t v) noexcept {
  const auto u = static_cast<std::uint32_t>(v);
  p[0] = static_cast<unsigned char>(u);
  p[1] = static_cast<unsigned char>(u >> 8);
  p[2] = static_cast<unsigned char>(u >> 16);
  p[3] = static_cast<unsigned char>(u >> 24);
}

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_BYTE_ORDER_H_
