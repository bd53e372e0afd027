using System;
using System.Runtime.Serialization;

namespace BioapiData
{
    /// <summary>The BioAPI error codes that this library reports. Branch on these, not on
    /// the message text.</summary>
    public static class BioApiErrorCode
    {
        /// <summary>A record that the decoder rejects or the encoder refuses ("Invalid Data",
        /// from a unit): 0x0200010B.</summary>
        public const int InvalidData = 0x0200010B;
        /// <summary>A field or value that a call does not accept ("Invalid Parameter").</summary>
        public const int InvalidParameter = 0x00000503;
        /// <summary>A required pointer was null ("Invalid Pointer").</summary>
        public const int InvalidPointer = 0x00000103;
        /// <summary>An output buffer was too small ("Invalid Output Pointer").</summary>
        public const int OutputTooSmall = 0x00000105;
        /// <summary>The library could not allocate memory ("BioAPI Memory Error").</summary>
        public const int Memory = 0x00000102;
        /// <summary>An unexpected internal failure ("BioAPI Internal Error").</summary>
        public const int Internal = 0x00000101;
    }

    /// <summary>An error that the library reports: a BioAPI error code, its source, and the
    /// library's message (for example "BioAPI Error: Invalid Data. (Source: Unit)." for a
    /// rejected record).</summary>
    [Serializable]
    public class BioApiException : Exception
    {
        /// <summary>Makes the exception of <paramref name="code"/> with the library's message.</summary>
        public BioApiException(int code) : this(code, MessageOf(code)) { }

        /// <summary>Makes the exception of <paramref name="code"/> with <paramref name="message"/>.</summary>
        public BioApiException(int code, string message) : this(code, message, null) { }

        /// <summary>Makes the exception of <paramref name="code"/> with <paramref name="message"/>
        /// and the exception that caused it.</summary>
        public BioApiException(int code, string message, Exception innerException)
            : base(message, innerException)
        {
            Code = code;
            Facility = FacilityOf(code);
            HResult = code;
        }

        /// <summary>Restores a serialized exception.</summary>
        protected BioApiException(SerializationInfo info, StreamingContext context)
            : base(info, context)
        {
            Code = info.GetInt32("Code");
            Facility = (Facility)info.GetInt32("Facility");
        }

        /// <summary>The full 32-bit BioAPI error code, e.g. <see cref="BioApiErrorCode.InvalidData"/>.</summary>
        public int Code { get; private set; }

        /// <summary>The source of the error, from the code's top byte as the library reads it.</summary>
        public Facility Facility { get; private set; }

        /// <summary>Returns the library's message for a BioAPI error code; the same text that
        /// the C++ exception built from the code gives.</summary>
        public static string MessageOf(int code)
        {
            return NativeMethods.Text(NativeMethods.bioapi_error_message(code));
        }

        /// <summary>Returns the source of an error code as the library reads it.</summary>
        public static Facility FacilityOf(int code)
        {
            return (Facility)NativeMethods.bioapi_error_facility(code);
        }

        /// <summary>Stores the code and the facility with the exception's other data.</summary>
        public override void GetObjectData(SerializationInfo info, StreamingContext context)
        {
            base.GetObjectData(info, context);
            info.AddValue("Code", Code);
            info.AddValue("Facility", (int)Facility);
        }
    }
}
