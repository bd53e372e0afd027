// Reading a byte record: one bounds-checked cursor and the walk over the
// record layout that fills a BIR.
//
// The walk is a template over the cursor's observer, so that the library's
// decoder (which only throws on a fault) and the record tool (which also
// notes where every field lies and which check failed) run the same code.
#ifndef BIOAPI_DATA_BIR_RECORD_READER_H_
#define BIOAPI_DATA_BIR_RECORD_READER_H_

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <type_traits>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/byte_order.h"
#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace record {

/// A cursor over `size` bytes at `data` (not owned). Every read checks that
/// the bytes are there first (`n > size - pos`, which cannot overflow) and
/// otherwise calls `observer.Fail(offset, check)`, which must not return. The
/// observer also hears where each field begins and ends:
/// `Begin(FieldId, offset)` and `End(offset)`.
template <class Observer>
class ByteCursor {
 public:
  ByteCursor(const unsigned char* data, std::size_t size, Observer& observer)
      : data_(data), size_(data != nullptr ? size : 0), observer_(observer) {}

  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return size_ - pos_; }

  /// Returns a pointer to the next `n` bytes and moves past them.
  const unsigned char* Take(std::size_t n) {
    if (n > size_ - pos_) observer_.Fail(pos_, "enough bytes remain");
    const unsigned char* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  std::uint8_t U8() { return *Take(1); }
  std::int16_t I16() { return LoadLE16(Take(2)); }
  std::int32_t I32() { return LoadLE32(Take(4)); }

  /// Fails with `check` at the current position unless `ok`.
  void Expect(bool ok, const char* check) {
    if (!ok) observer_.Fail(pos_, check);
  }
  void Begin(FieldId id) { observer_.Begin(id, pos_); }
  void End() { observer_.End(pos_); }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  Observer& observer_;
};

/// An observer that hears nothing but faults: a decoder that only rejects
/// derives from it and adds `Fail`.
struct FaultOnlyObserver {
  static void Begin(FieldId, std::size_t) {}
  static void End(std::size_t) {}
  static void PresenceBitmap(std::uint32_t) {}
};

/// Where a block's bytes lie in the record.
struct BlockSpan {
  std::size_t offset = 0;
  std::size_t size = 0;
};

/// Reads a byte string's signed 16-bit length and returns its bytes' span.
template <class Cursor>
BlockSpan ReadByteStringSpan(Cursor& in) {
  const std::int16_t length = in.I16();
  in.Expect(length >= 0, "byte string length is not negative");
  BlockSpan span{in.Position(), static_cast<std::size_t>(length)};
  in.Take(span.size);
  return span;
}

/// Reads a block's signed 32-bit length and returns its bytes' span.
template <class Cursor>
BlockSpan ReadBlockSpan(Cursor& in) {
  const std::int32_t length = in.I32();
  in.Expect(length >= 0, "block length is not negative");
  BlockSpan span{in.Position(), static_cast<std::size_t>(length)};
  in.Take(span.size);
  return span;
}

template <class Cursor>
void ReadDateTime(Cursor& in, std::tm& out) {
  out.tm_year = in.I16();
  out.tm_mon = in.U8();
  out.tm_mday = in.U8();
  out.tm_hour = in.U8();
  out.tm_min = in.U8();
  out.tm_sec = in.U8();
  // The record does not carry these; -1 says "not known" and keeps the
  // date-time present when the record is encoded again.
  out.tm_wday = -1;
  out.tm_yday = -1;
  out.tm_isdst = -1;
}

// Readers of one optional field, chosen by the member's type.
template <class Cursor, class T>
void ReadField(Cursor& in, Encoding encoding, const unsigned char* base,
               T& out) {
  static_assert(std::is_enum_v<T> || std::is_same_v<T, unsigned char>);
  (void)base;
  if (encoding == Encoding::kInt32) {
    out = static_cast<T>(in.I32());
  } else {
    out = static_cast<T>(in.U8());
  }
}
template <class Cursor>
void ReadField(Cursor& in, Encoding, const unsigned char*, RegistryID& out) {
  out.Owner = in.I16();
  out.Type = in.I16();
}
template <class Cursor>
void ReadField(Cursor& in, Encoding, const unsigned char* base,
               std::vector<unsigned char>& out) {
  const BlockSpan span = ReadByteStringSpan(in);
  out.assign(base + span.offset, base + span.offset + span.size);
}
template <class Cursor>
void ReadField(Cursor& in, Encoding, const unsigned char*, std::tm& out) {
  ReadDateTime(in, out);
}
template <class Cursor>
void ReadField(Cursor& in, Encoding, const unsigned char*,
               std::vector<std::tm>& out) {
  std::tm period[2] = {};
  ReadDateTime(in, period[0]);
  ReadDateTime(in, period[1]);
  out.assign(period, period + 2);
}

/// The date-time that a decoded record holds when the record carries none:
/// 2000-01-01 00:00:00, its other three members 0.
inline std::tm DefaultDateTime() {
  std::tm t{};
  t.tm_year = 2000;
  t.tm_mon = 1;
  t.tm_mday = 1;
  return t;
}

/// Decodes the `size` bytes at `data` into `bir`, a default-constructed
/// record, and returns where the BDB lies; the caller fills `BiometricData`
/// from it. Every other field, the SB included, is filled here, and the
/// creation dates that the record lacks take their default. The observer
/// hears the cursor's calls and `PresenceBitmap(bits)` with all 32 bits of
/// the bit-map once it is read; a fault goes to its `Fail`, which does not
/// return.
template <class Observer>
BlockSpan ReadRecord(const unsigned char* data, std::size_t size, BIR& bir,
                     Observer& observer) {
  bir.BDBCreationDate = DefaultDateTime();
  bir.BIRCreationDate = DefaultDateTime();
  ByteCursor<Observer> in(data, size, observer);

  // Compared as read, before they are stored: reading the two stored halves
  // back as one word would stall on the stores just made.
  in.Begin(FieldId::kRecordFormat);
  const std::int16_t format_owner = in.I16();
  const std::int16_t format_type = in.I16();
  in.End();
  bir.RecordFormat.Owner = format_owner;
  bir.RecordFormat.Type = format_type;
  in.Expect(format_owner == bir.NativeFormatOwner &&
                format_type == bir.NativeFormatType,
            "format identifier is 0x0101/0x0009");

  in.Begin(FieldId::kTotalLength);
  const std::int32_t total = in.I32();
  in.End();
  in.Expect(total >= 0 && static_cast<std::uint64_t>(total) == size,
            "total length equals the size of the record");

  in.Begin(FieldId::kHeaderVersion);
  bir.HeaderVersion = in.U8();
  in.End();
  in.Expect(bir.HeaderVersion == kHeaderVersion, "header version is 0x30");

  in.Begin(FieldId::kHeaderRevision);
  bir.HeaderRevision = in.U8();
  in.End();
  in.Expect(bir.HeaderRevision == kHeaderRevision, "header revision is 0x01");

  in.Begin(FieldId::kBDBFormat);
  bir.BDBFormat.Owner = in.I16();
  bir.BDBFormat.Type = in.I16();
  in.End();

  in.Begin(FieldId::kEncryptionOption);
  bir.EncryptionOption = in.U8() != 0;
  in.End();
  in.Begin(FieldId::kIntegrityOption);
  bir.IntegrityOption = in.U8() != 0;
  in.End();

  in.Begin(FieldId::kReserved);
  const std::uint8_t reserved = in.U8();
  in.End();
  in.Expect(reserved == 0, "reserved byte is 0");

  in.Begin(FieldId::kPresenceBitmap);
  const auto presence = static_cast<std::uint32_t>(in.I32());
  in.End();
  observer.PresenceBitmap(presence);

  ForEachOptionalField(bir, [&](const FieldLayout& field, auto& member) {
    if ((presence & (std::uint32_t{1} << field.bit)) == 0) return;
    in.Begin(field.id);
    ReadField(in, field.encoding, data, member);
    in.End();
  });

  in.Begin(FieldId::kBiometricData);
  const BlockSpan bdb = ReadBlockSpan(in);
  in.End();

  // A record whose security option is set but whose SB is empty ends right
  // after the BDB: that is how such a record is written.
  if ((bir.EncryptionOption || bir.IntegrityOption) && in.Remaining() != 0) {
    in.Begin(FieldId::kSecurityBlock);
    const BlockSpan sb = ReadBlockSpan(in);
    bir.SecurityBlock.assign(data + sb.offset, data + sb.offset + sb.size);
    in.End();
  }
  return bdb;
}

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_RECORD_READER_H_
