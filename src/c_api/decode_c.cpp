// Decoding through the C interface: the record into a handle, with or
// without the decoder's copy of the BDB (the Python package keeps the
// record's bytes anyway), and on request why the decoder rejects it.
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "bioapi_data/bioapi_data_c.h"
#include "bir/decode.h"
#include "bir/rejection.h"
#include "c_api/bir_handle.h"
#include "c_api/field_map.h"
#include "c_api/guarded.h"

namespace {

namespace record = BioAPI_Data::record;
using BioAPI_Data::c_api::Guarded;

static_assert(sizeof(bioapi_decode_rejection) ==
                      BIOAPI_DECODE_REJECTION_SIZE_V1 &&
                  offsetof(bioapi_decode_rejection, part_name) == 40,
              "the first version of bioapi_decode_rejection: fixed-width "
              "members, no padding, the same on every platform");

// Copies `text` into `out`, cut to fit, null terminated.
template <std::size_t N>
void CopyText(char (&out)[N], const char* text, std::size_t length) {
  const std::size_t n = length < N - 1 ? length : N - 1;
  std::memcpy(out, text, n);
  out[n] = '\0';
}
template <std::size_t N>
void CopyText(char (&out)[N], const char* text) {
  CopyText(out, text, std::strlen(text));
}

// Writes the members of the first version to `*out`, never past them and
// keeping the caller's struct_size: `facts` null for an accepted record.
void Deliver(bioapi_decode_rejection* out,
             const record::RejectionFacts* facts) {
  if (facts == nullptr) {
    // Accepted: the members cleared, the texts empty, nothing else written.
    out->rejected = 0;
    out->offset = out->part_offset = 0;
    out->part = out->field = -1;
    out->inside_part = out->reserved = 0;
    out->part_name[0] = out->check[0] = out->reason[0] = '\0';
    return;
  }
  bioapi_decode_rejection r{};
  r.struct_size = out->struct_size;
  r.rejected = 1;
  r.offset = facts->offset;
  r.part_offset = facts->part_offset;
  r.part = -1;
  r.field = -1;
  r.inside_part = facts->inside_part ? 1 : 0;
  if (facts->has_part) {
    r.part = static_cast<int32_t>(facts->part);
    r.field = BioAPI_Data::c_api::PartFieldNumber(facts->part);
    CopyText(r.part_name, facts->PartName());
  }
  CopyText(r.check, facts->check);
  try {
    const std::string reason = record::Describe(*facts);
    CopyText(r.reason, reason.data(), reason.size());
  } catch (const std::bad_alloc&) {
    // The facts stand without their line.
  }
  std::memcpy(out, &r, BIOAPI_DECODE_REJECTION_SIZE_V1);
}

// Decodes with `body(why)`, which returns a status and throws as the decoder
// does; fills `*rejection`, when asked, from what the decoder found.
template <class Body>
bioapi_status DecodeReporting(bioapi_decode_rejection* rejection, Body body) {
  record::RejectionFacts facts;
  const bioapi_status status =
      Guarded([&] { return body(rejection != nullptr ? &facts : nullptr); });
  if (rejection != nullptr) {
    Deliver(rejection,
            status == BIOAPI_ERROR_INVALID_DATA && facts.check != nullptr
                ? &facts
                : nullptr);
  }
  return status;
}

bool SizeOk(const bioapi_decode_rejection* rejection) {
  return rejection == nullptr ||
         rejection->struct_size >= BIOAPI_DECODE_REJECTION_SIZE_V1;
}

}  // namespace

extern "C" {

bioapi_status bioapi_bir_decode(const uint8_t* data, size_t size,
                                bioapi_bir** out) {
  return bioapi_bir_decode_ex(data, size, out, nullptr);
}

bioapi_status bioapi_bir_decode_ex(const uint8_t* data, size_t size,
                                   bioapi_bir** out,
                                   bioapi_decode_rejection* rejection) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (data == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  if (!SizeOk(rejection)) return BIOAPI_ERROR_INVALID_PARAMETER;
  return DecodeReporting(rejection, [&](record::RejectionFacts* why) {
    auto handle = std::make_unique<bioapi_bir>();
    const record::BlockSpan bdb =
        record::ReadOrReject(data, size, handle->record, why);
    handle->record.BiometricData.assign(data + bdb.offset,
                                        data + bdb.offset + bdb.size);
    *out = handle.release();
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_bir_decode_leaving_bdb(const uint8_t* data, size_t size,
                                            bioapi_bir** out,
                                            size_t* bdb_offset,
                                            size_t* bdb_size) {
  return bioapi_bir_decode_leaving_bdb_ex(data, size, out, bdb_offset, bdb_size,
                                          nullptr);
}

bioapi_status bioapi_bir_decode_leaving_bdb_ex(
    const uint8_t* data, size_t size, bioapi_bir** out, size_t* bdb_offset,
    size_t* bdb_size, bioapi_decode_rejection* rejection) {
  // On every failure *out is null, whichever argument was wrong.
  if (out != nullptr) *out = nullptr;
  if (out == nullptr || bdb_offset == nullptr || bdb_size == nullptr ||
      data == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  if (!SizeOk(rejection)) return BIOAPI_ERROR_INVALID_PARAMETER;
  return DecodeReporting(rejection, [&](record::RejectionFacts* why) {
    auto handle = std::make_unique<bioapi_bir>();
    const record::BlockSpan bdb =
        record::ReadOrReject(data, size, handle->record, why);
    *bdb_offset = bdb.offset;
    *bdb_size = bdb.size;
    *out = handle.release();
    return BIOAPI_OK;
  });
}

}  // extern "C"
