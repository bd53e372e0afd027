// The byte inputs of the ACBio operations, held as the caller's pointers.
#include "bioapi_data/params.h"

namespace BioAPI_Data {

ACBioParameters::ACBioParameters(
    unsigned char* challenge, unsigned char* initial_bpu_io_index_output,
    unsigned char* supremum_bpu_io_index_output) noexcept
    : challenge_(challenge),
      initial_bpu_io_index_output_(initial_bpu_io_index_output),
      supremum_bpu_io_index_output_(supremum_bpu_io_index_output) {}

}  // namespace BioAPI_Data
