/// @file
/// Descriptive schemas of a BioAPI installation: framework, BSPs, BFPs, units
/// and security profiles.
///
/// Every class here is a plain value: it owns each text, byte string and list
/// it holds, a copy shares nothing with its source, and nothing is validated,
/// sorted or combined. Where BioAPI uses a bit mask, a class holds a list of
/// enumeration values, one entry per value, in the caller's order. The only
/// failures are std::bad_alloc and std::length_error from copying a text or a
/// list; they propagate unchanged.
#ifndef BIOAPI_DATA_SCHEMAS_H_
#define BIOAPI_DATA_SCHEMAS_H_

#include <array>
#include <string>
#include <vector>

#include "bioapi_data/export.h"
#include "bioapi_data/types.h"

BIOAPI_DATA_BEGIN_EXPORTS

namespace BioAPI_Data {

/// One security profile: security options, BSP options and six byte strings.
///
/// Has no default constructor, so a list of profiles grows only by copying
/// profiles into it.
class BIOAPI_DATA_API SecurityProfileType {
 public:
  std::vector<SecurityOptionsType> SecurityOptions;  ///< One entry per option.
  std::vector<unsigned char> ProfileData1;           ///< Carried unchanged.
  std::vector<unsigned char> ProfileData2;           ///< Carried unchanged.
  std::vector<unsigned char> ProfileData3;           ///< Carried unchanged.
  std::vector<BSPSchemaOptions> Options;    ///< One entry per BSP option.
  std::vector<unsigned char> ProfileData4;  ///< Carried unchanged.
  std::vector<unsigned char> ProfileData5;  ///< Carried unchanged.
  std::vector<unsigned char> ProfileData6;  ///< Carried unchanged.

  /// Moves the eight arguments, in field order, into the profile.
  SecurityProfileType(std::vector<SecurityOptionsType> security_options,
                      std::vector<unsigned char> profile_data1,
                      std::vector<unsigned char> profile_data2,
                      std::vector<unsigned char> profile_data3,
                      std::vector<BSPSchemaOptions> options,
                      std::vector<unsigned char> profile_data4,
                      std::vector<unsigned char> profile_data5,
                      std::vector<unsigned char> profile_data6);
};

/// Description of a BioAPI framework, read through accessors named after its
/// fields; it changes only when a whole schema is assigned to it.
class BIOAPI_DATA_API FrameworkSchema {
 public:
  /// Moves the eight arguments, in the order of the accessors below, into the
  /// schema. Texts keep embedded zero characters.
  FrameworkSchema(std::array<unsigned char, 16> framework_uuid,
                  std::string fw_description, std::string path,
                  std::string spec_version, std::string product_version,
                  std::string vendor,
                  std::array<unsigned char, 16> fw_property_id,
                  std::vector<unsigned char> fw_property);

  /// Returns the framework's UUID; the reference lives as long as the schema.
  const std::array<unsigned char, 16>& FrameworkUUID() const noexcept {
    return framework_uuid_;
  }
  /// Returns a copy of the description. Throws std::bad_alloc on exhaustion.
  const std::string FwDescription() const { return fw_description_; }
  /// Returns a copy of the path. Throws std::bad_alloc on exhaustion.
  const std::string Path() const { return path_; }
  /// Returns a copy of the implemented BioAPI version text. Throws
  /// std::bad_alloc on exhaustion.
  const std::string SpecVersion() const { return spec_version_; }
  /// Returns a copy of the product version. Throws std::bad_alloc on
  /// exhaustion.
  const std::string ProductVersion() const { return product_version_; }
  /// Returns a copy of the vendor's name. Throws std::bad_alloc on exhaustion.
  const std::string Vendor() const { return vendor_; }
  /// Returns the UUID naming the property's format; lives as long as the
  /// schema.
  const std::array<unsigned char, 16>& FwPropertyID() const noexcept {
    return fw_property_id_;
  }
  /// Returns the property's bytes; the reference lives as long as the schema
  /// and shows the new bytes after an assignment.
  const std::vector<unsigned char>& FwProperty() const noexcept {
    return fw_property_;
  }

 private:
  std::array<unsigned char, 16> framework_uuid_;
  std::string fw_description_;
  std::string path_;
  std::string spec_version_;
  std::string product_version_;
  std::string vendor_;
  std::array<unsigned char, 16> fw_property_id_;
  std::vector<unsigned char> fw_property_;
};

/// Description of a biometric service provider (BSP).
class BIOAPI_DATA_API BSPSchema {
 public:
  std::array<unsigned char, 16> BSPUUID{};  ///< Identifies the BSP.
  std::string BSPDescription;               ///< Description of the BSP.
  std::string Path;                         ///< Path of the BSP.
  std::string SpecVersion;     ///< Implemented BioAPI version, as text.
  std::string ProductVersion;  ///< Product version, as text.
  std::string Vendor;          ///< Name of the vendor.
  std::vector<RegistryID> BSPSupportedFormats;  ///< Owner and type per format.
  std::vector<BiometricType> Factors;           ///< One entry per type.
  std::vector<BSPSchemaOperations> Operations;  ///< One entry per operation.
  std::vector<BSPSchemaOptions> Options;        ///< One entry per option.
  int PayloadPolicy = 0;                        ///< Payload policy.
  int MaxPayloadSize = 0;                       ///< Largest payload accepted.
  int DefaultVerifyTimeout = 0;     ///< Default verification time-out.
  int DefaultIdentifyTimeout = 0;   ///< Default identification time-out.
  int DefaultCaptureTimeout = 0;    ///< Default capture time-out.
  int DefaultEnrollTimeout = 0;     ///< Default enrollment time-out.
  int DefaultCalibrateTimeout = 0;  ///< Default calibration time-out.
  int MaxBSPDbSize = 0;             ///< Largest size of the BSP's database.
  int MaxIdentify = 0;              ///< Largest identification population.
  int ExtraValue = 0;               ///< Carried unchanged.
  std::vector<unsigned char> ExtraData;       ///< Carried unchanged.
  std::array<unsigned char, 16> ExtraUUID{};  ///< Carried unchanged.
  std::vector<RegistryID> ExtraRegistryIDs;   ///< Carried unchanged.
  std::vector<std::array<unsigned char, 16>>
      ExtraUUIDs;  ///< Carried unchanged.

  /// Empty texts and lists; every UUID and integer zero.
  BSPSchema() noexcept;

  /// Sets `BSPUUID`, `Path`, `ProductVersion` and `Vendor`, in that order;
  /// everything else as the empty constructor leaves it.
  BSPSchema(std::array<unsigned char, 16> bsp_uuid, std::string path,
            std::string product_version, std::string vendor);

  /// Moves the twenty-four arguments, in field order, into the schema.
  BSPSchema(std::array<unsigned char, 16> bsp_uuid, std::string bsp_description,
            std::string path, std::string spec_version,
            std::string product_version, std::string vendor,
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
            std::vector<std::array<unsigned char, 16>> extra_uuids);
};

/// Description of a biometric function provider (BFP).
class BIOAPI_DATA_API BFPSchema {
 public:
  std::array<unsigned char, 16> BFPUUID{};  ///< Identifies the BFP.
  UnitCategoryType BFPCategory{};           ///< Category of the BFP.
  std::string BFPDescription;               ///< Description of the BFP.
  std::string Path;                         ///< Path of the BFP.
  std::string SpecVersion;     ///< Implemented BioAPI version, as text.
  std::string ProductVersion;  ///< Product version, as text.
  std::string Vendor;          ///< Name of the vendor.
  std::vector<unsigned char> ExtraData;         ///< Carried unchanged.
  std::vector<RegistryID> BFPSupportedFormats;  ///< Owner and type per format.
  std::vector<BiometricType> Factors;           ///< One entry per type.
  /// Names the format of `BFPProperty`.
  std::array<unsigned char, 16> BFPPropertyID{};
  std::vector<unsigned char> BFPProperty;  ///< The property's bytes.

  /// Empty texts and lists; both UUIDs and the category zero.
  BFPSchema() noexcept;

  /// Moves the twelve arguments, in field order, into the schema.
  BFPSchema(std::array<unsigned char, 16> bfp_uuid,
            UnitCategoryType bfp_category, std::string bfp_description,
            std::string path, std::string spec_version,
            std::string product_version, std::string vendor,
            std::vector<unsigned char> extra_data,
            std::vector<RegistryID> bfp_supported_formats,
            std::vector<BiometricType> factors,
            std::array<unsigned char, 16> bfp_property_id,
            std::vector<unsigned char> bfp_property);
};

/// One entry of a list of BFPs: category, then UUID. Owns no storage.
class BIOAPI_DATA_API BFPListElement {
 public:
  UnitCategoryType BFPCategory;           ///< Category of the BFP.
  std::array<unsigned char, 16> BFPUUID;  ///< Identifies the BFP.

  /// Stores the category and the UUID.
  BFPListElement(UnitCategoryType bfp_category,
                 std::array<unsigned char, 16> bfp_uuid) noexcept;
};

/// Description of a BioAPI unit, with the security profiles it supports.
class BIOAPI_DATA_API UnitSchema {
 public:
  std::array<unsigned char, 16> BSPUUID{};  ///< The BSP supporting the unit.
  /// The component managing the unit.
  std::array<unsigned char, 16> UnitManagerUUID{};
  int UnitID = 0;                   ///< The unit's id.
  UnitCategoryType UnitCategory{};  ///< The unit's category.
  /// Names the unit's set of properties.
  std::array<unsigned char, 16> UnitProperties{};
  std::string VendorInformation;           ///< Vendor information.
  std::vector<EventKind> SupportedEvents;  ///< One entry per event kind.
  /// Names the format of `UnitProperty`.
  std::array<unsigned char, 16> UnitPropertyID{};
  std::vector<unsigned char> UnitProperty;  ///< The property's bytes.
  std::string HardwareVersion;              ///< Hardware version.
  std::string FirmwareVersion;              ///< Firmware version.
  std::string SoftwareVersion;              ///< Software version.
  std::string HardwareSerialNumber;         ///< Serial number of the hardware.
  /// Whether the unit's hardware is authenticated.
  bool AuthenticatedHardware = false;
  int MaxBSPDbSize = 0;  ///< Largest size of the BSP's database for the unit.
  int MaxIdentify = 0;   ///< Largest identification population.
  std::vector<SecurityProfileType> SecurityProfiles;  ///< Held by value.

  /// Empty texts and lists; every UUID, integer and the category zero, the
  /// flag false.
  UnitSchema() noexcept;

  /// Moves the seventeen arguments, in field order, into the schema.
  UnitSchema(std::array<unsigned char, 16> bsp_uuid,
             std::array<unsigned char, 16> unit_manager_uuid, int unit_id,
             UnitCategoryType unit_category,
             std::array<unsigned char, 16> unit_properties,
             std::string vendor_information,
             std::vector<EventKind> supported_events,
             std::array<unsigned char, 16> unit_property_id,
             std::vector<unsigned char> unit_property,
             std::string hardware_version, std::string firmware_version,
             std::string software_version, std::string hardware_serial_number,
             bool authenticated_hardware, int max_bsp_db_size, int max_identify,
             std::vector<SecurityProfileType> security_profiles);
};

}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_SCHEMAS_H_
