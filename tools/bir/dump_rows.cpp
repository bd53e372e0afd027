#include "dump_rows.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <type_traits>

#include "bir/byte_order.h"
#include "bir/record_layout.h"
#include "enumeration_names.h"

namespace bir_tool {
namespace {

using BioAPI_Data::BiometricSubtype;
using BioAPI_Data::BiometricType;
using BioAPI_Data::RegistryID;
namespace record = BioAPI_Data::record;

// Longer fields show their first bytes only.
constexpr std::size_t kMaxShownBytes = 16;

std::string Hex(const std::vector<unsigned char>& bytes, std::size_t begin,
                std::size_t end) {
  std::string text;
  const std::size_t shown = std::min(end - begin, kMaxShownBytes);
  for (std::size_t i = begin; i < begin + shown; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X", bytes[i]);
    if (!text.empty()) text += ' ';
    text += byte;
  }
  if (end - begin > shown) text += " ...";
  return text;
}

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
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year,
                t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

std::string Text(const std::vector<unsigned char>& bytes) {
  std::string text =
      std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes");
  const bool printable =
      !bytes.empty() &&
      std::all_of(bytes.begin(), bytes.end(), [](unsigned char c) {
        return c >= 0x20 && c < 0x7F && c != '"';
      });
  if (printable) text += " \"" + std::string(bytes.begin(), bytes.end()) + "\"";
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
  if (const char* name = NameOf(value)) text += std::string(" (") + name + ")";
  return text;
}

class DumpWriter {
 public:
  DumpWriter(const std::vector<unsigned char>& bytes, const WalkedRecord& w)
      : bytes_(bytes), walked_(w) {}

  std::vector<DumpRow> Rows() {
    for (const FieldSpan& field : walked_.fields) AddField(field);
    if (walked_.Accepted()) {
      if (walked_.End() < bytes_.size()) {
        rows_.push_back(
            DumpRow{walked_.End(), bytes_.size() - walked_.End(), std::nullopt,
                    -1, "(after the last field)", "ignored",
                    Hex(bytes_, walked_.End(), bytes_.size()), nullptr, true});
      }
    } else {
      MarkRejection(*walked_.rejection);
    }
    return rows_;
  }

 private:
  void Add(const FieldSpan& f, std::size_t begin, std::size_t end, int element,
           std::string name, std::string value) {
    rows_.push_back(DumpRow{begin, end - begin, f.id, element, std::move(name),
                            std::move(value), Hex(bytes_, begin, end), nullptr,
                            true});
  }

  // The fields that the record holds but `BIR` does not, by their bytes.
  std::string HeaderText(const FieldSpan& f) const {
    switch (f.id) {
      case FieldId::kTotalLength:
        return std::to_string(
            BioAPI_Data::record::LoadLE32(bytes_.data() + f.begin));
      case FieldId::kReserved:
        return std::to_string(bytes_[f.begin]);
      case FieldId::kPresenceBitmap: {
        std::string value = Format("0x%08llX", walked_.presence);
        if (walked_.presence >> record::kOptionalFieldCount != 0) {
          value += " (bits 23-31 ignored)";
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
          } else {
            Add(f, f.begin, f.end, -1, field.name, Text(member));
          }
        });
  }

  // The failing check goes on the row of its field; a field that the walk
  // stopped in gets a row of its own, from its beginning to the end.
  void MarkRejection(const Rejection& r) {
    if (!r.inside_field && !rows_.empty()) {
      rows_.back().check = r.check;
      return;
    }
    const std::size_t begin = std::min(r.field_begin, bytes_.size());
    rows_.push_back(DumpRow{begin, bytes_.size() - begin, r.field, -1,
                            r.field ? NameOf(*r.field) : "record", "",
                            Hex(bytes_, begin, bytes_.size()), r.check, false});
  }

  const std::vector<unsigned char>& bytes_;
  const WalkedRecord& walked_;
  std::vector<DumpRow> rows_;
};

}  // namespace

std::vector<DumpRow> DumpRows(const std::vector<unsigned char>& bytes,
                              const WalkedRecord& walked) {
  return DumpWriter(bytes, walked).Rows();
}

}  // namespace bir_tool
