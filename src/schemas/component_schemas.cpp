// Descriptions of the components a framework manages: BSPs, BFPs and units.
//
// Members not set by a constructor keep their zero initialisers from the
// header, so that copying a default-built schema never reads an indeterminate
// value.
#include <utility>

#include "bioapi_data/schemas.h"

namespace BioAPI_Data {

BSPSchema::BSPSchema() noexcept = default;

BSPSchema::BSPSchema(std::array<unsigned char, 16> bsp_uuid, std::string path,
                     std::string product_version, std::string vendor)
    : BSPUUID(bsp_uuid),
      Path(std::move(path)),
      ProductVersion(std::move(product_version)),
      Vendor(std::move(vendor)) {}

BSPSchema::BSPSchema(std::array<unsigned char, 16> bsp_uuid,
                     std::string bsp_description, std::string path,
                     std::string spec_version, std::string product_version,
                     std::string vendor,
                     std::vector<RegistryID> bsp_supported_formats,
                     std::vector<BiometricType> factors,
                     std::vector<BSPSchemaOperations> operations,
                     std::vector<BSPSchemaOptions> options, int payload_policy,
                     int max_payload_size, int default_verify_timeout,
                     int default_identify_timeout, int default_capture_timeout,
                     int default_enroll_timeout, int default_calibrate_timeout,
                     int max_bsp_db_size, int max_identify, int extra_value,
                     std::vector<unsigned char> extra_data,
                     std::array<unsigned char, 16> extra_uuid,
                     std::vector<RegistryID> extra_registry_ids,
                     std::vector<std::array<unsigned char, 16>> extra_uuids)
    : BSPUUID(bsp_uuid),
      BSPDescription(std::move(bsp_description)),
      Path(std::move(path)),
      SpecVersion(std::move(spec_version)),
      ProductVersion(std::move(product_version)),
      Vendor(std::move(vendor)),
      BSPSupportedFormats(std::move(bsp_supported_formats)),
      Factors(std::move(factors)),
      Operations(std::move(operations)),
      Options(std::move(options)),
      PayloadPolicy(payload_policy),
      MaxPayloadSize(max_payload_size),
      DefaultVerifyTimeout(default_verify_timeout),
      DefaultIdentifyTimeout(default_identify_timeout),
      DefaultCaptureTimeout(default_capture_timeout),
      DefaultEnrollTimeout(default_enroll_timeout),
      DefaultCalibrateTimeout(default_calibrate_timeout),
      MaxBSPDbSize(max_bsp_db_size),
      MaxIdentify(max_identify),
      ExtraValue(extra_value),
      ExtraData(std::move(extra_data)),
      ExtraUUID(extra_uuid),
      ExtraRegistryIDs(std::move(extra_registry_ids)),
      ExtraUUIDs(std::move(extra_uuids)) {}

BFPSchema::BFPSchema() noexcept = default;

BFPSchema::BFPSchema(std::array<unsigned char, 16> bfp_uuid,
                     UnitCategoryType bfp_category, std::string bfp_description,
                     std::string path, std::string spec_version,
                     std::string product_version, std::string vendor,
                     std::vector<unsigned char> extra_data,
                     std::vector<RegistryID> bfp_supported_formats,
                     std::vector<BiometricType> factors,
                     std::array<unsigned char, 16> bfp_property_id,
                     std::vector<unsigned char> bfp_property)
    : BFPUUID(bfp_uuid),
      BFPCategory(bfp_category),
      BFPDescription(std::move(bfp_description)),
      Path(std::move(path)),
      SpecVersion(std::move(spec_version)),
      ProductVersion(std::move(product_version)),
      Vendor(std::move(vendor)),
      ExtraData(std::move(extra_data)),
      BFPSupportedFormats(std::move(bfp_supported_formats)),
      Factors(std::move(factors)),
      BFPPropertyID(bfp_property_id),
      BFPProperty(std::move(bfp_property)) {}

BFPListElement::BFPListElement(UnitCategoryType bfp_category,
                               std::array<unsigned char, 16> bfp_uuid) noexcept
    : BFPCategory(bfp_category), BFPUUID(bfp_uuid) {}

UnitSchema::UnitSchema() noexcept = default;

UnitSchema::UnitSchema(
    std::array<unsigned char, 16> bsp_uuid,
    std::array<unsigned char, 16> unit_manager_uuid, int unit_id,
    UnitCategoryType unit_category,
    std::array<unsigned char, 16> unit_properties,
    std::string vendor_information, std::vector<EventKind> supported_events,
    std::array<unsigned char, 16> unit_property_id,
    std::vector<unsigned char> unit_property, std::string hardware_version,
    std::string firmware_version, std::string software_version,
    std::string hardware_serial_number, bool authenticated_hardware,
    int max_bsp_db_size, int max_identify,
    std::vector<SecurityProfileType> security_profiles)
    : BSPUUID(bsp_uuid),
      UnitManagerUUID(unit_manager_uuid),
      UnitID(unit_id),
      UnitCategory(unit_category),
      UnitProperties(unit_properties),
      VendorInformation(std::move(vendor_information)),
      SupportedEvents(std::move(supported_events)),
      UnitPropertyID(unit_property_id),
      UnitProperty(std::move(unit_property)),
      HardwareVersion(std::move(hardware_version)),
      FirmwareVersion(std::move(firmware_version)),
      SoftwareVersion(std::move(software_version)),
      HardwareSerialNumber(std::move(hardware_serial_number)),
      AuthenticatedHardware(authenticated_hardware),
      MaxBSPDbSize(max_bsp_db_size),
      MaxIdentify(max_identify),
      SecurityProfiles(std::move(security_profiles)) {}

}  // namespace BioAPI_Data
