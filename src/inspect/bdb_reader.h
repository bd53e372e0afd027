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
  std::size_t at;    // Where the field begins, in the BDB.
  std::uint64_t need;  // How many bytes it needs.
  std::string what;  // Its name.
};

// Returns "AB CD ..." for the first 16 of the bytes [begin, end).
std::string BdbHex(const unsigned char* bytes, std::size_t begin,
                   std::size_t end);

// Text of a field's number: its description when it has one.
using Describe = std::string (*)(std::uint64_t value);

class BdbReader {
 public:
  BdbReader(const unsigned char* data, std::size_t size, BdbSummary& out)
      : data_(data), size_(size), out_(out) {}

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
    AddRow(name, width, describe ? describe(value) : std::to_string(value),
           value);
    pos_ += width;
    return value;
  }
  // A field shown as `text`: reads nothing itself but checks it is there.
  void Text(const char* name, std::size_t width, std::string text) {
    Require(width, name);
    AddRow(name, width, std::move(text), std::nullopt);
    pos_ += width;
  }
  // Bytes that the summary does not read (an image, minutiae): a row of
  // their extent, when they are all there.
  void Payload(const char* name, std::size_t width, std::string text) {
    Text(name, width, std::move(text));
    out_.rows.back().payload = true;
  }

  // Opens a group row ("View 1" in "Views") here; its fields follow one
  // level deeper. Its length is set when it closes.
  void Open(const char* list, const std::string& name) {
    groups_.push_back(Group{out_.rows.size(), pos_});
    AddRow(name, 0, "", std::nullopt);
    out_.rows.back().list = list;
    ++depth_;
  }
  // Closes the innermost group at the current position.
  void Close() {
    const Group g = groups_.back();
    groups_.pop_back();
    --depth_;
    BdbRow& row = out_.rows[g.row];
    row.length = pos_ - g.begin;
    row.bytes = BdbHex(data_, g.begin, pos_);
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

  void AddRow(std::string name, std::size_t width, std::string value,
              std::optional<std::uint64_t> number) {
    out_.rows.push_back(BdbRow{out_.base + pos_, width, depth_,
                               std::move(name), std::string(),
                               std::move(value), number,
                               BdbHex(data_, pos_, pos_ + width), false});
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
