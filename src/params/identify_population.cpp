// Identification populations and candidates.
#include <type_traits>
#include <utility>

#include "bioapi_data/params.h"

namespace BioAPI_Data {

// The constructors below are noexcept because they only move what the caller
// already copied; and a population's storage grows by moving its records, not
// copying them, only while a record moves without throwing.
static_assert(std::is_nothrow_move_constructible<BIR>::value,
              "a BIR must move without throwing");
static_assert(std::is_nothrow_move_constructible<PopulationMember>::value,
              "a population member must move without throwing");

PopulationMember::PopulationMember(std::array<unsigned char, 16> uuid,
                                   BIR bir) noexcept
    : MemberUUID(uuid), MemberBIR(std::move(bir)) {}

IdentifyPopulation::IdentifyPopulation(
    std::vector<PopulationMember> members) noexcept
    : Members(std::move(members)) {}

void IdentifyPopulation::AddMember(PopulationMember member) {
  Members.push_back(std::move(member));
}

bool IdentifyPopulation::IsBound() const noexcept { return true; }

void IdentifyPopulation::Unbind() noexcept {}

Candidate::Candidate(std::array<unsigned char, 16> uuid, int value) noexcept
    : CandidateUUID(uuid), CandidateValue(value) {}

}  // namespace BioAPI_Data
