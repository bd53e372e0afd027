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
    /// <remarks><see cref="Exception.HResult"/> is an error HRESULT (severity and customer bits,
    /// 0xA0000000) with the BioAPI code in its low bits; branch on <see cref="Code"/>.</remarks>
    [Serializable]
    public class BioApiException : Exception
    {
        private const int HResultBits = unchecked((int)0xA0000000);

        /// <summary>Makes an exception of <see cref="BioApiErrorCode.Internal"/> with the
        /// library's message of it.</summary>
        public BioApiException() : this(BioApiErrorCode.Internal) { }

        /// <summary>Makes an exception of <see cref="BioApiErrorCode.Internal"/> with
        /// <paramref name="message"/>.</summary>
        public BioApiException(string? message) : this(BioApiErrorCode.Internal, message, null) { }

        /// <summary>Makes an exception of <see cref="BioApiErrorCode.Internal"/> with
        /// <paramref name="message"/> and the exception that caused it.</summary>
        public BioApiException(string? message, Exception? innerException)
            : this(BioApiErrorCode.Internal, message, innerException) { }

        /// <summary>Makes the exception of <paramref name="code"/> with the library's message.</summary>
        public BioApiException(int code) : this(code, MessageOf(code)) { }

        /// <summary>Makes the exception of <paramref name="code"/> with <paramref name="message"/>.</summary>
        public BioApiException(int code, string? message) : this(code, message, null) { }

        /// <summary>Makes the exception of <paramref name="code"/> with <paramref name="message"/>
        /// and the exception that caused it.</summary>
        public BioApiException(int code, string? message, Exception? innerException)
            : base(message, innerException)
        {
            Code = code;
            HResult = HResultBits | (code & 0x1FFFFFFF);
        }

        // A rejected record, with the reason that the library gives.
        internal BioApiException(int code, string message, long offset, string? field, string? check, string reason)
            : this(code, message)
        {
            Offset = offset;
            Field = field;
            Check = check;
            Reason = reason;
        }

#if !NET8_0_OR_GREATER
        /// <summary>Restores a serialized exception.</summary>
        protected BioApiException(System.Runtime.Serialization.SerializationInfo info,
                                  System.Runtime.Serialization.StreamingContext context)
            : base(info, context)
        {
            Code = info.GetInt32("Code");
            Offset = (long?)info.GetValue("Offset", typeof(long?));
            Field = info.GetString("Field");
            Check = info.GetString("Check");
            Reason = info.GetString("Reason");
        }

        /// <summary>Stores the code and the reason with the exception's other data.</summary>
        public override void GetObjectData(System.Runtime.Serialization.SerializationInfo info,
                                           System.Runtime.Serialization.StreamingContext context)
        {
            base.GetObjectData(info, context);
            info.AddValue("Code", Code);
            info.AddValue("Offset", Offset, typeof(long?));
            info.AddValue("Field", Field);
            info.AddValue("Check", Check);
            info.AddValue("Reason", Reason);
        }
#endif

        /// <summary>The full 32-bit BioAPI error code, e.g. <see cref="BioApiErrorCode.InvalidData"/>.</summary>
        public int Code { get; }

        /// <summary>The source of the error, from the code's top byte as the library reads it.</summary>
        public Facility Facility { get { return FacilityOf(Code); } }

        /// <summary>For a record that the decoder rejects: where the failing check looked, in
        /// bytes from the start of the record (the offset argument of the decode not counted);
        /// otherwise null.</summary>
        public long? Offset { get; }

        /// <summary>For a rejected record: the part of the record being read or just read when
        /// the check failed, by its name in the record ("TotalLength", "OctetString1",
        /// "PresenceBitmap"); otherwise null.</summary>
        public string? Field { get; }

        /// <summary>For a rejected record: the condition that does not hold, e.g. "enough bytes
        /// remain"; otherwise null.</summary>
        public string? Check { get; }

        /// <summary>For a rejected record: the line that <c>bir dump</c> prints, e.g. "rejected at
        /// offset 4 (TotalLength): check "total length equals the size of the record" failed",
        /// which the message also carries after the library's text; otherwise null.</summary>
        public string? Reason { get; }

        /// <summary>Returns the library's message for a BioAPI error code; the same text that
        /// the C++ exception built from the code gives.</summary>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
        public static string MessageOf(int code)
        {
            BioApiLibrary.EnsureLoaded();
            return NativeMethods.Text(NativeMethods.bioapi_error_message(code)) ?? "";
        }

        /// <summary>Returns the source of an error code as the library reads it.</summary>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
        public static Facility FacilityOf(int code)
        {
            BioApiLibrary.EnsureLoaded();
            return (Facility)NativeMethods.bioapi_error_facility(code);
        }
    }
}
