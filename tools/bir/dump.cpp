#include "dump.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
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
    if (walked_.Accepted() && walked_.End() < bytes_.size()) {
      rows_.push_back(DumpRow{walked_.End(), bytes_.size() - walked_.End(),
                              "(after the last field)", "ignored",
                              Hex(bytes_, walked_.End(), bytes_.size())});
    }
    return rows_;
  }

 private:
  void Add(std::size_t begin, std::size_t end, std::string name,
           std::string value) {
    rows_.push_back(DumpRow{begin, end - begin, std::move(name),
                            std::move(value), Hex(bytes_, begin, end)});
  }

  void AddField(const FieldSpan& f) {
    const BioAPI_Data::BIR& bir = walked_.bir;
    const std::string name = f.name;
    if (name == "RecordFormat") {
      Add(f.begin, f.end, name, Text(bir.RecordFormat));
    } else if (name == "TotalLength") {
      Add(f.begin, f.end, name,
          std::to_string(record::LoadLE32(bytes_.data() + f.begin)));
    } else if (name == "HeaderVersion") {
      Add(f.begin, f.end, name, Format("0x%02llX", bir.HeaderVersion));
    } else if (name == "HeaderRevision") {
      Add(f.begin, f.end, name, Format("0x%02llX", bir.HeaderRevision));
    } else if (name == "BDBFormat") {
      Add(f.begin, f.end, name, Text(bir.BDBFormat));
    } else if (name == "EncryptionOption") {
      Add(f.begin, f.end, name, bir.EncryptionOption ? "true" : "false");
    } else if (name == "IntegrityOption") {
      Add(f.begin, f.end, name, bir.IntegrityOption ? "true" : "false");
    } else if (name == "Reserved") {
      Add(f.begin, f.end, name, std::to_string(bytes_[f.begin]));
    } else if (name == "PresenceBitmap") {
      std::string value = Format("0x%08llX", walked_.presence);
      if (walked_.presence >> record::kOptionalFieldCount != 0) {
        value += " (bits 23-31 ignored)";
      }
      Add(f.begin, f.end, name, value);
    } else if (name == "BiometricData") {
      Add(f.begin, f.end, name, Text(bir.BiometricData));
    } else if (name == "SecurityBlock") {
      Add(f.begin, f.end, name, Text(bir.SecurityBlock));
    } else {
      AddOptionalField(f);
    }
  }

  void AddOptionalField(const FieldSpan& f) {
    record::ForEachOptionalField(
        walked_.bir,
        [&](const record::OptionalField& field, const auto& member) {
          if (std::strcmp(field.name, f.name) != 0) return;
          using Member = std::decay_t<decltype(member)>;
          if constexpr (std::is_same_v<Member, std::vector<std::tm>>) {
            // A validity period: its start and its end, one line each.
            const std::size_t half =
                record::FixedSize(record::Encoding::kDateTime);
            Add(f.begin, f.begin + half, std::string(f.name) + ".start",
                Text(member[0]));
            Add(f.begin + half, f.end, std::string(f.name) + ".end",
                Text(member[1]));
          } else {
            Add(f.begin, f.end, f.name, Text(member));
          }
        });
  }

  const std::vector<unsigned char>& bytes_;
  const WalkedRecord& walked_;
  std::vector<DumpRow> rows_;
};

// A line of the dump as text: the heading, or a row.
struct TextRow {
  std::string offset;
  std::string length;
  std::string name;
  std::string value;
  std::string bytes;
};

void Pad(std::ostream& out, const std::string& text, std::size_t width,
         bool right) {
  const std::string fill(width > text.size() ? width - text.size() : 0, ' ');
  out << (right ? fill + text : text + fill);
}

}  // namespace

std::vector<DumpRow> DumpRows(const std::vector<unsigned char>& bytes,
                              const WalkedRecord& walked) {
  return DumpWriter(bytes, walked).Rows();
}

void WriteDump(const std::vector<unsigned char>& bytes,
               const WalkedRecord& walked, std::ostream& out) {
  std::vector<TextRow> rows{{"offset", "length", "field", "value", "bytes"}};
  for (DumpRow& r : DumpRows(bytes, walked)) {
    rows.push_back(TextRow{std::to_string(r.offset), std::to_string(r.length),
                           std::move(r.name), std::move(r.value),
                           std::move(r.bytes)});
  }
  std::size_t w[4] = {0, 0, 0, 0};
  for (const TextRow& r : rows) {
    w[0] = std::max(w[0], r.offset.size());
    w[1] = std::max(w[1], r.length.size());
    w[2] = std::max(w[2], r.name.size());
    w[3] = std::max(w[3], r.value.size());
  }
  for (const TextRow& r : rows) {
    Pad(out, r.offset, w[0], true);
    out << "  ";
    Pad(out, r.length, w[1], true);
    out << "  ";
    Pad(out, r.name, w[2], false);
    out << "  ";
    if (r.bytes.empty()) {
      out << r.value << '\n';
    } else {
      Pad(out, r.value, w[3], false);
      out << "  " << r.bytes << '\n';
    }
  }
}

}  // namespace bir_tool
