// Reading the headers of the record that a BDB holds through one bounded
// cursor. Every read goes through Load(), which checks the block's size
// first; a read that would pass the end throws Truncated, which the summary
// turns into a note saying how far it got.
#ifndef BIOAPI_DATA_INSPECT_BDB_READER_H_
#define BIOAPI_DATA_INSPECT_BDB_READER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bioapi_data/inspect_bdb.h"

namespace BioAPI_Data {
namespace inspect {
namespace detail {

// The block ends before a field that the walk needs.
struct Truncated {
  std::size_t at;      // Where the field begins, in the BDB.
  std::uint64_t need;  // How many bytes it needs.
  std::string what;    // Its name.
};

// Text of a field's number (and of its length, for a payload).
using Describe = std::string (*)(std::uint64_t value, std::size_t length);

class BdbReader {
 public:
  BdbReader(const unsigned char* data, std::size_t size, BdbSummary& out)
      : data_(data), size_(size), out_(out) {
    groups_.reserve(4);  // views hold images at most
  }

  std::size_t Pos() const { return pos_; }
  std::size_t Size() const { return size_; }
  std::size_t Remaining() const { return size_ - pos_; }

  // Reads `width` (1 to 8) bytes big-endian at `at`, without moving.
  std::uint64_t Load(std::size_t at, std::size_t width,
                     const char* what) const {
    if (at > size_ || width > size_ - at) throw Truncated{at, width, what};
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = value << 8 | data_[at + i];
    return value;
  }
  // True when `width` bytes remain at `at`.
  bool Has(std::size_t at, std::size_t width) const {
    return at <= size_ && width <= size_ - at;
  }

  // Reads a field of `width` bytes here, adds its row and moves past it.
  std::uint64_t Number(const char* name, std::size_t width,
                       Describe describe = nullptr) {
    const std::uint64_t value = Load(pos_, width, name);
    BdbRow& row = AddRow(name, width);
    row.number = value;
    row.describe = describe;
    pos_ += width;
    return value;
  }
  // A field shown as `text` (static): checks it is there.
  void Fixed(const char* name, std::size_t width, const char* text) {
    Require(width, name);
    AddRow(name, width).static_text = text;
    pos_ += width;
  }
  // A field shown as `text`, numbered `index` when not 0.
  void Text(const char* name, std::size_t width, std::string text,
            int index = 0) {
    Require(width, name);
    BdbRow& row = AddRow(name, width);
    row.text = std::move(text);
    row.index = index;
    pos_ += width;
  }
  // Bytes that the summary does not read (an image, minutiae): a row of
  // their extent, when they are all there, whose number is `count` items
  // worded by `describe`.
  void Payload(const char* name, std::size_t width, std::uint64_t count,
               Describe describe) {
    Require(width, name);
    BdbRow& row = AddRow(name, width);
    row.number = count;
    row.describe = describe;
    row.payload = true;
    pos_ += width;
  }

  // Opens group `name` `index` (e.g. View 1 of "Views") here; its fields
  // follow one level deeper. Its length is set when it closes.
  void Open(const char* list, const char* name, std::uint64_t index) {
    groups_.push_back(Group{out_.rows.size(), pos_});
    BdbRow& row = AddRow(name, 0);
    row.list = list;
    row.index = static_cast<int>(index);
    ++depth_;
  }
  // Closes the innermost group at the current position.
  void Close() {
    const Group g = groups_.back();
    groups_.pop_back();
    --depth_;
    out_.rows[g.row].length = pos_ - g.begin;
  }
  // Closes every open group where the walk stopped (after Truncated).
  void CloseAll() {
    while (!groups_.empty()) Close();
  }

  // Moves to `to`, which must lie within the block.
  void Seek(std::size_t to, const char* what) {
    if (to > size_) throw Truncated{pos_, to - pos_, what};
    pos_ = to;
  }
  // Throws Truncated unless `width` bytes remain here.
  void Require(std::size_t width, const char* what) const {
    if (width > size_ - pos_) throw Truncated{pos_, width, what};
  }

  // A note at BDB offset `at`.
  void Note(BdbNoteKind kind, std::size_t at, std::string text) {
    out_.notes.push_back(BdbNote{kind, out_.base + at, std::move(text)});
  }

  const unsigned char* Data() const { return data_; }

 private:
  struct Group {
    std::size_t row;
    std::size_t begin;
  };

  BdbRow& AddRow(const char* name, std::size_t width) {
    const std::size_t left = size_ - pos_;
    const unsigned shown = static_cast<unsigned>(left < 16 ? left : 16);
    // Two words, each of up to eight bytes from the top.
    const unsigned char* p = data_ + pos_;
    const auto word = [&](unsigned from) -> std::uint64_t {
      if (from + 8 <= shown) {
        const unsigned char* b = p + from;
        return std::uint64_t{b[0]} << 56 | std::uint64_t{b[1]} << 48 |
               std::uint64_t{b[2]} << 40 | std::uint64_t{b[3]} << 32 |
               std::uint64_t{b[4]} << 24 | std::uint64_t{b[5]} << 16 |
               std::uint64_t{b[6]} << 8 | std::uint64_t{b[7]};
      }
      std::uint64_t w = 0;
      for (unsigned i = from; i < from + 8; ++i) {
        w = w << 8 | (i < shown ? p[i] : 0u);
      }
      return w;
    };
    return out_.rows.emplace_back(BdbRow{out_.base + pos_,
                                         width,
                                         depth_,
                                         name,
                                         0,
                                         "",
                                         std::nullopt,
                                         false,
                                         nullptr,
                                         nullptr,
                                         std::string(),
                                         {word(0), word(8)},
                                         shown});
  }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  std::vector<Group> groups_;
  BdbSummary& out_;
};

// Summarises the BDB of `bir`, whose presence bits are `presence`.
BdbSummary SummarizeBdbOf(const BIR& bir, std::uint32_t presence);

// The readers of the general header and the views of each format. Each
// starts at the BDB's first byte and reads to the end of its last view;
// WalkEnd tells where that was.
void ReadFingerMinutiae(BdbReader& r, BdbFormat format);
void ReadFingerImage(BdbReader& r, BdbFormat format);
void ReadFace(BdbReader& r, BdbFormat format);
void ReadIris(BdbReader& r, BdbFormat format);

}  // namespace detail
}  // namespace inspect
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_INSPECT_BDB_READER_H_
