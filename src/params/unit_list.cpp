// Unit lists: a category is toggled by Add and looked up by GetUnitID.
#include <algorithm>
#include <utility>

#include "bioapi_data/params.h"

namespace BioAPI_Data {

UnitListElement::UnitListElement(UnitCategoryType category, int id) noexcept
    : UnitCategory(category), UnitID(id) {}

UnitList::UnitList() noexcept = default;

UnitList::UnitList(std::vector<UnitListElement> elements) noexcept
    : Elements(std::move(elements)) {}

void UnitList::Add(UnitListElement element) {
  // One pass removes every element of the category and keeps the order of the
  // rest; nothing is allocated, so only the append below can throw, and it
  // happens only when nothing was removed (std::vector's strong guarantee).
  const auto kept = std::remove_if(
      Elements.begin(), Elements.end(), [&](const UnitListElement& e) {
        return e.UnitCategory == element.UnitCategory;
      });
  if (kept != Elements.end()) {
    Elements.erase(kept, Elements.end());
    return;
  }
  Elements.push_back(std::move(element));
}

int UnitList::GetUnitID(UnitCategoryType category) const noexcept {
  const auto found = std::find_if(Elements.begin(), Elements.end(),
                                  [category](const UnitListElement& e) {
                                    return e.UnitCategory == category;
                                  });
  return found == Elements.end() ? -1 : found->UnitID;
}

}  // namespace BioAPI_Data
