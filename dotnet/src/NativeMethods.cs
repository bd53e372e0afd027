using System;
using System.Runtime.InteropServices;

namespace BioapiData
{
    /// <summary>The native record, owned through its handle; released with bioapi_bir_destroy.</summary>
    internal sealed class BirHandle : SafeHandle
    {
        public BirHandle() : base(IntPtr.Zero, true) { }

        public override bool IsInvalid { get { return handle == IntPtr.Zero; } }

        protected override bool ReleaseHandle()
        {
            NativeMethods.bioapi_bir_destroy(handle);
            return true;
        }
    }

    /// <summary>bioapi_decode_rejection of the C interface, first version (328 bytes, the same
    /// on every platform): why the decoder rejects a record, filled by the decode itself.</summary>
    [StructLayout(LayoutKind.Sequential)]
    internal unsafe struct NativeDecodeRejection
    {
        public const int NameSize = 32;     // BIOAPI_REJECTION_NAME_SIZE
        public const int CheckSize = 64;    // BIOAPI_REJECTION_CHECK_SIZE
        public const int ReasonSize = 192;  // BIOAPI_REJECTION_REASON_SIZE

        public uint StructSize;
        public int Rejected;
        public ulong Offset;
        public ulong PartOffset;
        public int Part;
        public int Field;
        public int InsidePart;
        public int Reserved;
        public fixed byte PartName[NameSize];
        public fixed byte Check[CheckSize];
        public fixed byte Reason[ReasonSize];

        /// <summary>A structure for the decoder to fill.</summary>
        public static NativeDecodeRejection Empty()
        {
            return new NativeDecodeRejection { StructSize = (uint)sizeof(NativeDecodeRejection) };
        }

        /// <summary>The exception of a decode that failed with <paramref name="status"/>: for a
        /// rejected record, with where and why.</summary>
        public BioApiException Exception(int status)
        {
            if (status != BioApiErrorCode.InvalidData || Rejected == 0) return new BioApiException(status);
            string reason, name, check;
            fixed (byte* text = Reason) reason = Marshal.PtrToStringAnsi((IntPtr)text) ?? "";
            fixed (byte* text = PartName) name = Marshal.PtrToStringAnsi((IntPtr)text) ?? "";
            fixed (byte* text = Check) check = Marshal.PtrToStringAnsi((IntPtr)text) ?? "";
            return new BioApiException(status, BioApiException.MessageOf(status) + " " + reason, checked((long)Offset),
                                       name.Length != 0 ? name : null, check.Length != 0 ? check : null, reason);
        }
    }

    /// <summary>The date-time structure of the C interface, first version (40 bytes).</summary>
    [StructLayout(LayoutKind.Sequential)]
    internal struct NativeDateTime
    {
        public uint StructSize;
        public int Year;
        public int Month;
        public int Day;
        public int Hour;
        public int Minute;
        public int Second;
        public int WDay;
        public int YDay;
        public int IsDst;

        public static readonly uint Size = (uint)Marshal.SizeOf(typeof(NativeDateTime));
    }

    /// <summary>bioapi_bir_values of the C interface, first version (464 bytes).</summary>
    [StructLayout(LayoutKind.Sequential)]
    internal unsafe struct NativeValues
    {
        public const int SlotCount = 112;  // BIOAPI_BIR_VALUE_SLOTS

        public uint StructSize;
        public uint Reserved;
        public ulong Present;
        public fixed int Slot[SlotCount];

        public static readonly uint Size = (uint)Marshal.SizeOf(typeof(NativeValues));
    }

    /// <summary>bioapi_field_limits of the C interface, first version (48 bytes).</summary>
    [StructLayout(LayoutKind.Sequential)]
    internal struct NativeFieldLimits
    {
        public uint StructSize;
        public int Carried;
        public long Min;
        public long Max;
        public int OwnerMin;
        public int OwnerMax;
        public int TypeMin;
        public int TypeMax;
        public int PeriodLength;
        public int Reserved;

        public static readonly uint Size = (uint)Marshal.SizeOf(typeof(NativeFieldLimits));
    }

    /// <summary>The functions of bioapi_data_c.h that the assembly calls. Every string that the library returns is
    /// static and read through an IntPtr, so that the marshaller never frees it.</summary>
    internal static class NativeMethods
    {
        private const string Library = "bioapi_data";
        private const CallingConvention Cdecl = CallingConvention.Cdecl;

        public const int Ok = 0;
        public const int FieldKindInt = 1;
        public const int FieldKindBool = 2;
        public const int FieldKindEnum = 3;
        public const int FieldKindRegistryId = 4;
        public const int FieldKindBytes = 5;
        public const int FieldKindDateTime = 6;
        public const int FieldKindPeriod = 7;

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_version();

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern IntPtr bioapi_error_message(int code);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_error_facility(int code);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void bioapi_free(IntPtr buffer);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_create(out BirHandle bir);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern unsafe int bioapi_bir_decode_ex(byte* data, UIntPtr size, out BirHandle bir,
                                                             ref NativeDecodeRejection rejection);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_clone(BirHandle bir, out BirHandle copy);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void bioapi_bir_destroy(IntPtr bir);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_encode(BirHandle bir, out IntPtr data, out UIntPtr size);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern unsafe int bioapi_bir_encode_into(BirHandle bir, byte* buffer, UIntPtr capacity, out UIntPtr size);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern unsafe int bioapi_bir_decode_leaving_bdb_ex(byte* data, UIntPtr size, out BirHandle bir,
                                                                         out UIntPtr bdbOffset, out UIntPtr bdbSize,
                                                                         ref NativeDecodeRejection rejection);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_read_values(BirHandle bir, ref NativeValues values);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_field_limits(int field, ref NativeFieldLimits limits);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_to_array(BirHandle bir, out IntPtr data, out UIntPtr size);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_get_int(BirHandle bir, int field, out int value);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_set_int(BirHandle bir, int field, int value);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_get_registry_id(BirHandle bir, int field, out short owner, out short type);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_set_registry_id(BirHandle bir, int field, short owner, short type);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_get_bytes(BirHandle bir, int field, out IntPtr data, out UIntPtr size);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern unsafe int bioapi_bir_set_bytes(BirHandle bir, int field, byte* data, UIntPtr size);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_get_datetime(BirHandle bir, int field, ref NativeDateTime value);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_set_datetime(BirHandle bir, int field, ref NativeDateTime value);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_get_period_count(BirHandle bir, int field, out UIntPtr count);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_get_period_element(BirHandle bir, int field, UIntPtr index, ref NativeDateTime value);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_set_period(BirHandle bir, int field, [In] NativeDateTime[] elements, UIntPtr count);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_field_present(BirHandle bir, int field, out int present);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_bir_field_info(int field, out IntPtr name, out int kind, out int enumeration, out UIntPtr maxSize);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_enumeration_info(int enumeration, out IntPtr name, out UIntPtr count);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int bioapi_enumerator(int enumeration, UIntPtr index, out IntPtr name, out int value);

        /// <summary>Reads a static ASCII string of the library.</summary>
        public static string? Text(IntPtr text)
        {
            return text == IntPtr.Zero ? null : Marshal.PtrToStringAnsi(text);
        }
    }
}

namespace BioapiData
{
    /// <summary>The functions of bioapi_inspect_c.h that the assembly uses: the summary of the
    /// record inside a BDB. The inspection library is optional: only that summary needs it.</summary>
    internal static class InspectMethods
    {
        // The summary of the record inside a BDB. A missing inspection library surfaces as
        // DllNotFoundException from these.
        [DllImport("bioapi_data_inspect", CallingConvention = CallingConvention.Cdecl)]
        public static extern int bioapi_inspect_bdb_summary(BirHandle bir, out IntPtr summary);

        [DllImport("bioapi_data_inspect", CallingConvention = CallingConvention.Cdecl)]
        public static extern int bioapi_inspect_bdb_json(IntPtr summary, out IntPtr text, out UIntPtr size);

        [DllImport("bioapi_data_inspect", CallingConvention = CallingConvention.Cdecl)]
        public static extern void bioapi_inspect_bdb_free(IntPtr summary);

        [DllImport("bioapi_data_inspect", CallingConvention = CallingConvention.Cdecl)]
        public static extern void bioapi_inspect_free(IntPtr buffer);
    }
}
