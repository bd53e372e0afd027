// Fuzz target of the decoder: any bytes are either rejected with the
// library's exception, which the handler deletes, or decode to a record that
// survives encoding, and that encodes to its own bytes exactly when it is
// canonical. All three decoding constructors must agree.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "canonical_record.h"
#include "round_trip.h"

namespace {

using BioAPI_Data::BioAPIException;
using BioAPI_Data::BIR;
using BioAPI_Data::testing::ExpectedDecoding;
using BioAPI_Data::testing::FirstDifference;
using BioAPI_Data::testing::IsCanonicalRecord;
using BioAPI_Data::testing::Require;
using Bytes = std::vector<unsigned char>;

// Runs one decoding constructor; an empty result stands for its rejection,
// whose exception must be the documented one and is deleted here.
template <class Decode>
std::optional<BIR> Outcome(Decode&& decode) {
  try {
    return decode();
  } catch (BioAPIException* e) {
    Require(e->GetFacility() == BioAPI_Data::Unit && e->GetCode() == 0x10B,
            "a rejection is Unit/0x10B");
    delete e;
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const Bytes input(data, data + size);
  const std::optional<BIR> from_pointer =
      Outcome([&] { return BIR(data, size); });
  const std::optional<BIR> from_copy = Outcome([&] { return BIR(input); });
  Bytes handed_over = input;
  const std::optional<BIR> from_move =
      Outcome([&] { return BIR(std::move(handed_over)); });

  Require(from_pointer.has_value() == from_copy.has_value() &&
              from_pointer.has_value() == from_move.has_value(),
          "every decoding constructor accepts the same records");
  if (!from_pointer) {
    Require(handed_over == input, "a rejected record is left as it was");
    return 0;
  }
  const char* difference = FirstDifference(*from_pointer, *from_copy);
  Require(difference == nullptr, "copying decoder agrees:", difference);
  difference = FirstDifference(*from_pointer, *from_move);
  Require(difference == nullptr, "moving decoder agrees:", difference);

  // A decoded record fits every limit of the encoder, so it encodes, and the
  // result decodes to what was written and encodes to the same bytes.
  const BIR& decoded = *from_pointer;
  Bytes encoded;
  try {
    encoded = decoded.Encode();
  } catch (BioAPIException* e) {
    delete e;
    BioAPI_Data::testing::Fail("a decoded record encodes");
  }
  // Nothing that a canonical record holds is lost or changed; every other
  // accepted record is normalised.
  Require((encoded == input) == IsCanonicalRecord(data, size),
          encoded == input ? "a non-canonical record is normalised"
                           : "a canonical record re-encodes to its own bytes");
  const std::optional<BIR> again = Outcome([&] { return BIR(encoded); });
  Require(again.has_value(), "a re-encoded record decodes");
  difference = FirstDifference(ExpectedDecoding(decoded), *again);
  Require(difference == nullptr, "re-encoded field comes back:", difference);
  Require(again->Encode() == encoded, "encoding is stable after one decode");
  return 0;
}
