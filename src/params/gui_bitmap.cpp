// Bitmaps for an application's user interface.
#include <utility>

#include "bioapi_data/params.h"

namespace BioAPI_Data {

GUIBitmap::GUIBitmap(BiometricSubtype subtype, int width, int height,
                     std::vector<std::vector<unsigned char>> frames) noexcept
    : Subtype(subtype),
      Width(width),
      Height(height),
      Frames(std::move(frames)) {}

}  // namespace BioAPI_Data
