// Turns a fuzzer's bytes into field values.
#ifndef BIOAPI_DATA_TESTS_FUZZ_FUZZ_INPUT_H_
#define BIOAPI_DATA_TESTS_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace BioAPI_Data {
namespace testing {

/// Reads values from the front of `size` bytes at `data` (not owned). Once
/// the bytes run out every read answers 0, so any input, even an empty one,
/// describes a complete set of values.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : data_(data), size_(data != nullptr ? size : 0) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  std::uint16_t U16() {
    const unsigned low = Byte();
    return static_cast<std::uint16_t>(low | (unsigned{Byte()} << 8));
  }

  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | (std::uint32_t{U16()} << 16);
  }

  /// An int that is often 0, small, or at the edge of 8, 16 or 32 bits, and
  /// otherwise any value: the values where truncation shows.
  int Int() {
    static constexpr int kEdges[] = {1,
                                     -1,
                                     127,
                                     128,
                                     255,
                                     256,
                                     32767,
                                     32768,
                                     -32768,
                                     -32769,
                                     65535,
                                     65536,
                                     std::numeric_limits<int>::max(),
                                     std::numeric_limits<int>::min()};
    switch (Byte() % 4) {
      case 0:
        return 0;
      case 1:
        return static_cast<std::int8_t>(Byte());
      case 2:
        return kEdges[Byte() % (sizeof(kEdges) / sizeof(kEdges[0]))];
      default:
        return static_cast<int>(U32());
    }
  }

  /// The next `n` bytes, or as many as remain.
  std::vector<std::uint8_t> Take(std::size_t n) {
    const std::size_t taken = n < size_ - pos_ ? n : size_ - pos_;
    std::vector<std::uint8_t> bytes(data_ + pos_, data_ + pos_ + taken);
    pos_ += taken;
    return bytes;
  }

  /// True once every byte has been read.
  bool Exhausted() const { return pos_ >= size_; }

  /// A 16-bit value that is often 0.
  std::int16_t Short() {
    return Byte() % 3 == 0 ? std::int16_t{0} : static_cast<std::int16_t>(U16());
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_FUZZ_FUZZ_INPUT_H_
