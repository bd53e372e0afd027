// The rows of the annotated dump of a record: where each part lies, what it
// holds and its first bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <type_traits>

#include "bir/byte_order.h"
#include "common/enumeration_names.h"
#include "inspect/walk.h"

namespace BioAPI_Data {
namespace inspect {
namespace detail {
namespace {

std::string Format(const char* format, unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Text(const RegistryID& id) {
  return Format("0x%04llX", static_cast<std::uint16_t>(id.Owner)) + "/" +
         Format("0x%04llX", static_cast<std::uint16_t>(id.Type));
}

std::string Text(const std::tm& t) {
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year,
                t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

// A byte string or block by the bytes of the record: its length, and the
// text itself when it is short and printable.
std::string BytesText(const unsigned char* begin, std::size_t size) {
  std::string text = std::to_string(size) + (size == 1 ? " byte" : " bytes");
  const bool printable =
      size != 0 && std::all_of(begin, begin + size, [](unsigned char c) {
        return c >= 0x20 && c < 0x7F && c != '"';
      });
  if (printable) text += " \"" + std::string(begin, begin + size) + "\"";
  return text;
}

std::string Text(unsigned char value) { return std::to_string(value); }

std::string Text(bool value) { return value ? "true" : "false"; }

// Enumerations: the two bit masks in hex, the others in decimal; with the
// enumerator's name when the library defines one.
template <class E>
std::string Text(E value) {
  static_assert(std::is_enum_v<E>);
  const auto number = static_cast<std::int32_t>(value);
  std::string text;
  if constexpr (std::is_same_v<E, BiometricType>) {
    text = Format("0x%08llX", static_cast<std::uint32_t>(number));
  } else if constexpr (std::is_same_v<E, BiometricSubtype>) {
    text = Format("0x%02llX", static_cast<std::uint32_t>(number));
  } else {
    text = std::to_string(number);
  }
  if (const char* name = names::NameOf(value)) {
    text += std::string(" (") + name + ")";
  }
  return text;
}

class DumpWriter {
 public:
  DumpWriter(const unsigned char* bytes, const WalkedRecord& w)
      : bytes_(bytes), walked_(w) {}

  std::vector<Row> Rows() {
    rows_.reserve(walked_.fields.size() + 3);
    for (const FieldSpan& field : walked_.fields) AddField(field);
    if (walked_.Accepted()) {
      if (walked_.end < walked_.size) {
        rows_.push_back(Row{
            walked_.end, walked_.size - walked_.end, -1, -1, RowKind::kTrailing,
            "(after the last field)", "ignored",
            FirstBytesHex(bytes_, walked_.end, walked_.size), nullptr, true});
      }
    } else {
      MarkRejection(*walked_.rejection);
    }
    return std::move(rows_);
  }

 private:
  void Add(const FieldSpan& f, std::size_t begin, std::size_t end, int element,
           std::string name, std::string value) {
    rows_.push_back(Row{begin, end - begin, PartOf(f.id), element, KindOf(f.id),
                        std::move(name), std::move(value),
                        FirstBytesHex(bytes_, begin, end), nullptr, true});
  }

  // The parts that the record holds but `BIR` does not, by their bytes.
  std::string HeaderText(const FieldSpan& f) const {
    switch (f.id) {
      case FieldId::kTotalLength:
        return std::to_string(record::LoadLE32(bytes_ + f.begin));
      case FieldId::kReserved:
        return std::to_string(bytes_[f.begin]);
      case FieldId::kPresenceBitmap: {
        std::string value = Format("0x%08llX", walked_.presence);
        if ((walked_.presence & BIOAPI_PRESENCE_RESERVED_MASK) != 0) {
          value += " (bits " +
                   std::to_string(BIOAPI_PRESENCE_FIRST_RESERVED_BIT) + "-" +
                   std::to_string(BIOAPI_PRESENCE_LAST_BIT) + " ignored)";
        }
        return value;
      }
      default:
        return "";
    }
  }

  void AddField(const FieldSpan& f) {
    const record::FieldLayout& layout = record::LayoutOf(f.id);
    if (!layout.has_member) {
      Add(f, f.begin, f.end, -1, layout.name, HeaderText(f));
      return;
    }
    if (layout.encoding == record::Encoding::kByteString ||
        layout.encoding == record::Encoding::kBlock) {
      // From the record's bytes: the BDB stays there.
      const std::size_t length = record::FixedSize(layout.encoding);
      Add(f, f.begin, f.end, -1, layout.name,
          BytesText(bytes_ + f.begin + length, f.end - f.begin - length));
      return;
    }
    record::ForEachMemberField(
        walked_.bir, [&](const record::FieldLayout& field, const auto& member) {
          if (field.id != f.id) return;
          using Member = std::decay_t<decltype(member)>;
          if constexpr (std::is_same_v<Member, std::vector<std::tm>>) {
            // A validity period: its start and its end, one row each.
            const std::size_t half =
                record::FixedSize(record::Encoding::kDateTime);
            const std::string name = field.name;
            Add(f, f.begin, f.begin + half, 0, name + ".start",
                Text(member[0]));
            Add(f, f.begin + half, f.end, 1, name + ".end", Text(member[1]));
          } else if constexpr (std::is_same_v<Member, unsigned char>) {
            // The version bytes in hex, the quality in decimal.
            Add(f, f.begin, f.end, -1, field.name,
                field.bit < 0 ? Format("0x%02llX", member) : Text(member));
          } else if constexpr (!std::is_same_v<Member,
                                               std::vector<unsigned char>>) {
            Add(f, f.begin, f.end, -1, field.name, Text(member));
          }
        });
  }

  // The failing check goes on the row of its part; a part that the walk
  // stopped in gets a row of its own, from its beginning to the end.
  void MarkRejection(const Rejection& r) {
    if (!r.inside_field && !rows_.empty()) {
      rows_.back().check = r.check;
      return;
    }
    const std::size_t begin = std::min(r.field_offset, walked_.size);
    const RowKind kind =
        r.part >= 0 ? KindOf(static_cast<FieldId>(r.part)) : RowKind::kHeader;
    rows_.push_back(Row{begin, walked_.size - begin, r.part, -1, kind,
                        r.field != nullptr ? r.field : "record", "",
                        FirstBytesHex(bytes_, begin, walked_.size), r.check,
                        false});
  }

  const unsigned char* bytes_;
  const WalkedRecord& walked_;
  std::vector<Row> rows_;
};

}  // namespace

std::string FirstBytesHex(const unsigned char* bytes, std::size_t begin,
                          std::size_t end) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  const std::size_t shown = std::min(end - begin, kMaxShownBytes);
  text.reserve(3 * shown + 4);
  for (std::size_t i = begin; i < begin + shown; ++i) {
    if (!text.empty()) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  if (end - begin > shown) text += " ...";
  return text;
}

std::vector<Row> DumpRows(const unsigned char* data,
                          const WalkedRecord& walked) {
  return DumpWriter(data, walked).Rows();
}

}  // namespace detail
}  // namespace inspect
}  // namespace BioAPI_Data
