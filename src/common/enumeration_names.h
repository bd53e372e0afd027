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

// Each row names its enumerator once: the name is the identifier spelt out,
// so that a row cannot pair a name with another enumerator's value, and a
// misspelt name does not compile.
#define BIOAPI_DATA_ENUMERATOR(E, name) \
  Enumerator<E> { E::name, #name }

/// The enumerators of BiometricType, in declaration order.
inline constexpr Enumerator<BiometricType> kBiometricType[] = {
    BIOAPI_DATA_ENUMERATOR(BiometricType, NoTypeAvailable),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Multiple),
    BIOAPI_DATA_ENUMERATOR(BiometricType, FacialFeatures),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Voice),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Fingerprint),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Iris),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Retina),
    BIOAPI_DATA_ENUMERATOR(BiometricType, HandGeometry),
    BIOAPI_DATA_ENUMERATOR(BiometricType, SignatureDynamics),
    BIOAPI_DATA_ENUMERATOR(BiometricType, KeystrokeDynamics),
    BIOAPI_DATA_ENUMERATOR(BiometricType, LipMovement),
    BIOAPI_DATA_ENUMERATOR(BiometricType, ThermalFaceImage),
    BIOAPI_DATA_ENUMERATOR(BiometricType, ThermalHandImage),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Gait),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Scent),
    BIOAPI_DATA_ENUMERATOR(BiometricType, DNA),
    BIOAPI_DATA_ENUMERATOR(BiometricType, EarShape),
    BIOAPI_DATA_ENUMERATOR(BiometricType, FingerGeometry),
    BIOAPI_DATA_ENUMERATOR(BiometricType, PalmPrint),
    BIOAPI_DATA_ENUMERATOR(BiometricType, VeinPattern),
    BIOAPI_DATA_ENUMERATOR(BiometricType, FootPrint),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Other),
    BIOAPI_DATA_ENUMERATOR(BiometricType, Password),
};

/// The enumerators of BiometricSubtype, in declaration order.
inline constexpr Enumerator<BiometricSubtype> kBiometricSubtype[] = {
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, NoSubtypeAvailable),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, Left),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, Right),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, Thumb),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, PointerFinger),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, MiddleFinger),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, RingFinger),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, LittleFinger),
    BIOAPI_DATA_ENUMERATOR(BiometricSubtype, Multiple),
};

/// The enumerators of ProcessedLevel, in declaration order.
inline constexpr Enumerator<ProcessedLevel> kProcessedLevel[] = {
    BIOAPI_DATA_ENUMERATOR(ProcessedLevel, Raw),
    BIOAPI_DATA_ENUMERATOR(ProcessedLevel, Intermediate),
    BIOAPI_DATA_ENUMERATOR(ProcessedLevel, Processed),
};

/// The enumerators of Purpose, in declaration order.
inline constexpr Enumerator<Purpose> kPurpose[] = {
    BIOAPI_DATA_ENUMERATOR(Purpose, NoPurposeAvailable),
    BIOAPI_DATA_ENUMERATOR(Purpose, Verify),
    BIOAPI_DATA_ENUMERATOR(Purpose, Identify),
    BIOAPI_DATA_ENUMERATOR(Purpose, Enroll),
    BIOAPI_DATA_ENUMERATOR(Purpose, EnrollForVerificationOnly),
    BIOAPI_DATA_ENUMERATOR(Purpose, EnrollForIdentificationOnly),
    BIOAPI_DATA_ENUMERATOR(Purpose, Audit),
};

/// The sources of an error, in declaration order.
inline constexpr Enumerator<Facility> kFacility[] = {
    BIOAPI_DATA_ENUMERATOR(Facility, Framework),
    BIOAPI_DATA_ENUMERATOR(Facility, BSP),
    BIOAPI_DATA_ENUMERATOR(Facility, Unit),
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

#undef BIOAPI_DATA_ENUMERATOR

#endif  // BIOAPI_DATA_COMMON_ENUMERATION_NAMES_H_
