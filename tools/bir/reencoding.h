// What encoding an accepted record again changes: the forms of the record
// that the library reads but never writes.
#ifndef BIOAPI_DATA_TOOLS_BIR_REENCODING_H_
#define BIOAPI_DATA_TOOLS_BIR_REENCODING_H_

#include <string>
#include <vector>

#include "record_walk.h"

namespace bir_tool {

/// Returns, in record order, each part of the accepted record `bytes` (walked
/// as `walked`) that `BIR::Encode` would write otherwise after decoding it,
/// e.g. "empty OctetString1 left out". An empty result means that the record
/// is canonical: decoding and encoding it gives back the same bytes.
std::vector<std::string> ReencodingChanges(
    const std::vector<unsigned char>& bytes, const WalkedRecord& walked);

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_REENCODING_H_
