#include "enumeration_names.h"

namespace bir_tool {

using BioAPI_Data::BiometricSubtype;
using BioAPI_Data::BiometricType;
using BioAPI_Data::ProcessedLevel;
using BioAPI_Data::Purpose;

template <>
const std::vector<Enumerator<BiometricType>>& Enumerators() {
  static const std::vector<Enumerator<BiometricType>> table = {
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
  return table;
}

template <>
const std::vector<Enumerator<BiometricSubtype>>& Enumerators() {
  static const std::vector<Enumerator<BiometricSubtype>> table = {
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
  return table;
}

template <>
const std::vector<Enumerator<ProcessedLevel>>& Enumerators() {
  static const std::vector<Enumerator<ProcessedLevel>> table = {
      {ProcessedLevel::Raw, "Raw"},
      {ProcessedLevel::Intermediate, "Intermediate"},
      {ProcessedLevel::Processed, "Processed"},
  };
  return table;
}

template <>
const std::vector<Enumerator<Purpose>>& Enumerators() {
  static const std::vector<Enumerator<Purpose>> table = {
      {Purpose::NoPurposeAvailable, "NoPurposeAvailable"},
      {Purpose::Verify, "Verify"},
      {Purpose::Identify, "Identify"},
      {Purpose::Enroll, "Enroll"},
      {Purpose::EnrollForVerificationOnly, "EnrollForVerificationOnly"},
      {Purpose::EnrollForIdentificationOnly, "EnrollForIdentificationOnly"},
      {Purpose::Audit, "Audit"},
  };
  return table;
}

}  // namespace bir_tool
