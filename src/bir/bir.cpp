#include "bioapi_data/bir.h"

#include <utility>
#include <vector>

#include "bir/record_file.h"

namespace BioAPI_Data {

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
  record_file::Replace(bytes);
  return bytes;
}

}  // namespace BioAPI_Data
