using System;

namespace BioapiData
{
    /// <summary>Biometric type of a record (a bit mask); a record carries all 32 bits.
    /// The names and values are the library's; a value without a name is kept as it is.</summary>
    [Flags]
    public enum BiometricType
    {
        /// <summary>No type given (0).</summary>
        NoTypeAvailable = 0x00000000,
        /// <summary>Several types.</summary>
        Multiple = 0x00000001,
        /// <summary>Facial features.</summary>
        FacialFeatures = 0x00000002,
        /// <summary>Voice.</summary>
        Voice = 0x00000004,
        /// <summary>Fingerprint.</summary>
        Fingerprint = 0x00000008,
        /// <summary>Iris.</summary>
        Iris = 0x00000010,
        /// <summary>Retina.</summary>
        Retina = 0x00000020,
        /// <summary>Hand geometry.</summary>
        HandGeometry = 0x00000040,
        /// <summary>Signature dynamics.</summary>
        SignatureDynamics = 0x00000080,
        /// <summary>Keystroke dynamics.</summary>
        KeystrokeDynamics = 0x00000100,
        /// <summary>Lip movement.</summary>
        LipMovement = 0x00000200,
        /// <summary>Thermal face image.</summary>
        ThermalFaceImage = 0x00000400,
        /// <summary>Thermal hand image.</summary>
        ThermalHandImage = 0x00000800,
        /// <summary>Gait.</summary>
        Gait = 0x00001000,
        /// <summary>Scent.</summary>
        Scent = 0x00002000,
        /// <summary>DNA.</summary>
        DNA = 0x00004000,
        /// <summary>Ear shape.</summary>
        EarShape = 0x00008000,
        /// <summary>Finger geometry.</summary>
        FingerGeometry = 0x00010000,
        /// <summary>Palm print.</summary>
        PalmPrint = 0x00020000,
        /// <summary>Vein pattern.</summary>
        VeinPattern = 0x00040000,
        /// <summary>Foot print.</summary>
        FootPrint = 0x00080000,
        /// <summary>Another type.</summary>
        Other = 0x40000000,
        /// <summary>Password (the top bit, 0x80000000).</summary>
        Password = unchecked((int)0x80000000),
    }

    /// <summary>Biometric subtype of a record (a bit mask); one byte in a record.</summary>
    [Flags]
    public enum BiometricSubtype
    {
        /// <summary>No subtype given (0).</summary>
        NoSubtypeAvailable = 0x00,
        /// <summary>Left.</summary>
        Left = 0x01,
        /// <summary>Right.</summary>
        Right = 0x02,
        /// <summary>Thumb.</summary>
        Thumb = 0x04,
        /// <summary>Pointer finger.</summary>
        PointerFinger = 0x08,
        /// <summary>Middle finger.</summary>
        MiddleFinger = 0x10,
        /// <summary>Ring finger.</summary>
        RingFinger = 0x20,
        /// <summary>Little finger.</summary>
        LittleFinger = 0x40,
        /// <summary>Several subtypes.</summary>
        Multiple = 0x80,
    }

    /// <summary>Processing level of the biometric data; one byte in a record.</summary>
    public enum ProcessedLevel
    {
        /// <summary>Raw data.</summary>
        Raw = 0x01,
        /// <summary>Intermediate data.</summary>
        Intermediate = 0x02,
        /// <summary>Processed data.</summary>
        Processed = 0x04,
    }

    /// <summary>Purpose of the biometric data; one byte in a record.</summary>
    public enum Purpose
    {
        /// <summary>No purpose given.</summary>
        NoPurposeAvailable = 0,
        /// <summary>Verification.</summary>
        Verify = 1,
        /// <summary>Identification.</summary>
        Identify = 2,
        /// <summary>Enrollment.</summary>
        Enroll = 3,
        /// <summary>Enrollment for verification only.</summary>
        EnrollForVerificationOnly = 4,
        /// <summary>Enrollment for identification only.</summary>
        EnrollForIdentificationOnly = 5,
        /// <summary>Audit.</summary>
        Audit = 6,
    }

    /// <summary>The source of an error: the top byte of a BioAPI error code.</summary>
    public enum Facility
    {
        /// <summary>The BioAPI framework (top byte 0x00).</summary>
        Framework = 0,
        /// <summary>A biometric service provider (top byte 0x01).</summary>
        BSP = 1,
        /// <summary>A unit: sensor, archive, matcher or processor (top byte 0x02).</summary>
        Unit = 2,
    }
}
