// Security profiles: eight lists, carried exactly as given.
#include <utility>

#include "bioapi_data/schemas.h"

namespace BioAPI_Data {

SecurityProfileType::SecurityProfileType(
    std::vector<SecurityOptionsType> security_options,
    std::vector<unsigned char> profile_data1,
    std::vector<unsigned char> profile_data2,
    std::vector<unsigned char> profile_data3,
    std::vector<BSPSchemaOptions> options,
    std::vector<unsigned char> profile_data4,
    std::vector<unsigned char> profile_data5,
    std::vector<unsigned char> profile_data6)
    : SecurityOptions(std::move(security_options)),
      ProfileData1(std::move(profile_data1)),
      ProfileData2(std::move(profile_data2)),
      ProfileData3(std::move(profile_data3)),
      Options(std::move(options)),
      ProfileData4(std::move(profile_data4)),
      ProfileData5(std::move(profile_data5)),
      ProfileData6(std::move(profile_data6)) {}

}  // namespace BioAPI_Data
