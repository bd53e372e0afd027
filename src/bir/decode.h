// The library's decoding walk, for the decoding constructors of BIR and for
// the C interface's decoder that leaves the BDB in the caller's bytes.
#ifndef BIOAPI_DATA_BIR_DECODE_H_
#define BIOAPI_DATA_BIR_DECODE_H_

#include <cstddef>

#include "bioapi_data/bir.h"
#include "bir/record_reader.h"
#include "bir/rejection.h"

namespace BioAPI_Data {
namespace record {

/// Decodes the `size` bytes at `data` into `bir`, a default-constructed
/// record, all but `BiometricData`, and returns where the BDB lies. Throws
/// `BioAPIException*` (Unit, 0x10B) for a record that it rejects, having set
/// `*why` (when not null) to where and why.
BlockSpan ReadOrReject(const unsigned char* data, std::size_t size, BIR& bir,
                       RejectionFacts* why = nullptr);

}  // namespace record
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_BIR_DECODE_H_
