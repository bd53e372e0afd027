// The names of the library's enumerators: the one table that the record tool,
// the C interface (and through it every other language) read.
#ifndef BIOAPI_DATA_COMMON_ENUMERATION_NAMES_H_
#define BIOAPI_DATA_COMMON_ENUMERATION_NAMES_H_

#include <cstddef>

#include "bioapi_data/types.h"

namespace BioAPI_Data {
namespace names {

/// One enumerator and its name in the library.
template <class E>
struct Enumerator {
  E value;           ///< The enumerator.
  const char* name;  ///< Its name, as in the declaration.
};

/// The enumerators of BiometricType, in declaration order.
inline constexpr Enumerator<BiometricType> kBiometricType[] = {
    {BiometricType::NoTypeAvailable, "NoTypeAvailable"},
    {BiometricType::Multiple, "Multiple"},
    {BiometricType::FacialFeatures, "FacialFeatures"},
    {BiometricType::Voice, "Voice"},
    {BiometricType::Fingerprint, "Fingerprint"},
    {BiometricType::Iris, "Iris"},
    {BiometricType::Retina, "Retina"},
    {BiometricType::HandGeometry, "HandGeometry"},
    {BiometricType::SignatureDynamics, "SignatureDynamics"},
    {BiometricType::KeystrokeDynamics, "KeystrokeDynamics"},
    {BiometricType::LipMovement, "LipMovement"},
    {BiometricType::ThermalFaceImage, "ThermalFaceImage"},
    {BiometricType::ThermalHandImage, "ThermalHandImage"},
    {BiometricType::Gait, "Gait"},
    {BiometricType::Scent, "Scent"},
    {BiometricType::DNA, "DNA"},
    {BiometricType::EarShape, "EarShape"},
    {BiometricType::FingerGeometry, "FingerGeometry"},
    {BiometricType::PalmPrint, "PalmPrint"},
    {BiometricType::VeinPattern, "VeinPattern"},
    {BiometricType::FootPrint, "FootPrint"},
    {BiometricType::Other, "Other"},
    {BiometricType::Password, "Password"},
};

/// The enumerators of BiometricSubtype, in declaration order.
inline constexpr Enumerator<BiometricSubtype> kBiometricSubtype[] = {
    {BiometricSubtype::NoSubtypeAvailable, "NoSubtypeAvailable"},
    {BiometricSubtype::Left, "Left"},
    {BiometricSubtype::Right, "Right"},
    {BiometricSubtype::Thumb, "Thumb"},
    {BiometricSubtype::PointerFinger, "PointerFinger"},
    {BiometricSubtype::MiddleFinger, "MiddleFinger"},
    {BiometricSubtype::RingFinger, "RingFinger"},
    {BiometricSubtype::LittleFinger, "LittleFinger"},
    {BiometricSubtype::Multiple, "Multiple"},
};

/// The enumerators of ProcessedLevel, in declaration order.
inline constexpr Enumerator<ProcessedLevel> kProcessedLevel[] = {
    {ProcessedLevel::Raw, "Raw"},
    {ProcessedLevel::Intermediate, "Intermediate"},
    {ProcessedLevel::Processed, "Processed"},
};

/// The enumerators of Purpose, in declaration order.
inline constexpr Enumerator<Purpose> kPurpose[] = {
    {Purpose::NoPurposeAvailable, "NoPurposeAvailable"},
    {Purpose::Verify, "Verify"},
    {Purpose::Identify, "Identify"},
    {Purpose::Enroll, "Enroll"},
    {Purpose::EnrollForVerificationOnly, "EnrollForVerificationOnly"},
    {Purpose::EnrollForIdentificationOnly, "EnrollForIdentificationOnly"},
    {Purpose::Audit, "Audit"},
};

/// The sources of an error, in declaration order.
inline constexpr Enumerator<Facility> kFacility[] = {
    {Framework, "Framework"},
    {BSP, "BSP"},
    {Unit, "Unit"},
};

/// The table of enumeration `E`: `Table<E>::kEnumerators` and its name.
template <class E>
struct Table;
/// The table of BiometricType.
template <>
struct Table<BiometricType> {
  static constexpr const char* kName =
      "BiometricType";  ///< The enumeration's name.
  static constexpr const auto& kEnumerators =
      kBiometricType;  ///< Its enumerators.
};
/// The table of BiometricSubtype.
template <>
struct Table<BiometricSubtype> {
  static constexpr const char* kName =
      "BiometricSubtype";  ///< The enumeration's name.
  static constexpr const auto& kEnumerators =
      kBiometricSubtype;  ///< Its enumerators.
};
/// The table of ProcessedLevel.
template <>
struct Table<ProcessedLevel> {
  static constexpr const char* kName =
      "ProcessedLevel";  ///< The enumeration's name.
  static constexpr const auto& kEnumerators =
      kProcessedLevel;  ///< Its enumerators.
};
/// The table of Purpose.
template <>
struct Table<Purpose> {
  static constexpr const char* kName = "Purpose";  ///< The enumeration's name.
  static constexpr const auto& kEnumerators = kPurpose;  ///< Its enumerators.
};
/// The table of Facility.
template <>
struct Table<Facility> {
  static constexpr const char* kName = "Facility";  ///< The enumeration's name.
  static constexpr const auto& kEnumerators = kFacility;  ///< Its enumerators.
};

/// Returns the name of the enumerator whose value is `value`, or nullptr when
/// the library defines none (any 32-bit value may stand in a record).
template <class E>
constexpr const char* NameOf(E value) {
  for (const Enumerator<E>& e : Table<E>::kEnumerators) {
    if (e.value == value) return e.name;
  }
  return nullptr;
}

}  // namespace names
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_COMMON_ENUMERATION_NAMES_H_
