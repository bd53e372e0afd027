/// @file
/// Shared value types of bioapi_data and its one exception type.
#ifndef BIOAPI_DATA_TYPES_H_
#define BIOAPI_DATA_TYPES_H_

#include <array>
#include <cstdint>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "bioapi_data/export.h"

BIOAPI_DATA_BEGIN_EXPORTS

/// Everything the library offers lives in this namespace.
namespace BioAPI_Data {

/// A registered identifier: the owner that registered an item, then the item.
///
/// An aggregate: build it as `RegistryID{owner, type}`; `RegistryID{}` is 0/0.
/// In a record it travels as two little-endian 16-bit fields, `Owner` first.
struct RegistryID {
  std::int16_t Owner;  ///< Code of the registering organisation.
  std::int16_t Type;   ///< Code of the item registered under that owner.
};

/// Returns true when both halves are equal.
constexpr bool operator==(const RegistryID& a, const RegistryID& b) noexcept {
  return a.Owner == b.Owner && a.Type == b.Type;
}
/// Returns true when either half differs.
constexpr bool operator!=(const RegistryID& a, const RegistryID& b) noexcept {
  return !(a == b);
}

/// A reference to a block of bytes: pointer first, then length.
///
/// Does not own the bytes: copying it copies the pointer, and nothing in the
/// library ever frees `Data`. The owner keeps the bytes alive while any
/// `BioAPIData` refers to them.
struct BioAPIData {
  unsigned char* Data;   ///< First byte of the block; not owned.
  std::uint32_t Length;  ///< Number of bytes at `Data`.
};

/// The source of an error: the framework, a BSP or a unit.
///
/// Unscoped so that both `Facility::Unit` and `BioAPI_Data::Unit` name it.
/// Any other value of the underlying type is accepted and kept.
enum Facility : int {
  Framework = 0,  ///< The BioAPI framework; top byte 0x00 of an error code.
  BSP = 1,        ///< A biometric service provider; top byte 0x01.
  Unit = 2,  ///< A unit (sensor, archive, matcher, processor); top byte 0x02.
};

/// Category of a BioAPI unit (BioAPI_CATEGORY).
enum class UnitCategoryType : int {
  Archive = 0x00000001,
  MatchingAlgorithm = 0x00000002,
  ProcessingAlgorithm = 0x00000004,
  Sensor = 0x00000008,
};

/// Biometric type (BioAPI_BIR_BIOMETRIC_TYPE); a record carries all 32 bits.
enum class BiometricType : int {
  NoTypeAvailable = 0x00000000,
  Multiple = 0x00000001,
  FacialFeatures = 0x00000002,
  Voice = 0x00000004,
  Fingerprint = 0x00000008,
  Iris = 0x00000010,
  Retina = 0x00000020,
  HandGeometry = 0x00000040,
  SignatureDynamics = 0x00000080,
  KeystrokeDynamics = 0x00000100,
  LipMovement = 0x00000200,
  ThermalFaceImage = 0x00000400,
  ThermalHandImage = 0x00000800,
  Gait = 0x00001000,
  Scent = 0x00002000,
  DNA = 0x00004000,
  EarShape = 0x00008000,
  FingerGeometry = 0x00010000,
  PalmPrint = 0x00020000,
  VeinPattern = 0x00040000,
  FootPrint = 0x00080000,
  Other = 0x40000000,
  Password = -0x7FFFFFFF - 1,  ///< 0x80000000, the top bit.
};

/// Biometric subtype (BioAPI_BIR_SUBTYPE); a record carries the low 8 bits.
enum class BiometricSubtype : int {
  NoSubtypeAvailable = 0x00,
  Left = 0x01,
  Right = 0x02,
  Thumb = 0x04,
  PointerFinger = 0x08,
  MiddleFinger = 0x10,
  RingFinger = 0x20,
  LittleFinger = 0x40,
  Multiple = 0x80,
};

/// Processing level of biometric data (BioAPI_BIR_DATA_TYPE); 8 bits in a
/// record.
enum class ProcessedLevel : int {
  Raw = 0x01,
  Intermediate = 0x02,
  Processed = 0x04,
};

/// Purpose of biometric data (BioAPI_BIR_PURPOSE); 8 bits in a record.
enum class Purpose : int {
  NoPurposeAvailable = 0,
  Verify = 1,
  Identify = 2,
  Enroll = 3,
  EnrollForVerificationOnly = 4,
  EnrollForIdentificationOnly = 5,
  Audit = 6,
};

/// Kind of unit event (BioAPI_EVENT).
enum class EventKind : int {
  Insert = 0x00000001,
  Removed = 0x00000002,
  Fault = 0x00000004,
  SourcePresent = 0x00000008,
  SourceRemoved = 0x00000010,
};

/// An operation that a BSP supports (BioAPI_OPERATIONS_MASK), one value per
/// entry.
enum class BSPSchemaOperations : int {
  EnableEvents = 0x00000001,
  SetGUICallbacks = 0x00000002,
  Capture = 0x00000004,
  CreateTemplate = 0x00000008,
  Process = 0x00000010,
  ProcessWithAuxBIR = 0x00000020,
  VerifyMatch = 0x00000040,
  IdentifyMatch = 0x00000080,
  Enroll = 0x00000100,
  Verify = 0x00000200,
  Identify = 0x00000400,
  Import = 0x00000800,
  PresetIdentifyPopulation = 0x00001000,
  DatabaseOperations = 0x00002000,
  SetPowerMode = 0x00004000,
  SetIndicatorStatus = 0x00008000,
  GetIndicatorStatus = 0x00010000,
  CalibrateSensor = 0x00020000,
  Utilities = 0x00040000,
  QueryUnits = 0x00100000,
  QueryBFPs = 0x00200000,
  ControlUnit = 0x00400000,
};

/// An option that a BSP supports (BioAPI_OPTIONS_MASK), one value per entry.
enum class BSPSchemaOptions : int {
  Raw = 0x00000001,
  QualityRaw = 0x00000002,
  QualityIntermediate = 0x00000004,
  QualityProcessed = 0x00000008,
  AppGUI = 0x00000010,
  StreamingData = 0x00000020,
  SourcePresent = 0x00000040,
  Payload = 0x00000080,
  BIRSign = 0x00000100,
  BIREncrypt = 0x00000200,
  TemplateUpdate = 0x00000400,
  Adaptation = 0x00000800,
  Binning = 0x00001000,
  SelfContainedDevice = 0x00002000,
  MOC = 0x00004000,
  SubtypeToCapture = 0x00008000,
  SensorBFP = 0x00010000,
  ArchiveBFP = 0x00020000,
  MatchingBFP = 0x00040000,
  ProcessingBFP = 0x00080000,
  CoarseScores = 0x00100000,
};

/// A security option of a security profile (BioAPI_SECURITY_OPTIONS_MASK).
enum class SecurityOptionsType : int {
  ACBio = 0x00000001,
  BIREncryption = 0x00000002,
  BIRMAC = 0x00000004,
  BIRSignature = 0x00000008,
  BIRHash = 0x00000010,
  BIRInternalSignature = 0x00000020,
};

/// The library's one exception type: a BioAPI error code and its message.
///
/// The library throws it by pointer (`throw new BioAPIException(...)`); the
/// handler catches `BioAPIException*` (or `std::exception*`), owns the object
/// and deletes it. The message reads: the table text of the code's low 24
/// bits, then ". (Source: ", then "Framework).", "BSP).", "Unit)." or
/// "Not defined).".
class BIOAPI_DATA_API BioAPIException : public std::exception {
 public:
  /// Takes the facility from the code's top byte: 0x01 is BSP, 0x02 Unit,
  /// every other value Framework. Throws std::bad_alloc on exhaustion.
  explicit BioAPIException(int code);
  /// Uses the given facility; the code's top byte plays no part in it.
  BioAPIException(Facility facility, int code);
  /// Stores the facility and the code; `what` returns exactly `message`.
  BioAPIException(Facility facility, int code, std::string message);

  /// Copies the facility, the code and the message.
  BioAPIException(const BioAPIException&) = default;
  /// Replaces the facility, the code and the message with those of `other`.
  BioAPIException& operator=(const BioAPIException& other) = default;
  ~BioAPIException() override;

  /// Returns the message; valid while the object lives and is not assigned to.
  const char* what() const noexcept override;

  /// Returns the facility that the constructor stored.
  Facility GetFacility() const noexcept { return facility_; }
  /// Returns the full 32-bit code exactly as the constructor received it.
  int GetCode() const noexcept { return code_; }

 private:
  void Setup(Facility facility, int code);

  Facility facility_;
  std::int32_t code_;
  std::string message_;
};

}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_TYPES_H_
