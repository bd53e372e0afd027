#include "dump.h"

#include <algorithm>
#include <string>

namespace bir_tool {
namespace {

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

void WriteDump(const BioAPI_Data::inspect::Walk& walk,
               const BioAPI_Data::inspect::BdbSummary& bdb, std::ostream& out) {
  std::vector<TextRow> rows{{"offset", "length", "field", "value", "bytes"}};
  // The field that a rejected record stopped in is named after the dump,
  // with its check.
  for (const BioAPI_Data::inspect::Row& r : walk.Rows()) {
    if (!r.whole) continue;
    rows.push_back(TextRow{std::to_string(r.offset), std::to_string(r.length),
                           r.name, r.value, r.bytes});
    if (r.kind != BioAPI_Data::inspect::RowKind::kBlock ||
        r.name != "BiometricData") {
      continue;
    }
    // The BDB's own record, two spaces deeper per level.
    for (const BioAPI_Data::inspect::BdbRow& b : bdb.rows) {
      rows.push_back(
          TextRow{std::to_string(b.offset), std::to_string(b.length),
                  std::string(2 * static_cast<std::size_t>(b.depth + 1), ' ') +
                      b.Name(),
                  b.Value(), b.Bytes()});
    }
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
  if (bdb.notes.empty()) return;
  out << "\nBiometricData: "
      << (bdb.Recognised() ? BioAPI_Data::inspect::BdbFormatName(bdb.format)
                           : "not recognised")
      << '\n';
  for (const BioAPI_Data::inspect::BdbNote& note : bdb.notes) {
    out << "  note at " << note.offset << ": " << note.text << '\n';
  }
}

}  // namespace bir_tool
