// The framework's description; read only through its accessors.
#include <utility>

#include "bioapi_data/schemas.h"

namespace BioAPI_Data {

FrameworkSchema::FrameworkSchema(std::array<unsigned char, 16> framework_uuid,
                                 std::string fw_description, std::string path,
                                 std::string spec_version,
                                 std::string product_version,
                                 std::string vendor,
                                 std::array<unsigned char, 16> fw_property_id,
                                 std::vector<unsigned char> fw_property)
    : framework_uuid_(framework_uuid),
      fw_description_(std::move(fw_description)),
      path_(std::move(path)),
      spec_version_(std::move(spec_version)),
      product_version_(std::move(product_version)),
      vendor_(std::move(vendor)),
      fw_property_id_(fw_property_id),
      fw_property_(std::move(fw_property)) {}

}  // namespace BioAPI_Data
