#include "bir/decode.h"

#include <cstring>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/record_reader.h"
#include "bir/rejection.h"

namespace BioAPI_Data {
namespace record {
namespace {

// The library's decoder throws the one documented exception, by pointer,
// for every fault. When the caller asks why (`kReport`), it also follows the
// parts as they are read; otherwise it keeps no account of them.
template <bool kReport>
class RejectingObserver : public FaultOnlyObserver {
 public:
  explicit RejectingObserver(RejectionFacts* why) : why_(why) {}

  [[noreturn]] void Fail(std::size_t offset, const char* check) const {
    if constexpr (kReport) *why_ = parts_.At(offset, check);
    throw new BioAPIException(Unit, 0x10B);
  }
  void Begin(FieldId id, std::size_t offset) {
    if constexpr (kReport) parts_.Begin(id, offset);
  }
  void End(std::size_t) {
    if constexpr (kReport) parts_.End();
  }

 private:
  RejectionFacts* why_;
  PartTracker parts_;
};

}  // namespace

BlockSpan ReadOrReject(const unsigned char* data, std::size_t size, BIR& bir,
                       RejectionFacts* why) {
  if (why == nullptr) {
    RejectingObserver<false> observer(nullptr);
    return ReadRecord(data, size, bir, observer);
  }
  RejectingObserver<true> observer(why);
  return ReadRecord(data, size, bir, observer);
}

}  // namespace record

using record::ReadOrReject;

BIR::BIR(const unsigned char* data, std::size_t size) {
  const record::BlockSpan bdb = ReadOrReject(data, size, *this);
  BiometricData.assign(data + bdb.offset, data + bdb.offset + bdb.size);
}

BIR::BIR(const std::vector<unsigned char>& bytes)
    : BIR(bytes.data(), bytes.size()) {}

BIR::BIR(std::vector<unsigned char>&& bytes) {
  const record::BlockSpan bdb = ReadOrReject(bytes.data(), bytes.size(), *this);
  // When the BDB is most of the record, keep the caller's buffer: slide the
  // BDB to its front and drop the rest. One in-place move, no second large
  // allocation. Otherwise copy the BDB and leave a right-sized buffer.
  if (bdb.size >= bytes.size() / 2) {
    std::memmove(bytes.data(), bytes.data() + bdb.offset, bdb.size);
    bytes.resize(bdb.size);
    BiometricData = std::move(bytes);
  } else {
    BiometricData.assign(bytes.data() + bdb.offset,
                         bytes.data() + bdb.offset + bdb.size);
  }
  // Either way the caller is left with an empty vector holding no storage
  // (a moved-from vector is only "valid but unspecified").
  std::vector<unsigned char>().swap(bytes);
}

int BIR::Array2IntBE(const std::vector<unsigned char>& bytes, int index) {
  return record::LoadLE32(bytes.data() + static_cast<std::size_t>(index));
}

short BIR::Array2ShortBE(const std::vector<unsigned char>& bytes, int index) {
  return record::LoadLE16(bytes.data() + static_cast<std::size_t>(index));
}

}  // namespace BioAPI_Data
