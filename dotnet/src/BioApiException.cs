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
    /// library's message ("BioAPI Error: Invalid Data. (Source: Unit)." for a rejected record).
    /// For a record that the decoder rejects, the message goes on with the reason, which
    /// <see cref="Offset"/>, <see cref="Field"/> and <see cref="Check"/> give as data.</summary>
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

        // A rejected record, with the reason that the inspection library gives.
        internal BioApiException(int code, string message, long offset, string field, string check, string reason)
            : this(code, message)
        {
            Offset = offset;
            Field = field;
            Check = check;
            Reason = reason;
        }

        /// <summary>Restores a serialized exception.</summary>
        protected BioApiException(SerializationInfo info, StreamingContext context)
            : base(info, context)
        {
            Code = info.GetInt32("Code");
            Facility = (Facility)info.GetInt32("Facility");
            Offset = (long?)info.GetValue("Offset", typeof(long?));
            Field = info.GetString("Field");
            Check = info.GetString("Check");
            Reason = info.GetString("Reason");
        }

        /// <summary>The full 32-bit BioAPI error code, e.g. <see cref="BioApiErrorCode.InvalidData"/>.</summary>
        public int Code { get; private set; }

        /// <summary>The source of the error, from the code's top byte as the library reads it.</summary>
        public Facility Facility { get; private set; }

        /// <summary>For a record that the decoder rejects: where the failing check looked, in
        /// bytes from the start of the record (the offset argument of the decode not counted);
        /// otherwise null. Needs the inspection library (bioapi_data_inspect) beside the core
        /// library, as the package ships it; without it the reason is null.</summary>
        public long? Offset { get; private set; }

        /// <summary>For a rejected record: the part of the record being read or just read when
        /// the check failed, by its name in the record ("TotalLength", "OctetString1",
        /// "PresenceBitmap"); otherwise null.</summary>
        public string Field { get; private set; }

        /// <summary>For a rejected record: the condition that does not hold, e.g. "enough bytes
        /// remain"; otherwise null.</summary>
        public string Check { get; private set; }

        /// <summary>For a rejected record: the line that <c>bir dump</c> prints, e.g. "rejected at
        /// offset 4 (TotalLength): check "total length equals the size of the record" failed",
        /// which the message also carries after the library's text; otherwise null.</summary>
        public string Reason { get; private set; }

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
            info.AddValue("Offset", Offset, typeof(long?));
            info.AddValue("Field", Field);
            info.AddValue("Check", Check);
            info.AddValue("Reason", Reason);
        }
    }
}
