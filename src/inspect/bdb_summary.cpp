// Which record a BDB holds and what its headers say: the format that the
// BIR's BDBFormat names, confirmed (or contradicted) by the block's own
// format identifier, version and header shape; then the reader of that
// format, and the notes on whatever disagrees.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bioapi_data/inspect_bdb.h"
#include "common/enumeration_names.h"
#include "inspect/bdb_reader.h"
#include "inspect/walk.h"

namespace BioAPI_Data {
namespace inspect {
namespace {

using detail::BdbReader;
using detail::Truncated;

// The kinds of record, by the four bytes that begin them.
enum class Family { kNone, kFingerMinutiae, kFingerImage, kFace, kIris };
// Who publishes a format: the header's owner picks between editions that
// share an identifier and version.
enum class Body { kIso, kAnsi };

struct NamedFormat {
  std::uint16_t owner;
  std::uint16_t type;
  Family family;
  Body body;
  const char* name;
};

// The CBEFF format owner/type pairs that name these records: owner 0x0101
// (ISO/IEC JTC 1 SC 37) and 0x001B (INCITS M1).
constexpr NamedFormat kNamedFormats[] = {
    {0x0101, 0x0002, Family::kFingerMinutiae, Body::kIso,
     "ISO/IEC 19794-2 finger minutiae"},
    {0x0101, 0x0007, Family::kFingerImage, Body::kIso,
     "ISO/IEC 19794-4 finger image"},
    {0x0101, 0x0008, Family::kFace, Body::kIso, "ISO/IEC 19794-5 face image"},
    {0x0101, 0x0009, Family::kIris, Body::kIso, "ISO/IEC 19794-6 iris image"},
    {0x001B, 0x0201, Family::kFingerMinutiae, Body::kAnsi,
     "ANSI/INCITS 378 finger minutiae"},
    {0x001B, 0x0401, Family::kFingerImage, Body::kAnsi,
     "ANSI/INCITS 381 finger image"},
    {0x001B, 0x0501, Family::kFace, Body::kAnsi, "ANSI/INCITS 385 face image"},
};

struct FormatInfo {
  BdbFormat format;
  Family family;
  Body body;
  const char* name;
};

constexpr FormatInfo kFormats[] = {
    {BdbFormat::kAnsi378_2004, Family::kFingerMinutiae, Body::kAnsi,
     "ANSI/INCITS 378-2004 finger minutiae"},
    {BdbFormat::kIso19794_2_2005, Family::kFingerMinutiae, Body::kIso,
     "ISO/IEC 19794-2:2005 finger minutiae"},
    {BdbFormat::kAnsi378_2009, Family::kFingerMinutiae, Body::kAnsi,
     "ANSI/INCITS 378-2009 finger minutiae"},
    {BdbFormat::kAnsi378Draft2007, Family::kFingerMinutiae, Body::kAnsi,
     "ANSI/INCITS 378 finger minutiae, 2007 draft"},
    {BdbFormat::kIso19794_2_2011, Family::kFingerMinutiae, Body::kIso,
     "ISO/IEC 19794-2:2011 finger minutiae"},
    {BdbFormat::kIso19794_4_2005, Family::kFingerImage, Body::kIso,
     "ISO/IEC 19794-4:2005 finger image"},
    {BdbFormat::kAnsi381_2004, Family::kFingerImage, Body::kAnsi,
     "ANSI/INCITS 381-2004 finger image"},
    {BdbFormat::kIso19794_4_2011, Family::kFingerImage, Body::kIso,
     "ISO/IEC 19794-4:2011 finger image"},
    // ANSI/INCITS 385-2004 shares this layout.
    {BdbFormat::kIso19794_5_2005, Family::kFace, Body::kIso,
     "ISO/IEC 19794-5:2005 face image"},
    {BdbFormat::kIso19794_5_2011, Family::kFace, Body::kIso,
     "ISO/IEC 19794-5:2011 face image"},
    {BdbFormat::kIso19794_6_2005, Family::kIris, Body::kIso,
     "ISO/IEC 19794-6:2005 iris image"},
    {BdbFormat::kIso19794_6_Irex, Family::kIris, Body::kIso,
     "ISO/IEC 19794-6 iris image, IREX profile"},
    {BdbFormat::kIso19794_6_2011, Family::kIris, Body::kIso,
     "ISO/IEC 19794-6:2011 iris image"},
};

const FormatInfo* InfoOf(BdbFormat format) {
  for (const FormatInfo& info : kFormats) {
    if (info.format == format) return &info;
  }
  return nullptr;
}

const NamedFormat* NamedBy(RegistryID id) {
  for (const NamedFormat& named : kNamedFormats) {
    if (named.owner == static_cast<std::uint16_t>(id.Owner) &&
        named.type == static_cast<std::uint16_t>(id.Type)) {
      return &named;
    }
  }
  return nullptr;
}

const char* FamilyWord(Family family) {
  switch (family) {
    case Family::kFingerMinutiae:
    case Family::kFingerImage:
      return "finger";
    case Family::kFace:
      return "face";
    case Family::kIris:
      return "iris";
    case Family::kNone:
      break;
  }
  return "";
}

// The biometric type bit of a family.
BiometricType TypeOf(Family family) {
  switch (family) {
    case Family::kFingerMinutiae:
    case Family::kFingerImage:
      return BiometricType::Fingerprint;
    case Family::kFace:
      return BiometricType::FacialFeatures;
    case Family::kIris:
      return BiometricType::Iris;
    case Family::kNone:
      break;
  }
  return BiometricType::NoTypeAvailable;
}

bool Matches(const unsigned char* bdb, std::size_t size, const char* text,
             std::size_t at) {
  if (at > size || 4 > size - at) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (bdb[at + i] != static_cast<unsigned char>(text[i])) return false;
  }
  return true;
}

Family FamilyOf(const unsigned char* bdb, std::size_t size) {
  if (Matches(bdb, size, "FMR\0", 0)) return Family::kFingerMinutiae;
  if (Matches(bdb, size, "FIR\0", 0)) return Family::kFingerImage;
  if (Matches(bdb, size, "FAC\0", 0)) return Family::kFace;
  if (Matches(bdb, size, "IIR\0", 0)) return Family::kIris;
  return Family::kNone;
}

// The `width` bytes at `at` big-endian, or 0 when they are not all there.
std::uint64_t Big(const unsigned char* bdb, std::size_t size, std::uint64_t at,
                  std::size_t width) {
  if (at > size || width > size - at) return 0;
  const std::size_t from = static_cast<std::size_t>(at);
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = value << 8 | bdb[from + i];
  return value;
}

void Read(BdbReader& r, BdbFormat format) {
  switch (InfoOf(format)->family) {
    case Family::kFingerMinutiae:
      detail::ReadFingerMinutiae(r, format);
      break;
    case Family::kFingerImage:
      detail::ReadFingerImage(r, format);
      break;
    case Family::kFace:
      detail::ReadFace(r, format);
      break;
    case Family::kIris:
      detail::ReadIris(r, format);
      break;
    case Family::kNone:
      break;
  }
}

// Whether `format`'s walk of the views reads to the declared length, or to
// the block's end, without running out: the test between layouts that share
// an identifier and version.
bool WalksToEnd(const unsigned char* bdb, std::size_t size, BdbFormat format,
                std::uint64_t declared) {
  BdbSummary scratch;
  BdbReader r(bdb, size, scratch);
  try {
    Read(r, format);
  } catch (const Truncated&) {
    return false;
  }
  return r.Pos() == declared || r.Pos() == size;
}

// The format of a block by its own bytes, among those of `family`; kNone
// when the bytes do not decide between editions (the header decides then,
// among `candidates`).
struct ContentVerdict {
  BdbFormat format = BdbFormat::kNone;  // What the content says, if it does.
  BdbFormat iso = BdbFormat::kNone;     // The choice when the header is ISO.
  BdbFormat ansi = BdbFormat::kNone;    // The choice when it is ANSI.
};

ContentVerdict ByContent(const unsigned char* bdb, std::size_t size,
                         Family family) {
  ContentVerdict v;
  if (size < 8) return v;
  const std::string version(reinterpret_cast<const char*>(bdb) + 4, 4);
  switch (family) {
    case Family::kFingerMinutiae:
      if (version == std::string(" 20\0", 4)) {
        v.iso = BdbFormat::kIso19794_2_2005;
        v.ansi = BdbFormat::kAnsi378_2004;
        // ANSI's two-byte length is at least its 26-byte header; ISO's
        // four-byte length begins with a small high half. A two-byte 0 is
        // ANSI's long form when what follows is too small for ISO.
        if (size >= 12) {
          const std::uint64_t high = Big(bdb, size, 8, 2);
          const std::uint64_t next = Big(bdb, size, 10, 2);
          const bool ansi = high >= 26 || (high == 0 && next < 24);
          v.format = ansi ? v.ansi : v.iso;
        }
      } else if (version == std::string("030\0", 4) ||
                 version == std::string("035\0", 4)) {
        v.iso = BdbFormat::kIso19794_2_2011;
        v.ansi = BdbFormat::kAnsi378_2009;
        if (version[1] == '3' && version[2] == '5') {
          v.format = v.iso = v.ansi;
          break;
        }
        // ISO 2011: representations of at least 34 bytes each that add up
        // to the declared length after the 15-byte header.
        const std::uint64_t declared = Big(bdb, size, 8, 4);
        const std::uint64_t count = Big(bdb, size, 12, 2);
        std::uint64_t at = 15;
        bool iso = size >= 15 && count > 0;
        for (std::uint64_t i = 0; iso && i < count; ++i) {
          const std::uint64_t length = Big(bdb, size, at, 4);
          iso = at + 4 <= size && length >= 34;
          at += length;
        }
        if (iso && at == declared) {
          v.format = v.iso;
        } else if (WalksToEnd(bdb, size, BdbFormat::kAnsi378Draft2007,
                              declared)) {
          v.format = v.ansi = BdbFormat::kAnsi378Draft2007;
        } else if (WalksToEnd(bdb, size, BdbFormat::kAnsi378_2009, declared)) {
          v.format = v.ansi;
        }
      }
      break;
    case Family::kFingerImage:
      if (version == std::string("010\0", 4)) {
        v.iso = BdbFormat::kIso19794_4_2005;
        v.ansi = BdbFormat::kAnsi381_2004;
        const std::uint64_t declared = Big(bdb, size, 8, 6);
        const bool iso = WalksToEnd(bdb, size, v.iso, declared);
        const bool ansi = WalksToEnd(bdb, size, v.ansi, declared);
        if (iso != ansi) v.format = iso ? v.iso : v.ansi;
      } else if (version == std::string("020\0", 4)) {
        v.format = v.iso = v.ansi = BdbFormat::kIso19794_4_2011;
      }
      break;
    case Family::kFace:
      if (version == std::string("010\0", 4)) {
        v.format = v.iso = v.ansi = BdbFormat::kIso19794_5_2005;
      } else if (version == std::string("030\0", 4)) {
        v.format = v.iso = v.ansi = BdbFormat::kIso19794_5_2011;
      }
      break;
    case Family::kIris:
      // The 2011 edition by its version; the 2005 layout (whatever its
      // version says) and the IREX profile by their header lengths.
      if (version == std::string("020\0", 4)) {
        v.format = BdbFormat::kIso19794_6_2011;
      } else if (Big(bdb, size, 15, 2) == 45) {
        v.format = BdbFormat::kIso19794_6_2005;
      } else if (Big(bdb, size, 16, 2) == 46) {
        v.format = BdbFormat::kIso19794_6_Irex;
      }
      v.iso = v.ansi = v.format;
      break;
    case Family::kNone:
      break;
  }
  return v;
}

std::string Id(RegistryID id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%04X/0x%04X",
                static_cast<unsigned>(static_cast<std::uint16_t>(id.Owner)),
                static_cast<unsigned>(static_cast<std::uint16_t>(id.Type)));
  return text;
}

std::string Count(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Difference(std::uint64_t a, std::uint64_t b, const char* more,
                       const char* fewer) {
  return std::to_string(a > b ? a - b : b - a) + " " + (a > b ? more : fewer);
}

// The notes on lengths: the declared record length against the block, and
// the end of the walk against both.
void LengthNotes(BdbReader& r, const BdbSummary& s, bool complete) {
  const BdbRow* length = nullptr;
  for (const BdbRow& row : s.rows) {
    if (row.depth == 0 && std::strcmp(row.name, "RecordLength") == 0) {
      length = &row;
    }
  }
  if (length == nullptr || !length->number) return;
  const std::uint64_t declared = *length->number;
  if (declared != s.size) {
    r.Note(BdbNoteKind::kLength, length->offset - s.base,
           "the record declares " + Count(declared, "byte", "bytes") +
               "; the BDB holds " + std::to_string(s.size) + " (" +
               Difference(s.size, declared, "more", "fewer") + ")");
  }
  if (complete && r.Pos() < s.size) {
    r.Note(BdbNoteKind::kLength, r.Pos(),
           "its content ends at byte " + std::to_string(r.Pos()) +
               " of the BDB: " + Count(s.size - r.Pos(), "byte", "bytes") +
               " after it not read");
  }
}

}  // namespace

std::string BdbRow::Name() const {
  return index == 0 ? std::string(name)
                    : std::string(name) + " " + std::to_string(index);
}

std::string BdbRow::Value() const {
  if (number) {
    return describe != nullptr ? describe(*number, length)
                               : std::to_string(*number);
  }
  return static_text != nullptr ? std::string(static_text) : text;
}

std::string BdbRow::Bytes() const {
  const std::size_t count = length < shown ? length : shown;
  unsigned char bytes[sizeof first];
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<unsigned char>(first[i / 8] >> (56 - 8 * (i % 8)));
  }
  std::string hex = detail::FirstBytesHex(bytes, 0, count);
  if (length > count) hex += " ...";
  return hex;
}

const char* BdbFormatName(BdbFormat format) {
  const FormatInfo* info = InfoOf(format);
  return info != nullptr ? info->name : nullptr;
}

BdbSummary SummarizeBdb(const unsigned char* bdb, std::size_t size,
                        RegistryID format, std::optional<BiometricType> type,
                        std::size_t base) {
  BdbSummary s;
  s.base = base;
  s.size = size;
  s.rows.reserve(32);
  const NamedFormat* named = NamedBy(format);
  if (named != nullptr) s.named = named->name;
  BdbReader r(bdb, size, s);

  const Family family = FamilyOf(bdb, size);
  const ContentVerdict content = ByContent(bdb, size, family);
  BdbFormat chosen = content.format;
  if (family != Family::kNone && named != nullptr && named->family == family) {
    // The header decides what the content leaves open, and the content
    // overrules a header that it contradicts.
    const BdbFormat by_header =
        named->body == Body::kAnsi ? content.ansi : content.iso;
    if (chosen == BdbFormat::kNone) chosen = by_header;
  }
  if (chosen == BdbFormat::kNone) chosen = content.iso;

  if (chosen == BdbFormat::kNone) {
    if (named != nullptr && size > 0) {
      r.Note(BdbNoteKind::kFormat, 0,
             "BDBFormat " + Id(format) + " names " + named->name +
                 ", but the BDB does not hold a record of that format");
    } else if (named != nullptr) {
      r.Note(BdbNoteKind::kFormat, 0,
             "BDBFormat " + Id(format) + " names " + named->name +
                 ", but the BDB is empty");
    }
    if (size > 0) {
      r.Note(
          BdbNoteKind::kNotRecognised, 0,
          "not recognised; it begins " + detail::FirstBytesHex(bdb, 0, size));
    }
    return s;
  }
  s.format = chosen;
  const FormatInfo& info = *InfoOf(chosen);
  if (named != nullptr &&
      (named->family != info.family || named->body != info.body)) {
    r.Note(BdbNoteKind::kFormat, 0,
           "BDBFormat " + Id(format) + " names " + named->name +
               ", but the BDB holds " + info.name);
  }
  if (type && *type != BiometricType::NoTypeAvailable &&
      *type != BiometricType::Multiple &&
      (static_cast<std::uint32_t>(*type) &
       static_cast<std::uint32_t>(TypeOf(info.family))) == 0) {
    std::string text =
        "BDBBiometricType " + std::to_string(static_cast<int>(*type));
    if (const char* name = names::NameOf(*type)) {
      text += std::string(" (") + name + ")";
    }
    r.Note(BdbNoteKind::kBiometricType, 0,
           text + " is not " + FamilyWord(info.family) + ", which " +
               info.name + " records");
  }

  bool complete = true;
  try {
    Read(r, chosen);
  } catch (const Truncated& t) {
    complete = false;
    r.CloseAll();
    const std::size_t left = t.at <= size ? size - t.at : 0;
    if (!t.what.empty()) {
      r.Note(BdbNoteKind::kTruncated, t.at,
             "the BDB ends inside " + t.what + " at byte " +
                 std::to_string(t.at) + ": it needs " +
                 Count(t.need, "byte", "bytes") + ", " + std::to_string(left) +
                 " remain; the summary stops there");
    }
  }
  LengthNotes(r, s, complete);
  if (s.notes.size() > 1) {
    std::stable_sort(
        s.notes.begin(), s.notes.end(),
        [](const BdbNote& a, const BdbNote& b) { return a.offset < b.offset; });
  }
  return s;
}

BdbSummary SummarizeBdb(const BIR& bir) {
  return detail::SummarizeBdbOf(bir, record::PresenceBits(bir));
}

namespace detail {

BdbSummary SummarizeBdbOf(const BIR& bir, std::uint32_t presence) {
  const int bit = record::LayoutOf(record::FieldId::kBDBBiometricType).bit;
  std::optional<BiometricType> type;
  if (((presence >> bit) & 1u) != 0) type = bir.BDBBiometricType;
  return SummarizeBdb(bir.BiometricData.data(), bir.BiometricData.size(),
                      bir.BDBFormat, type);
}

}  // namespace detail

BdbSummary SummarizeRecordBdb(const unsigned char* data, std::size_t size) {
  const detail::WalkedRecord walked = detail::WalkRecord(data, size, false);
  if (!walked.Accepted()) return BdbSummary{};
  const int bit = record::LayoutOf(record::FieldId::kBDBBiometricType).bit;
  std::optional<BiometricType> type;
  if (((walked.presence >> bit) & 1u) != 0) {
    type = walked.bir.BDBBiometricType;
  }
  return SummarizeBdb(data + walked.bdb.offset, walked.bdb.size,
                      walked.bir.BDBFormat, type, walked.bdb.offset);
}

std::string BdbSummaryJson(const BdbSummary& summary) {
  using Json = nlohmann::ordered_json;
  Json root = Json::object();
  root["Format"] = summary.Recognised() ? Json(BdbFormatName(summary.format))
                                        : Json(nullptr);
  // The object of each depth: a group's row opens the next one.
  std::vector<Json*> open{&root};
  for (const BdbRow& row : summary.rows) {
    if (row.depth == 0 && std::strcmp(row.name, "Format") == 0) continue;
    const std::size_t depth = static_cast<std::size_t>(row.depth);
    if (depth + 1 > open.size()) continue;  // Never: groups nest by one.
    open.resize(depth + 1);
    Json& parent = *open.back();
    if (row.list[0] != '\0') {
      Json& list = parent[row.list];
      if (!list.is_array()) list = Json::array();
      list.push_back(Json::object());
      open.push_back(&list.back());
    } else if (row.number) {
      parent[row.Name()] = *row.number;
    } else {
      parent[row.Name()] = row.Value();
    }
  }
  Json notes = Json::array();
  for (const BdbNote& note : summary.notes) notes.push_back(note.text);
  root["Notes"] = std::move(notes);
  return root.dump();
}

}  // namespace inspect
}  // namespace BioAPI_Data
