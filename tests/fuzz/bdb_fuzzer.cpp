// Fuzz target of the BDB's summary: for any bytes under any format owner and
// type, the summary never reads past the block (ASan sees the input's end),
// every row and note lies inside it, group rows cover what follows them one
// level deeper, and its JSON is an object.
//
// The input: BDBFormat's owner and type (two bytes each, big-endian), one
// byte choosing BDBBiometricType (0: none; else one of eight type bits), and
// the BDB.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "bioapi_data/inspect_bdb.h"
#include "round_trip.h"

namespace {

using BioAPI_Data::BiometricType;
using BioAPI_Data::RegistryID;
using BioAPI_Data::testing::Require;
namespace inspect = BioAPI_Data::inspect;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 5) return 0;
  // Owners and types that name formats come first, so that the fuzzer meets
  // them often: 0x0101/0x0002..0x0009 and 0x001B/0x0201..0x0501.
  const RegistryID format{static_cast<std::int16_t>(data[0] << 8 | data[1]),
                          static_cast<std::int16_t>(data[2] << 8 | data[3])};
  std::optional<BiometricType> type;
  if (data[4] != 0) {
    type = static_cast<BiometricType>(1 << (data[4] % 8));
  }
  const std::uint8_t* bdb = data + 5;
  const std::size_t bdb_size = size - 5;
  const std::size_t base = data[4];  // any offset of the block in a record
  const inspect::BdbSummary s =
      inspect::SummarizeBdb(bdb, bdb_size, format, type, base);
  Require(s.size == bdb_size && s.base == base, "the summary's extent");
  Require(s.Recognised() || s.rows.empty(), "no rows without a format");
  int depth = 0;
  for (const inspect::BdbRow& row : s.rows) {
    Require(row.offset >= base && row.offset - base <= bdb_size &&
                row.length <= bdb_size - (row.offset - base),
            "every row lies inside the block");
    Require(row.depth >= 0 && row.depth <= depth + 1 &&
                (row.depth <= depth || !s.rows.empty()),
            "rows nest one level at a time");
    depth = row.list[0] == '\0' ? row.depth : row.depth + 1;
    Require(row.Bytes().size() <= 3 * 16 + 4, "at most 16 bytes shown");
    Require(!row.Name().empty() &&
                (row.number || !row.Value().empty() || row.list[0] != '\0'),
            "a row has a name, and a value unless it is a group");
  }
  for (const inspect::BdbNote& note : s.notes) {
    Require(note.offset >= base && note.offset - base <= bdb_size,
            "every note lies inside the block or at its end");
    Require(!note.text.empty(), "a note says something");
  }
  const std::string json = inspect::BdbSummaryJson(s);
  Require(json.size() >= 2 && json.front() == '{' && json.back() == '}',
          "the JSON is an object");
  return 0;
}
