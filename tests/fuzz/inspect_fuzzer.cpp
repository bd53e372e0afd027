// Fuzz target of the inspection library: for any bytes, the check accepts
// exactly what the decoder accepts; a rejection names a place inside the
// input, the walk ends on its check, and the decoder's own rejection
// (bioapi_bir_decode_ex) gives the same facts and line; an accepted record's
// changes are empty exactly when it re-encodes to its own bytes, and its JSON
// reads back to the same JSON and encodes as the record that the decoder gives.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/bir.h"
#include "bioapi_data/inspect.h"
#include "round_trip.h"

namespace {

using BioAPI_Data::BioAPIException;
using BioAPI_Data::BIR;
using BioAPI_Data::testing::Require;
namespace inspect = BioAPI_Data::inspect;

// The C interface's decode with its rejection, which must agree with the
// C++ decoder and, for a rejected record, with the inspection's check.
void RequireSameRejection(const std::uint8_t* data, std::size_t size,
                          const inspect::Check& check) {
  static const std::uint8_t kNone = 0;
  bioapi_bir* bir = nullptr;
  bioapi_decode_rejection why;
  why.struct_size = sizeof why;
  const bioapi_status status =
      bioapi_bir_decode_ex(data != nullptr ? data : &kNone, size, &bir, &why);
  bioapi_bir_destroy(bir);
  Require((status == BIOAPI_OK) == check.Accepted() &&
              (why.rejected == 0) == check.Accepted(),
          "the decoder's rejection agrees with the check");
  if (check.Accepted()) return;
  const inspect::Rejection& r = *check.rejection;
  Require(why.offset == r.offset && why.part == r.part &&
              why.part_offset == r.field_offset &&
              (why.inside_part != 0) == r.inside_field &&
              std::strcmp(why.part_name, r.field) == 0 &&
              std::strcmp(why.check, r.check) == 0 &&
              why.reason == r.Describe(),
          "the decoder's rejection gives the check's facts and line");
}

std::optional<BIR> Decoded(const std::uint8_t* data, std::size_t size) {
  try {
    return BIR(data, size);
  } catch (BioAPIException* e) {
    delete e;
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::optional<BIR> decoded = Decoded(data, size);
  const inspect::Check check = inspect::CheckRecord(data, size);
  Require(check.Accepted() == decoded.has_value(),
          "the check accepts what the decoder accepts");
  const inspect::Walk walk(data, size);
  Require(walk.Accepted() == check.Accepted(), "the walk agrees");
  for (const inspect::Row& row : walk.Rows()) {
    Require(row.offset <= size && row.length <= size - row.offset,
            "every row lies inside the record");
  }
  RequireSameRejection(data, size, check);
  if (!check.Accepted()) {
    const inspect::Rejection& r = *check.rejection;
    Require(r.offset <= size && r.field_offset <= r.offset,
            "a rejection lies inside the record, in its field");
    Require(r.check != nullptr && r.field != nullptr && r.part >= 0,
            "a rejection names its check and field");
    Require(!walk.Rows().empty() && walk.Rows().back().check == r.check,
            "the walk ends on the failing check");
    return 0;
  }
  const std::vector<unsigned char> again = decoded->Encode();
  Require(check.changes.empty() ==
              (again == std::vector<unsigned char>(data, data + size)),
          "changes are named exactly when re-encoding changes the bytes");
  // A field that the record lacks is null in the JSON and keeps the default
  // of a new record when read back, which may differ from the decoder's
  // default: the JSON text and the encoded record are what must agree.
  const inspect::RecordFields fields = inspect::ReadFields(data, size);
  const std::string text = inspect::ToJson(fields);
  const inspect::RecordFields back = inspect::FromJson(text);
  Require(inspect::ToJson(back) == text, "the JSON reads back");
  Require(back.bir.Encode() == again, "the JSON encodes as the record");
  return 0;
}
