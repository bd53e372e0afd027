// The boundary of the C interface: no exception crosses it.
#ifndef BIOAPI_DATA_C_API_GUARDED_H_
#define BIOAPI_DATA_C_API_GUARDED_H_

#include <new>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/types.h"
#include "common/error_table.h"

namespace BioAPI_Data {
namespace c_api {

/// Runs `body`, which returns a status, and turns every exception into one:
/// the library's own into the bare code that gives the same message.
template <class Body>
bioapi_status Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (BioAPIException* e) {
    const bioapi_status status = errors::CodeOf(e->GetFacility(), e->GetCode());
    delete e;
    return status;
  } catch (const std::bad_alloc&) {
    return BIOAPI_ERROR_MEMORY;
  } catch (...) {
    return BIOAPI_ERROR_INTERNAL;
  }
}

}  // namespace c_api
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_C_API_GUARDED_H_
