#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <type_traits>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/byte_order.h"
#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace {

using record::Encoding;
using record::FieldLayout;

[[noreturn]] void Refuse(const std::string& why) {
  throw new BioAPIException(Unit, 0x10B, "BioAPI Error: Invalid Data: " + why);
}

// Kept out of the size computation so that the text is built only on the
// failure path.
[[noreturn]] void RefuseByteString(const char* name, std::size_t size) {
  Refuse(std::string(name) + " holds " + std::to_string(size) +
         " bytes; a byte string of the record holds at most 32767");
}

// "0x0101": the 16 bits of a registry identifier's half.
std::string Hex16(std::int16_t half) {
  static const char kDigits[] = "0123456789ABCDEF";
  const auto bits = static_cast<std::uint16_t>(half);
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) {
    text += kDigits[(bits >> shift) & 0xFu];
  }
  return text;
}

// Bytes that a present field adds to the record.
template <class T>
std::size_t EncodedSize(const FieldLayout& field, const T& member) {
  if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    if (member.size() > record::kMaxByteStringSize) {
      RefuseByteString(field.name, member.size());
    }
    return 2 + member.size();
  } else {
    return record::FixedSize(field.encoding);
  }
}

// Copies `n` bytes; short strings, the usual case of the optional fields, are
// copied with a few fixed-size moves that the compiler inlines, which spares a
// call per field.
void CopySmall(unsigned char* to, const unsigned char* from, std::size_t n) {
  if (n > 32) {
    std::memcpy(to, from, n);
  } else if (n >= 16) {  // two 16-byte moves, overlapping in the middle
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

/// Room for the small items of a record that `RecordWriter` gathers.
constexpr std::size_t kStagedSize = 512;

// Appends to a buffer whose capacity the caller reserved for the whole record.
// Small items gather in a staging area on the caller's stack and reach the
// buffer in one append when it fills, before a long byte string, and at
// `Finish`: the buffer sees a handful of appends per record, not one per
// field, and no byte of it is written twice. The area lies outside the writer
// so that the writer's cursor can stay in a register: the bytes stored through
// it could otherwise alias the cursor itself.
class RecordWriter {
 public:
  RecordWriter(std::vector<unsigned char>& out,
               unsigned char (&staged)[kStagedSize])
      : out_(out), staged_(staged), next_(staged) {}
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  void U8(std::uint32_t v) {
    Reserve(1);
    *next_++ = static_cast<unsigned char>(v);
  }
  void I16(std::int32_t v) {
    Reserve(2);
    record::StoreLE16(next_, v);
    next_ += 2;
  }
  void I32(std::int32_t v) {
    Reserve(4);
    record::StoreLE32(next_, v);
    next_ += 4;
  }
  void Bytes(const std::vector<unsigned char>& bytes) {
    if (bytes.empty()) return;
    if (bytes.size() <= Room()) {
      CopySmall(next_, bytes.data(), bytes.size());
      next_ += bytes.size();
    } else {
      Finish();
      out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
  }
  void DateTime(const std::tm& t) {
    Reserve(7);
    record::StoreLE16(next_, t.tm_year);
    next_[2] = static_cast<unsigned char>(t.tm_mon);
    next_[3] = static_cast<unsigned char>(t.tm_mday);
    next_[4] = static_cast<unsigned char>(t.tm_hour);
    next_[5] = static_cast<unsigned char>(t.tm_min);
    next_[6] = static_cast<unsigned char>(t.tm_sec);
    next_ += 7;
  }
  /// Appends what is staged to the buffer.
  void Finish() {
    out_.insert(out_.end(), staged_, next_);
    next_ = staged_;
  }

  // Writers of one optional field, chosen by the member's type.
  template <class T>
  void Field(Encoding encoding, const T& v) {
    const auto value = static_cast<std::int32_t>(v);
    if (encoding == Encoding::kInt32) {
      I32(value);
    } else {
      U8(static_cast<std::uint32_t>(value));
    }
  }
  void Field(Encoding, const RegistryID& id) {
    I16(id.Owner);
    I16(id.Type);
  }
  void Field(Encoding, const std::vector<unsigned char>& bytes) {
    I16(static_cast<std::int32_t>(bytes.size()));
    Bytes(bytes);
  }
  void Field(Encoding, const std::tm& t) { DateTime(t); }
  void Field(Encoding, const std::vector<std::tm>& period) {
    // A period of one date-time has no end: seven zero bytes stand for it.
    DateTime(period[0]);
    DateTime(period.size() > 1 ? period[1] : std::tm{});
  }

 private:
  std::size_t Room() const {
    return static_cast<std::size_t>(staged_ + kStagedSize - next_);
  }
  void Reserve(std::size_t n) {
    if (n > Room()) Finish();
  }

  std::vector<unsigned char>& out_;
  unsigned char* const staged_;
  unsigned char* next_;
};

}  // namespace

std::vector<unsigned char> BIR::Encode() const {
  // A header that the decoder refuses would make a record that nothing reads
  // back; it is refused here too, before any byte is written.
  if (RecordFormat.Owner != record::kFormatOwner ||
      RecordFormat.Type != record::kFormatType) {
    Refuse("RecordFormat is " + Hex16(RecordFormat.Owner) + "/" +
           Hex16(RecordFormat.Type) + "; a record's format is 0x0101/0x0009");
  }
  if (HeaderVersion != record::kHeaderVersion) {
    Refuse("HeaderVersion is " + std::to_string(HeaderVersion) +
           "; a record's header version is 48 (0x30)");
  }
  if (HeaderRevision != record::kHeaderRevision) {
    Refuse("HeaderRevision is " + std::to_string(HeaderRevision) +
           "; a record's header revision is 1");
  }
  // First the presence bit-map and the exact size, so that the buffer is
  // allocated once and every byte is written once.
  std::uint32_t presence = 0;
  std::uint64_t size = record::kHeaderSize;
  record::ForEachOptionalField(
      *this, [&](const FieldLayout& field, const auto& member) {
        if (!record::IsPresent(field.presence, member)) return;
        presence |= std::uint32_t{1} << field.bit;
        size += EncodedSize(field, member);
      });
  size += 4 + static_cast<std::uint64_t>(BiometricData.size());
  const bool has_sb = record::HasSecurityBlock(*this);
  if (has_sb) size += 4 + static_cast<std::uint64_t>(SecurityBlock.size());
  if (size > record::kMaxRecordSize) {
    Refuse("the record would hold " + std::to_string(size) +
           " bytes; a record holds at most 2147483647");
  }

  std::vector<unsigned char> out;
  out.reserve(static_cast<std::size_t>(size));
  unsigned char staged[kStagedSize];
  RecordWriter w(out, staged);
  w.I16(RecordFormat.Owner);
  w.I16(RecordFormat.Type);
  w.I32(static_cast<std::int32_t>(size));
  w.U8(HeaderVersion);
  w.U8(HeaderRevision);
  w.I16(BDBFormat.Owner);
  w.I16(BDBFormat.Type);
  w.U8(EncryptionOption ? 1 : 0);
  w.U8(IntegrityOption ? 1 : 0);
  w.U8(0);
  w.I32(static_cast<std::int32_t>(presence));
  record::ForEachOptionalField(
      *this, [&](const FieldLayout& field, const auto& member) {
        if ((presence >> field.bit) & 1u) w.Field(field.encoding, member);
      });
  w.I32(static_cast<std::int32_t>(BiometricData.size()));
  w.Bytes(BiometricData);
  if (has_sb) {
    w.I32(static_cast<std::int32_t>(SecurityBlock.size()));
    w.Bytes(SecurityBlock);
  }
  w.Finish();
  return out;
}

}  // namespace BioAPI_Data
