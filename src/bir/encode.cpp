#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/byte_order.h"
#include "bir/record_layout.h"
#include "bir/value_contract.h"

namespace BioAPI_Data {
namespace {

using record::Encoding;
using record::FieldLayout;

[[noreturn]] void Refuse(const std::string& why) {
  throw new BioAPIException(Unit, 0x10B, record::RefusalMessage(why));
}

// "0x0101": the 16 bits of a registry identifier's half.
std::string Hex16(std::int64_t half) {
  static const char kDigits[] = "0123456789ABCDEF";
  const auto bits = static_cast<std::uint16_t>(half);
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) {
    text += kDigits[(bits >> shift) & 0xFu];
  }
  return text;
}

std::string RangeText(const record::Range& range) {
  if (range.min == range.max) return "only " + std::to_string(range.min);
  return std::to_string(range.min) + " to " + std::to_string(range.max);
}

// The checks of one field's value against its row, chosen by the member's
// type. Each returns the reason for a value that the record cannot carry,
// else an empty text; the text is built only on that path.
using record::Range;

template <class T>
std::string Misfit(const FieldLayout& field, const T& value) {
  static_assert(std::is_enum_v<T> || std::is_same_v<T, unsigned char> ||
                std::is_same_v<T, bool>);
  const auto number = static_cast<std::int64_t>(value);
  if (field.values.Holds(number)) return {};
  return std::string(field.name) + " is " + std::to_string(number) +
         "; the record carries " + RangeText(field.values);
}

std::string Misfit(const FieldLayout& field, const RegistryID& id) {
  if (field.values.Holds(id.Owner) && field.type.Holds(id.Type)) return {};
  if (field.values.min == field.values.max) {
    return std::string(field.name) + " is " + Hex16(id.Owner) + "/" +
           Hex16(id.Type) + "; the record carries only " +
           Hex16(field.values.min) + "/" + Hex16(field.type.min);
  }
  return std::string(field.name) + " is " + std::to_string(id.Owner) + "/" +
         std::to_string(id.Type) + "; the record carries each half from " +
         RangeText(field.values);
}

std::string Misfit(const FieldLayout& field,
                   const std::vector<unsigned char>& bytes) {
  // A block's own limit is what the largest record leaves it: the record's
  // size, checked as a whole, says more.
  if (field.encoding == Encoding::kBlock || bytes.size() <= field.max_size) {
    return {};
  }
  return std::string(field.name) + " holds " + std::to_string(bytes.size()) +
         " bytes; a byte string of the record holds at most " +
         std::to_string(field.max_size);
}

// `name` is the date-time's own: the field, or an element of a period.
std::string DateTimeMisfit(const std::string& name, const std::tm& t) {
  struct Member {
    const char* name;
    int value;
    Range range;
  };
  const Member members[] = {
      {"tm_year", t.tm_year, record::kYearRange},
      {"tm_mon", t.tm_mon, record::kDateTimeMemberRange},
      {"tm_mday", t.tm_mday, record::kDateTimeMemberRange},
      {"tm_hour", t.tm_hour, record::kDateTimeMemberRange},
      {"tm_min", t.tm_min, record::kDateTimeMemberRange},
      {"tm_sec", t.tm_sec, record::kDateTimeMemberRange},
  };
  for (const Member& m : members) {
    if (!m.range.Holds(m.value)) {
      return name + "." + m.name + " is " + std::to_string(m.value) +
             "; the record carries " + RangeText(m.range);
    }
  }
  return {};
}

std::string Misfit(const FieldLayout& field, const std::tm& t) {
  // Cheap test first: the name is joined only for a refusal.
  if (record::FitsDateTime(t)) return {};
  return DateTimeMisfit(field.name, t);
}

std::string Misfit(const FieldLayout& field,
                   const std::vector<std::tm>& period) {
  if (!period.empty() && period.size() != record::kPeriodLength) {
    return std::string(field.name) + " holds " + std::to_string(period.size()) +
           (period.size() == 1 ? " date-time" : " date-times") +
           "; the record carries none or 2 (the start and the end)";
  }
  for (std::size_t i = 0; i < period.size(); ++i) {
    if (!record::FitsDateTime(period[i])) {
      return DateTimeMisfit(
          std::string(field.name) + "[" + std::to_string(i) + "]", period[i]);
    }
  }
  return {};
}

// Bytes that a present field adds to the record.
template <class T>
std::uint64_t EncodedSize(const FieldLayout& field, const T& member) {
  if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
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

// The bytes of the record that `bir` encodes to, once its fields fit.
std::uint64_t RecordSize(const BIR& bir) {
  std::uint64_t size = record::kHeaderSize;
  record::ForEachOptionalField(
      bir, [&](const FieldLayout& field, const auto& member) {
        if (record::IsPresent(field.presence, member)) {
          size += EncodedSize(field, member);
        }
      });
  size += 4 + static_cast<std::uint64_t>(bir.BiometricData.size());
  if (record::HasSecurityBlock(bir)) {
    size += 4 + static_cast<std::uint64_t>(bir.SecurityBlock.size());
  }
  return size;
}

// The first field whose value the record cannot carry.
std::optional<record::Refusal> FieldRefusal(const BIR& bir) {
  std::optional<record::Refusal> refusal;
  record::ForEachMemberField(
      bir, [&](const FieldLayout& field, const auto& member) {
        if (refusal) return;
        std::string why = Misfit(field, member);
        if (!why.empty()) refusal = record::Refusal{field.id, std::move(why)};
      });
  return refusal;
}

std::string SizeRefusal(std::uint64_t size) {
  return "the record would hold " + std::to_string(size) +
         " bytes; a record holds at most " +
         std::to_string(record::kMaxRecordSize);
}

}  // namespace

namespace record {

std::string RefusalMessage(const std::string& why) {
  return "BioAPI Error: Invalid Data: " + why;
}

std::optional<Refusal> FindRefusal(const BIR& bir) {
  if (std::optional<Refusal> refusal = FieldRefusal(bir)) return refusal;
  const std::uint64_t size = RecordSize(bir);
  if (size > kMaxRecordSize) return Refusal{std::nullopt, SizeRefusal(size)};
  return std::nullopt;
}

}  // namespace record

std::vector<unsigned char> BIR::Encode() const {
  // Every value as the record carries it, or nothing is written. A header
  // that the decoder refuses would make a record that nothing reads back; it
  // is refused too.
  if (std::optional<record::Refusal> refusal = FieldRefusal(*this)) {
    Refuse(refusal->why);
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
  if (size > record::kMaxRecordSize) Refuse(SizeRefusal(size));

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
