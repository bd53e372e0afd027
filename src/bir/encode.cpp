#include <cstddef>
#include <cstdint>
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
using record::OptionalField;
using record::Presence;

// Presence rules, chosen by the member's type.
template <class T>
bool IsPresent(Presence, const T&) {
  static_assert(std::is_enum_v<T> || std::is_same_v<T, unsigned char>);
  return true;
}
bool IsPresent(Presence rule, const RegistryID& id) {
  return rule == Presence::kAlways || (id.Owner != 0 && id.Type != 0);
}
template <class T>
bool IsPresent(Presence, const std::vector<T>& sequence) {
  return !sequence.empty();
}
bool IsPresent(Presence, const std::tm& t) {
  return t.tm_year != 0 && t.tm_mon != 0 && t.tm_mday != 0 && t.tm_hour != 0 &&
         t.tm_min != 0 && t.tm_sec != 0 && t.tm_wday != 0 && t.tm_yday != 0 &&
         t.tm_isdst != 0;
}

[[noreturn]] void Refuse(const std::string& why) {
  throw new BioAPIException(Unit, 0x10B, "BioAPI Error: Invalid Data: " + why);
}

// Bytes that a present field adds to the record.
template <class T>
std::size_t EncodedSize(const OptionalField& field, const T& member) {
  if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    if (member.size() > record::kMaxByteStringSize) {
      Refuse(std::string(field.name) + " holds " +
             std::to_string(member.size()) +
             " bytes; a byte string of the record holds at most 32767");
    }
    return 2 + member.size();
  } else {
    return record::FixedSize(field.encoding);
  }
}

// Appends to a buffer whose capacity the caller reserved for the whole record.
class RecordWriter {
 public:
  explicit RecordWriter(std::vector<unsigned char>& out) : out_(out) {}

  void U8(std::uint32_t v) { out_.push_back(static_cast<unsigned char>(v)); }
  void I16(std::int32_t v) {
    unsigned char b[2];
    record::StoreLE16(b, v);
    out_.insert(out_.end(), b, b + 2);
  }
  void I32(std::int32_t v) {
    unsigned char b[4];
    record::StoreLE32(b, v);
    out_.insert(out_.end(), b, b + 4);
  }
  void Bytes(const std::vector<unsigned char>& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }
  void DateTime(const std::tm& t) {
    I16(t.tm_year);
    U8(static_cast<std::uint32_t>(t.tm_mon));
    U8(static_cast<std::uint32_t>(t.tm_mday));
    U8(static_cast<std::uint32_t>(t.tm_hour));
    U8(static_cast<std::uint32_t>(t.tm_min));
    U8(static_cast<std::uint32_t>(t.tm_sec));
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
  std::vector<unsigned char>& out_;
};

bool HasSecurityBlock(const BIR& bir) {
  return !bir.SecurityBlock.empty() &&
         (bir.EncryptionOption || bir.IntegrityOption);
}

}  // namespace

std::vector<unsigned char> BIR::Encode() const {
  // First the presence bit-map and the exact size, so that the buffer is
  // allocated once and every byte is written once.
  std::uint32_t presence = 0;
  std::uint64_t size = record::kHeaderSize;
  record::ForEachOptionalField(
      *this, [&](const OptionalField& field, const auto& member) {
        if (!IsPresent(field.presence, member)) return;
        presence |= std::uint32_t{1} << field.bit;
        size += EncodedSize(field, member);
      });
  size += 4 + static_cast<std::uint64_t>(BiometricData.size());
  const bool has_sb = HasSecurityBlock(*this);
  if (has_sb) size += 4 + static_cast<std::uint64_t>(SecurityBlock.size());
  if (size > record::kMaxRecordSize) {
    Refuse("the record would hold " + std::to_string(size) +
           " bytes; a record holds at most 2147483647");
  }

  std::vector<unsigned char> out;
  out.reserve(static_cast<std::size_t>(size));
  RecordWriter w(out);
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
      *this, [&](const OptionalField& field, const auto& member) {
        if ((presence >> field.bit) & 1u) w.Field(field.encoding, member);
      });
  w.I32(static_cast<std::int32_t>(BiometricData.size()));
  w.Bytes(BiometricData);
  if (has_sb) {
    w.I32(static_cast<std::int32_t>(SecurityBlock.size()));
    w.Bytes(SecurityBlock);
  }
  return out;
}

}  // namespace BioAPI_Data
