// Decoding through the C interface without the decoder's copy of the BDB,
// for callers (the Python package) that keep the record's bytes anyway.
#include <cstddef>
#include <memory>

#include "bioapi_data/bioapi_data_c.h"
#include "bir/decode.h"
#include "c_api/bir_handle.h"
#include "c_api/guarded.h"

extern "C" bioapi_status bioapi_bir_decode_leaving_bdb(const uint8_t* data,
                                                       size_t size,
                                                       bioapi_bir** out,
                                                       size_t* bdb_offset,
                                                       size_t* bdb_size) {
  // On every failure *out is null, whichever argument was wrong.
  if (out != nullptr) *out = nullptr;
  if (out == nullptr || bdb_offset == nullptr || bdb_size == nullptr ||
      data == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  return BioAPI_Data::c_api::Guarded([&] {
    auto handle = std::make_unique<bioapi_bir>();
    const BioAPI_Data::record::BlockSpan bdb =
        BioAPI_Data::record::ReadOrReject(data, size, handle->record);
    *bdb_offset = bdb.offset;
    *bdb_size = bdb.size;
    *out = handle.release();
    return BIOAPI_OK;
  });
}
