#include "boundary_thrower.h"

#include "bioapi_data/types.h"

namespace boundary_thrower {

void ThrowBioAPIException(int code) {
  throw new BioAPI_Data::BioAPIException(code);
}

}  // namespace boundary_thrower
