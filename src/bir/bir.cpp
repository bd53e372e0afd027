#include "bioapi_data/bir.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace BioAPI_Data {
namespace {

// A name for the temporary file that no other thread or process picks: a
// per-thread random stream seeded from the system's entropy, the thread and
// the clock, plus a process-wide counter.
std::string TemporaryRecordName() {
  thread_local std::mt19937_64 stream([] {
    // The system's entropy may be unavailable (random_device may throw);
    // the thread and the clock still tell this stream from the others.
    std::uint32_t entropy[4] = {};
    try {
      std::random_device device;
      for (auto& word : entropy) word = device();
    } catch (...) {
    }
    std::seed_seq seed{
        entropy[0],
        entropy[1],
        entropy[2],
        entropy[3],
        static_cast<std::uint32_t>(
            std::hash<std::thread::id>{}(std::this_thread::get_id())),
        static_cast<std::uint32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::mt19937_64(seed);
  }());
  static std::atomic<std::uint64_t> counter{0};
  return "record." + std::to_string(stream()) + "." +
         std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) +
         ".tmp";
}

// Leaves `bytes` in the file "record" of the working directory. The bytes go
// to a new file first, which is then renamed over "record": a reader, or an
// encoding that overlaps this one, sees a complete record, never a mix.
// Failures are not reported; the temporary file does not outlive them.
void ReplaceRecordFile(const std::vector<unsigned char>& bytes) {
  const std::filesystem::path temporary = TemporaryRecordName();
  std::error_code ignored;
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return;
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::filesystem::remove(temporary, ignored);
      return;
    }
  }
  std::filesystem::rename(temporary, "record", ignored);
  if (ignored) std::filesystem::remove(temporary, ignored);
}

}  // namespace

BIR::BIR(RegistryID bdb_format, bool encryption_option, bool integrity_option,
         BiometricType biometric_type, BiometricSubtype biometric_subtype,
         RegistryID registered_id1, RegistryID registered_id2,
         RegistryID registered_id3, RegistryID registered_id4,
         RegistryID registered_id5, std::vector<unsigned char> octet_string1,
         std::tm bdb_creation_date, std::vector<unsigned char> octet_string2,
         ProcessedLevel processed_level, RegistryID registered_id6,
         Purpose purpose, unsigned char quality, RegistryID registered_id7,
         std::vector<std::tm> bdb_validity_period, std::tm bir_creation_date,
         std::vector<unsigned char> octet_string3,
         std::vector<unsigned char> octet_string4,
         std::vector<unsigned char> octet_string5,
         std::vector<unsigned char> octet_string6,
         std::vector<std::tm> bir_validity_period, RegistryID registered_id8,
         std::vector<unsigned char> biometric_data,
         std::vector<unsigned char> security_block)
    : BDBFormat(bdb_format),
      EncryptionOption(encryption_option),
      IntegrityOption(integrity_option),
      BDBBiometricType(biometric_type),
      BDBBiometricSubtype(biometric_subtype),
      RegisteredId1(registered_id1),
      RegisteredId2(registered_id2),
      RegisteredId3(registered_id3),
      RegisteredId4(registered_id4),
      RegisteredId5(registered_id5),
      OctetString1(std::move(octet_string1)),
      BDBCreationDate(bdb_creation_date),
      OctetString2(std::move(octet_string2)),
      BDBProcessedLevel(processed_level),
      RegisteredId6(registered_id6),
      BDBPurpose(purpose),
      BDBQuality(quality),
      RegisteredId7(registered_id7),
      BDBValidityPeriod(std::move(bdb_validity_period)),
      BIRCreationDate(bir_creation_date),
      OctetString3(std::move(octet_string3)),
      OctetString4(std::move(octet_string4)),
      OctetString5(std::move(octet_string5)),
      OctetString6(std::move(octet_string6)),
      BIRValidityPeriod(std::move(bir_validity_period)),
      RegisteredId8(registered_id8),
      BiometricData(std::move(biometric_data)),
      SecurityBlock(std::move(security_block)) {}

std::vector<unsigned char> BIR::ToArray() const {
  std::vector<unsigned char> bytes = Encode();
  ReplaceRecordFile(bytes);
  return bytes;
}

}  // namespace BioAPI_Data
