// Decoding through the C interface without the decoder's copy of the BDB,
// for callers (the Python package) that keep the record's bytes anyway.
#include <cstddef>
#include <new>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/types.h"
#include "bir/record_reader.h"
#include "c_api/bir_handle.h"

namespace {

// A rejected record is the decoder's one documented error.
struct RejectingObserver : BioAPI_Data::record::FaultOnlyObserver {
  [[noreturn]] static void Fail(std::size_t, const char*) {
    throw BIOAPI_ERROR_INVALID_DATA;
  }
};

}  // namespace

extern "C" bioapi_status bioapi_bir_decode_leaving_bdb(const uint8_t* data,
                                                       size_t size,
                                                       bioapi_bir** out,
                                                       size_t* bdb_offset,
                                                       size_t* bdb_size) {
  if (out == nullptr || bdb_offset == nullptr || bdb_size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  *out = nullptr;
  if (data == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  try {
    auto* handle = new bioapi_bir{};
    try {
      RejectingObserver observer;
      const BioAPI_Data::record::BlockSpan bdb =
          BioAPI_Data::record::ReadRecord(data, size, handle->record, observer);
      *bdb_offset = bdb.offset;
      *bdb_size = bdb.size;
    } catch (...) {
      delete handle;
      throw;
    }
    *out = handle;
    return BIOAPI_OK;
  } catch (bioapi_status status) {
    return status;
  } catch (const std::bad_alloc&) {
    return BIOAPI_ERROR_MEMORY;
  } catch (...) {
    return BIOAPI_ERROR_INTERNAL;
  }
}
