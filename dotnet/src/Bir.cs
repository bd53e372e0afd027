using System;
using System.Collections.Generic;
using System.Collections.ObjectModel;
using System.Globalization;
using System.Runtime.InteropServices;

namespace BioapiData
{
    /// <summary>A biometric information record: header identifiers, two security options,
    /// twenty-three optional descriptive fields, the biometric data block (BDB) and the
    /// security block (SB), backed by the native library's record.</summary>
    /// <remarks>
    /// <para>Every field of the record model is a property of the same name. A value that a
    /// field cannot hold is refused with an <see cref="ArgumentException"/> that names the
    /// property, and the field keeps its value. Byte strings are copied in and out.</para>
    /// <para>The record owns a native handle: dispose it (a <c>using</c> block) to release it at
    /// once; the finalizer releases it otherwise. A disposed record refuses every use with
    /// <see cref="ObjectDisposedException"/>.</para>
    /// <para>Thread safety: every member may be called from any thread, on one record or on
    /// several, disposal included; calls on one record run one at a time.</para>
    /// </remarks>
    public sealed class Bir : IDisposable, IEquatable<Bir>
    {
        private static readonly byte[] NoBytes = new byte[0];

        // Serialises the calls on this record, which the native library requires, and keeps
        // disposal from overtaking a call. The SafeHandle's own reference count keeps the
        // native record alive while a call runs, even when the Bir is unreachable meanwhile.
        private readonly object gate = new object();
        private readonly BirHandle handle;

        // Loads the native library and checks its version before the first record.
        static Bir()
        {
            BioApiLibrary.EnsureCompatible();
        }

        /// <summary>Makes the default record: the native header, every other scalar 0, every
        /// byte string and validity period empty.</summary>
        public Bir()
        {
            BirHandle made;
            int status = NativeMethods.bioapi_bir_create(out made);
            handle = Adopt(status, made);
        }

        /// <summary>Decodes a byte record; <paramref name="data"/> is not kept.</summary>
        /// <exception cref="ArgumentNullException"><paramref name="data"/> is null.</exception>
        /// <exception cref="BioApiException">The library rejects the record
        /// (<see cref="BioApiErrorCode.InvalidData"/>, with the offset, field and check that
        /// rejected it).</exception>
        public Bir(byte[] data) : this(data, 0, data == null ? 0 : data.Length)
        {
        }

        /// <summary>Decodes the <paramref name="count"/> bytes of <paramref name="data"/> from
        /// <paramref name="offset"/> on as a byte record; <paramref name="data"/> is not kept.</summary>
        /// <exception cref="ArgumentNullException"><paramref name="data"/> is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException"><paramref name="offset"/> or
        /// <paramref name="count"/> reaches outside <paramref name="data"/>.</exception>
        /// <exception cref="BioApiException">The library rejects the record
        /// (<see cref="BioApiErrorCode.InvalidData"/>, with the offset, field and check that
        /// rejected it).</exception>
        public Bir(byte[] data, int offset, int count)
        {
            if (data == null) throw new ArgumentNullException("data");
            if (offset < 0 || offset > data.Length)
            {
                throw new ArgumentOutOfRangeException("offset", offset, "offset lies outside the array");
            }
            if (count < 0 || count > data.Length - offset)
            {
                throw new ArgumentOutOfRangeException("count", count, "count reaches past the end of the array");
            }
            BirHandle made;
            int status;
            Exception rejected = null;
            unsafe
            {
                // An empty input is a rejected record, not a null pointer.
                byte none = 0;
                fixed (byte* start = data)
                {
                    byte* at = count == 0 ? &none : start + offset;
                    status = NativeMethods.bioapi_bir_decode(at, (UIntPtr)count, out made);
                    if (status == BioApiErrorCode.InvalidData) rejected = Rejected(at, count);
                }
            }
            handle = Adopt(status, made, rejected);
        }

        private Bir(BirHandle adopted)
        {
            handle = adopted;
        }

        // Returns the handle that a call made, or throws `error` (by default the library's
        // exception of the status) when the call failed.
        private static BirHandle Adopt(int status, BirHandle made, Exception error = null)
        {
            if (status != NativeMethods.Ok)
            {
                if (made != null) made.Dispose();
                throw error ?? new BioApiException(status);
            }
            return made;
        }

        // The library's exception for the rejected record of `count` bytes at `data`, with the
        // inspection library's reason: where the decoder stopped, in which part of the record,
        // and the check that failed.
        private static unsafe BioApiException Rejected(byte* data, int count)
        {
            const int status = BioApiErrorCode.InvalidData;
            NativeRecordCheck check;
            if (!InspectMethods.TryCheck(data, count, out check)) return new BioApiException(status);
            string reason = InspectMethods.Reason(ref check);
            return new BioApiException(status, BioApiException.MessageOf(status) + " " + reason,
                                       (long)check.Offset.ToUInt64(), NativeMethods.Text(check.FieldName),
                                       NativeMethods.Text(check.Check), reason);
        }

        /// <summary>The names of the record's fields, in the order of the library's table
        /// (the order of the C++ class); each is a property of <see cref="Bir"/>.</summary>
        public static ReadOnlyCollection<string> FieldNames
        {
            get { return FieldTable.Names; }
        }

        /// <summary>Releases the native record. Later calls of any other member throw
        /// <see cref="ObjectDisposedException"/>; disposing again does nothing.</summary>
        public void Dispose()
        {
            lock (gate)
            {
                handle.Dispose();
            }
        }

        /// <summary>True once the record was disposed.</summary>
        public bool IsDisposed
        {
            get { lock (gate) { return handle.IsClosed; } }
        }

        // Called with the gate held.
        private BirHandle Live()
        {
            if (handle.IsClosed) throw new ObjectDisposedException(typeof(Bir).FullName);
            return handle;
        }

        private static void Check(int status)
        {
            if (status != NativeMethods.Ok) throw new BioApiException(status);
        }

        private static Exception Refused(FieldDescription field, object value, int status)
        {
            if (status == BioApiErrorCode.InvalidParameter)
            {
                return new ArgumentOutOfRangeException(field.Name, value,
                    string.Format(CultureInfo.InvariantCulture, "{0} cannot hold {1}", field.Name, Describe(value)));
            }
            return new BioApiException(status);
        }

        private static string Describe(object value)
        {
            return value == null ? "null" : Convert.ToString(value, CultureInfo.InvariantCulture);
        }

        // --- Encoding -----------------------------------------------------------------------

        /// <summary>Returns the byte record of this object; touches no file.</summary>
        /// <exception cref="BioApiException">An optional byte string or the whole record is over
        /// its limit (<see cref="BioApiErrorCode.InvalidData"/>).</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public byte[] Encode()
        {
            IntPtr data;
            UIntPtr size;
            lock (gate)
            {
                Check(NativeMethods.bioapi_bir_encode(Live(), out data, out size));
            }
            return TakeBuffer(data, size);
        }

        /// <summary>Returns <see cref="Encode"/>'s bytes and also replaces the file "record" in
        /// the working directory with them, as the library's ToArray does (failures to write
        /// the file are not reported).</summary>
        /// <exception cref="BioApiException">The encoder refuses the record; the file is left
        /// untouched.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public byte[] ToArray()
        {
            IntPtr data;
            UIntPtr size;
            lock (gate)
            {
                Check(NativeMethods.bioapi_bir_to_array(Live(), out data, out size));
            }
            return TakeBuffer(data, size);
        }

        // Returns a copy of `length` bytes of native memory at `data`.
        private static byte[] Copy(IntPtr data, ulong length)
        {
            if (length == 0) return NoBytes;
            var copy = new byte[checked((int)length)];
            Marshal.Copy(data, copy, 0, copy.Length);
            return copy;
        }

        // Copies a buffer that the library handed over, then frees it.
        private static byte[] TakeBuffer(IntPtr data, UIntPtr size)
        {
            try
            {
                ulong length = size.ToUInt64();
                if (length > int.MaxValue) throw new BioApiException(BioApiErrorCode.InvalidData);
                return Copy(data, length);
            }
            finally
            {
                NativeMethods.bioapi_free(data);
            }
        }

        /// <summary>Returns what <see cref="BiometricData"/> holds, read from its own headers
        /// by the inspection library, as the JSON object that <c>bir json</c> writes as
        /// "BiometricDataSummary": "Format" (null when not recognised), the general header's
        /// fields by name, views or representations as arrays of objects, and "Notes", where
        /// the block disagrees with BDBFormat, BDBBiometricType or itself.</summary>
        /// <exception cref="DllNotFoundException">The inspection library is not installed.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public string BdbSummaryJson()
        {
            IntPtr summary;
            lock (gate)
            {
                Check(InspectMethods.bioapi_inspect_bdb_summary(Live(), out summary));
            }
            try
            {
                IntPtr text;
                UIntPtr size;
                Check(InspectMethods.bioapi_inspect_bdb_json(summary, out text, out size));
                try
                {
                    var bytes = new byte[(int)size];
                    Marshal.Copy(text, bytes, 0, bytes.Length);
                    return System.Text.Encoding.UTF8.GetString(bytes);
                }
                finally
                {
                    InspectMethods.bioapi_inspect_free(text);
                }
            }
            finally
            {
                InspectMethods.bioapi_inspect_bdb_free(summary);
            }
        }

        /// <summary>Returns an independent copy of this record.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public Bir Clone()
        {
            return new Bir(CloneHandle());
        }

        private BirHandle CloneHandle()
        {
            BirHandle copy;
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_clone(Live(), out copy);
            }
            return Adopt(status, copy);
        }

        /// <summary>Returns whether the encoder writes the field <paramref name="fieldName"/> of
        /// this record into the byte record, by the library's own rule.</summary>
        /// <exception cref="ArgumentException"><paramref name="fieldName"/> names no field.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public bool IsPresent(string fieldName)
        {
            FieldDescription field = FieldTable.Find(fieldName);
            if (field == null)
            {
                throw new ArgumentException("no field of a record is named " + Describe(fieldName), "fieldName");
            }
            lock (gate)
            {
                return Present(field);
            }
        }

        // Called with the gate held.
        private bool Present(FieldDescription field)
        {
            int present;
            Check(NativeMethods.bioapi_bir_field_present(Live(), field.Number, out present));
            return present != 0;
        }

        /// <summary>The number of bytes of <see cref="BiometricData"/>, read without copying them.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public int BiometricDataLength
        {
            get
            {
                lock (gate)
                {
                    ulong length;
                    NativeBytes(Field.BiometricData, out length);
                    return checked((int)length);
                }
            }
        }

        /// <summary>Copies <see cref="BiometricData"/> into <paramref name="destination"/> from
        /// <paramref name="index"/> on and returns the number of bytes copied: for a large BDB,
        /// into a buffer that the caller reuses rather than a new array per read.</summary>
        /// <exception cref="ArgumentNullException"><paramref name="destination"/> is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException"><paramref name="index"/> lies outside
        /// <paramref name="destination"/>.</exception>
        /// <exception cref="ArgumentException">The bytes do not fit from <paramref name="index"/>
        /// on; nothing is copied.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public int CopyBiometricDataTo(byte[] destination, int index)
        {
            if (destination == null) throw new ArgumentNullException("destination");
            if (index < 0 || index > destination.Length)
            {
                throw new ArgumentOutOfRangeException("index", index, "index lies outside the array");
            }
            lock (gate)
            {
                ulong length;
                IntPtr data = NativeBytes(Field.BiometricData, out length);
                if (length > (ulong)(destination.Length - index))
                {
                    throw new ArgumentException(string.Format(CultureInfo.InvariantCulture,
                        "BiometricData has {0} bytes; {1} remain in the array from index {2}",
                        length, destination.Length - index, index), "destination");
                }
                if (length != 0) Marshal.Copy(data, destination, index, (int)length);
                return (int)length;
            }
        }

        // --- Accessors by kind --------------------------------------------------------------

        private int GetInt(FieldDescription field)
        {
            lock (gate)
            {
                return ReadInt(field);
            }
        }

        private int ReadInt(FieldDescription field)
        {
            int value;
            Check(NativeMethods.bioapi_bir_get_int(Live(), field.Number, out value));
            return value;
        }

        private void SetInt(FieldDescription field, int value)
        {
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_int(Live(), field.Number, value);
            }
            if (status != NativeMethods.Ok) throw Refused(field, value, status);
        }

        private RegistryId GetRegistryId(FieldDescription field)
        {
            lock (gate)
            {
                return ReadRegistryId(field);
            }
        }

        private RegistryId ReadRegistryId(FieldDescription field)
        {
            short owner, type;
            Check(NativeMethods.bioapi_bir_get_registry_id(Live(), field.Number, out owner, out type));
            return new RegistryId(owner, type);
        }

        private void SetRegistryId(FieldDescription field, RegistryId value)
        {
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_registry_id(Live(), field.Number, value.Owner, value.Type);
            }
            if (status != NativeMethods.Ok) throw Refused(field, value, status);
        }

        private byte[] GetBytes(FieldDescription field)
        {
            lock (gate)
            {
                return ReadBytes(field);
            }
        }

        private byte[] ReadBytes(FieldDescription field)
        {
            ulong length;
            IntPtr data = NativeBytes(field, out length);
            return Copy(data, length);
        }

        // Returns the native bytes of a byte string field and their number, without copying
        // them. Called with the gate held; the bytes stay valid while it is held, since only a
        // call on this record can replace them.
        private IntPtr NativeBytes(FieldDescription field, out ulong length)
        {
            IntPtr data;
            UIntPtr size;
            Check(NativeMethods.bioapi_bir_get_bytes(Live(), field.Number, out data, out size));
            length = size.ToUInt64();
            return data;
        }

        private void SetBytes(FieldDescription field, byte[] value)
        {
            if (value == null) throw new ArgumentNullException(field.Name);
            if (field.MaxSize != 0 && value.Length > field.MaxSize)
            {
                throw new ArgumentOutOfRangeException(field.Name, value.Length, string.Format(
                    CultureInfo.InvariantCulture, "{0}: {1} bytes; a record carries at most {2}",
                    field.Name, value.Length, field.MaxSize));
            }
            int status;
            unsafe
            {
                fixed (byte* data = value)
                {
                    lock (gate)
                    {
                        status = NativeMethods.bioapi_bir_set_bytes(Live(), field.Number, data, (UIntPtr)value.Length);
                    }
                }
            }
            if (status != NativeMethods.Ok) throw Refused(field, value.Length + " bytes", status);
        }

        private static NativeDateTime ToNative(BirDateTime value)
        {
            // Weekday, day of the year and the DST flag "not known" (-1): a date-time set from
            // .NET is always one that the record carries, whatever its time.
            return new NativeDateTime {
                StructSize = NativeDateTime.Size, Year = value.Year, Month = value.Month,
                Day = value.Day, Hour = value.Hour, Minute = value.Minute, Second = value.Second,
                WDay = -1, YDay = -1, IsDst = -1,
            };
        }

        private static BirDateTime FromNative(NativeDateTime value)
        {
            return new BirDateTime(value.Year, value.Month, value.Day, value.Hour, value.Minute, value.Second);
        }

        private BirDateTime? GetCreationDate(FieldDescription field)
        {
            lock (gate)
            {
                return ReadCreationDate(field);
            }
        }

        private BirDateTime? ReadCreationDate(FieldDescription field)
        {
            if (!Present(field)) return null;
            var value = new NativeDateTime { StructSize = NativeDateTime.Size };
            Check(NativeMethods.bioapi_bir_get_datetime(Live(), field.Number, ref value));
            return FromNative(value);
        }

        private void SetCreationDate(FieldDescription field, BirDateTime? value)
        {
            // All nine members 0: a date-time that the encoder leaves out.
            NativeDateTime native = value.HasValue
                ? ToNative(value.Value)
                : new NativeDateTime { StructSize = NativeDateTime.Size };
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_datetime(Live(), field.Number, ref native);
            }
            if (status != NativeMethods.Ok) throw Refused(field, value, status);
        }

        private ValidityPeriod GetPeriod(FieldDescription field)
        {
            lock (gate)
            {
                return ReadPeriod(field);
            }
        }

        private ValidityPeriod ReadPeriod(FieldDescription field)
        {
            UIntPtr count;
            BirHandle live = Live();
            Check(NativeMethods.bioapi_bir_get_period_count(live, field.Number, out count));
            ulong n = count.ToUInt64();
            if (n == 0) return ValidityPeriod.Empty;
            var dates = new BirDateTime[checked((int)n)];
            var value = new NativeDateTime { StructSize = NativeDateTime.Size };
            for (int i = 0; i < dates.Length; i++)
            {
                Check(NativeMethods.bioapi_bir_get_period_element(live, field.Number, (UIntPtr)i, ref value));
                dates[i] = FromNative(value);
            }
            return new ValidityPeriod(dates);
        }

        private void SetPeriod(FieldDescription field, ValidityPeriod value)
        {
            var elements = new NativeDateTime[Math.Max(1, value.Count)];
            elements[0].StructSize = NativeDateTime.Size;
            for (int i = 0; i < value.Count; i++) elements[i] = ToNative(value[i]);
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_period(Live(), field.Number, elements, (UIntPtr)value.Count);
            }
            if (status != NativeMethods.Ok) throw Refused(field, value, status);
        }

        // Reads one field by its table entry, as the property of that name returns it. Called
        // with the gate held.
        private object Read(FieldDescription field)
        {
            switch (field.Kind)
            {
                case NativeMethods.FieldKindInt: return ReadInt(field);
                case NativeMethods.FieldKindBool: return ReadInt(field) != 0;
                case NativeMethods.FieldKindEnum: return Enum.ToObject(field.EnumType, ReadInt(field));
                case NativeMethods.FieldKindRegistryId: return ReadRegistryId(field);
                case NativeMethods.FieldKindBytes: return ReadBytes(field);
                case NativeMethods.FieldKindDateTime: return ReadCreationDate(field);
                case NativeMethods.FieldKindPeriod: return ReadPeriod(field);
                default: throw new InvalidOperationException("field " + field.Name + " has an unknown kind");
            }
        }

        /// <summary>Returns the name and value of every field, in <see cref="FieldNames"/> order,
        /// read at one moment; each value is what its property returns.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public IList<KeyValuePair<string, object>> GetFields()
        {
            var fields = new List<KeyValuePair<string, object>>(FieldTable.All.Length);
            lock (gate)
            {
                foreach (FieldDescription field in FieldTable.All)
                {
                    fields.Add(new KeyValuePair<string, object>(field.Name, Read(field)));
                }
            }
            return fields.AsReadOnly();
        }

        // --- Equality -----------------------------------------------------------------------

        /// <summary>Returns true when every field of both records is equal (byte strings byte
        /// for byte).</summary>
        /// <exception cref="ObjectDisposedException">Either record was disposed.</exception>
        public bool Equals(Bir other)
        {
            if (ReferenceEquals(other, null)) return false;
            if (ReferenceEquals(other, this))
            {
                lock (gate) { Live(); }
                return true;
            }
            // Each record is read under its own lock, one after the other, so that two threads
            // comparing a with b and b with a cannot deadlock.
            IList<KeyValuePair<string, object>> mine = GetFields();
            IList<KeyValuePair<string, object>> theirs = other.GetFields();
            for (int i = 0; i < mine.Count; i++)
            {
                if (!ValueEquals(mine[i].Value, theirs[i].Value)) return false;
            }
            return true;
        }

        private static bool ValueEquals(object a, object b)
        {
            var x = a as byte[];
            var y = b as byte[];
            if (x == null || y == null) return Equals(a, b);
            if (x.Length != y.Length) return false;
            for (int i = 0; i < x.Length; i++)
            {
                if (x[i] != y[i]) return false;
            }
            return true;
        }

        /// <summary>Returns true when <paramref name="obj"/> is a <see cref="Bir"/> with equal fields.</summary>
        public override bool Equals(object obj)
        {
            return Equals(obj as Bir);
        }

        /// <summary>Returns a hash of a few fields; it changes when they change, so a record
        /// used as a key must not change.</summary>
        public override int GetHashCode()
        {
            lock (gate)
            {
                ulong length;
                NativeBytes(Field.BiometricData, out length);
                return unchecked(ReadRegistryId(Field.BDBFormat).GetHashCode() * 31 +
                                 ReadInt(Field.BDBQuality) * 17 + (int)length);
            }
        }

        /// <summary>Returns a short description: format, type, subtype, purpose, quality and the
        /// size of the biometric data.</summary>
        public override string ToString()
        {
            lock (gate)
            {
                if (handle.IsClosed) return "Bir (disposed)";
                ulong length;
                NativeBytes(Field.BiometricData, out length);
                return string.Format(CultureInfo.InvariantCulture,
                    "Bir(BDBFormat={0}, BDBBiometricType={1}, BDBBiometricSubtype={2}, BDBPurpose={3}, " +
                    "BDBQuality={4}, BiometricData=<{5} bytes>)",
                    ReadRegistryId(Field.BDBFormat), Read(Field.BDBBiometricType),
                    Read(Field.BDBBiometricSubtype), Read(Field.BDBPurpose), ReadInt(Field.BDBQuality),
                    length);
            }
        }

        // The library's field of each property, found by the property's name; FieldTable checks
        // that each property's type is the one of its field's kind.
        private static class Field
        {
            public static readonly FieldDescription NativeFormatOwner = FieldTable.Get(nameof(Bir.NativeFormatOwner));
            public static readonly FieldDescription NativeFormatType = FieldTable.Get(nameof(Bir.NativeFormatType));
            public static readonly FieldDescription FixedWord3 = FieldTable.Get(nameof(Bir.FixedWord3));
            public static readonly FieldDescription FixedWord4 = FieldTable.Get(nameof(Bir.FixedWord4));
            public static readonly FieldDescription RecordFormat = FieldTable.Get(nameof(Bir.RecordFormat));
            public static readonly FieldDescription HeaderVersion = FieldTable.Get(nameof(Bir.HeaderVersion));
            public static readonly FieldDescription HeaderRevision = FieldTable.Get(nameof(Bir.HeaderRevision));
            public static readonly FieldDescription BDBFormat = FieldTable.Get(nameof(Bir.BDBFormat));
            public static readonly FieldDescription EncryptionOption = FieldTable.Get(nameof(Bir.EncryptionOption));
            public static readonly FieldDescription IntegrityOption = FieldTable.Get(nameof(Bir.IntegrityOption));
            public static readonly FieldDescription BDBBiometricType = FieldTable.Get(nameof(Bir.BDBBiometricType));
            public static readonly FieldDescription BDBBiometricSubtype = FieldTable.Get(nameof(Bir.BDBBiometricSubtype));
            public static readonly FieldDescription RegisteredId1 = FieldTable.Get(nameof(Bir.RegisteredId1));
            public static readonly FieldDescription RegisteredId2 = FieldTable.Get(nameof(Bir.RegisteredId2));
            public static readonly FieldDescription RegisteredId3 = FieldTable.Get(nameof(Bir.RegisteredId3));
            public static readonly FieldDescription RegisteredId4 = FieldTable.Get(nameof(Bir.RegisteredId4));
            public static readonly FieldDescription RegisteredId5 = FieldTable.Get(nameof(Bir.RegisteredId5));
            public static readonly FieldDescription OctetString1 = FieldTable.Get(nameof(Bir.OctetString1));
            public static readonly FieldDescription BDBCreationDate = FieldTable.Get(nameof(Bir.BDBCreationDate));
            public static readonly FieldDescription OctetString2 = FieldTable.Get(nameof(Bir.OctetString2));
            public static readonly FieldDescription BDBProcessedLevel = FieldTable.Get(nameof(Bir.BDBProcessedLevel));
            public static readonly FieldDescription RegisteredId6 = FieldTable.Get(nameof(Bir.RegisteredId6));
            public static readonly FieldDescription BDBPurpose = FieldTable.Get(nameof(Bir.BDBPurpose));
            public static readonly FieldDescription BDBQuality = FieldTable.Get(nameof(Bir.BDBQuality));
            public static readonly FieldDescription RegisteredId7 = FieldTable.Get(nameof(Bir.RegisteredId7));
            public static readonly FieldDescription BDBValidityPeriod = FieldTable.Get(nameof(Bir.BDBValidityPeriod));
            public static readonly FieldDescription BIRCreationDate = FieldTable.Get(nameof(Bir.BIRCreationDate));
            public static readonly FieldDescription OctetString3 = FieldTable.Get(nameof(Bir.OctetString3));
            public static readonly FieldDescription OctetString4 = FieldTable.Get(nameof(Bir.OctetString4));
            public static readonly FieldDescription OctetString5 = FieldTable.Get(nameof(Bir.OctetString5));
            public static readonly FieldDescription OctetString6 = FieldTable.Get(nameof(Bir.OctetString6));
            public static readonly FieldDescription BIRValidityPeriod = FieldTable.Get(nameof(Bir.BIRValidityPeriod));
            public static readonly FieldDescription RegisteredId8 = FieldTable.Get(nameof(Bir.RegisteredId8));
            public static readonly FieldDescription BiometricData = FieldTable.Get(nameof(Bir.BiometricData));
            public static readonly FieldDescription SecurityBlock = FieldTable.Get(nameof(Bir.SecurityBlock));
        }

        // --- The fields of the record model -------------------------------------------------

        /// <summary>Owner half of the native format; travels only inside the object, never in the byte record (-32768 to 32767).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int NativeFormatOwner
        {
            get { return GetInt(Field.NativeFormatOwner); }
            set { SetInt(Field.NativeFormatOwner, value); }
        }

        /// <summary>Type half of the native format; travels only inside the object (-32768 to 32767).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int NativeFormatType
        {
            get { return GetInt(Field.NativeFormatType); }
            set { SetInt(Field.NativeFormatType, value); }
        }

        /// <summary>Constant 7, carried by copying; travels only inside the object (-32768 to 32767).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int FixedWord3
        {
            get { return GetInt(Field.FixedWord3); }
            set { SetInt(Field.FixedWord3, value); }
        }

        /// <summary>Constant 29, carried by copying; travels only inside the object (-32768 to 32767).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int FixedWord4
        {
            get { return GetInt(Field.FixedWord4); }
            set { SetInt(Field.FixedWord4, value); }
        }

        /// <summary>Format identifier written in the first four bytes of the record.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RecordFormat
        {
            get { return GetRegistryId(Field.RecordFormat); }
            set { SetRegistryId(Field.RecordFormat, value); }
        }

        /// <summary>Header version byte (0 to 255).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int HeaderVersion
        {
            get { return GetInt(Field.HeaderVersion); }
            set { SetInt(Field.HeaderVersion, value); }
        }

        /// <summary>Header revision byte (0 to 255).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int HeaderRevision
        {
            get { return GetInt(Field.HeaderRevision); }
            set { SetInt(Field.HeaderRevision, value); }
        }

        /// <summary>Format of the biometric data block.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId BDBFormat
        {
            get { return GetRegistryId(Field.BDBFormat); }
            set { SetRegistryId(Field.BDBFormat, value); }
        }

        /// <summary>First security option.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public bool EncryptionOption
        {
            get { return GetInt(Field.EncryptionOption) != 0; }
            set { SetInt(Field.EncryptionOption, value ? 1 : 0); }
        }

        /// <summary>Second security option.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public bool IntegrityOption
        {
            get { return GetInt(Field.IntegrityOption) != 0; }
            set { SetInt(Field.IntegrityOption, value ? 1 : 0); }
        }

        /// <summary>Biometric type; all 32 bits travel in the record.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public BiometricType BDBBiometricType
        {
            get { return (BiometricType)GetInt(Field.BDBBiometricType); }
            set { SetInt(Field.BDBBiometricType, (int)value); }
        }

        /// <summary>Biometric subtype; the record carries the low 8 bits.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public BiometricSubtype BDBBiometricSubtype
        {
            get { return (BiometricSubtype)GetInt(Field.BDBBiometricSubtype); }
            set { SetInt(Field.BDBBiometricSubtype, (int)value); }
        }

        /// <summary>First registered identifier; always written.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId1
        {
            get { return GetRegistryId(Field.RegisteredId1); }
            set { SetRegistryId(Field.RegisteredId1, value); }
        }

        /// <summary>Registered identifier 2; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId2
        {
            get { return GetRegistryId(Field.RegisteredId2); }
            set { SetRegistryId(Field.RegisteredId2, value); }
        }

        /// <summary>Registered identifier 3; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId3
        {
            get { return GetRegistryId(Field.RegisteredId3); }
            set { SetRegistryId(Field.RegisteredId3, value); }
        }

        /// <summary>Registered identifier 4; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId4
        {
            get { return GetRegistryId(Field.RegisteredId4); }
            set { SetRegistryId(Field.RegisteredId4, value); }
        }

        /// <summary>Registered identifier 5; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId5
        {
            get { return GetRegistryId(Field.RegisteredId5); }
            set { SetRegistryId(Field.RegisteredId5, value); }
        }

        /// <summary>Byte string 1; written when not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] OctetString1
        {
            get { return GetBytes(Field.OctetString1); }
            set { SetBytes(Field.OctetString1, value); }
        }

        /// <summary>Creation date of the BDB; null when the record leaves it out. Setting a value writes it whatever its time; setting null leaves it out.</summary>
        /// <exception cref="ArgumentOutOfRangeException">A member does not fit the record (a year outside 16 signed bits, another member outside 0 to 255); the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public BirDateTime? BDBCreationDate
        {
            get { return GetCreationDate(Field.BDBCreationDate); }
            set { SetCreationDate(Field.BDBCreationDate, value); }
        }

        /// <summary>Byte string 2; written when not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] OctetString2
        {
            get { return GetBytes(Field.OctetString2); }
            set { SetBytes(Field.OctetString2, value); }
        }

        /// <summary>Processing level of the biometric data; the record carries the low 8 bits.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public ProcessedLevel BDBProcessedLevel
        {
            get { return (ProcessedLevel)GetInt(Field.BDBProcessedLevel); }
            set { SetInt(Field.BDBProcessedLevel, (int)value); }
        }

        /// <summary>Registered identifier 6; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId6
        {
            get { return GetRegistryId(Field.RegisteredId6); }
            set { SetRegistryId(Field.RegisteredId6, value); }
        }

        /// <summary>Purpose of the biometric data; the record carries the low 8 bits.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public Purpose BDBPurpose
        {
            get { return (Purpose)GetInt(Field.BDBPurpose); }
            set { SetInt(Field.BDBPurpose, (int)value); }
        }

        /// <summary>Quality of the biometric data (0 to 255).</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int BDBQuality
        {
            get { return GetInt(Field.BDBQuality); }
            set { SetInt(Field.BDBQuality, value); }
        }

        /// <summary>Registered identifier 7; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId7
        {
            get { return GetRegistryId(Field.RegisteredId7); }
            set { SetRegistryId(Field.RegisteredId7, value); }
        }

        /// <summary>Validity period of the BDB; written when not empty.</summary>
        /// <exception cref="ArgumentOutOfRangeException">A member of a date-time does not fit the record; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public ValidityPeriod BDBValidityPeriod
        {
            get { return GetPeriod(Field.BDBValidityPeriod); }
            set { SetPeriod(Field.BDBValidityPeriod, value); }
        }

        /// <summary>Creation date of the record; null when the record leaves it out. Setting a value writes it whatever its time; setting null leaves it out.</summary>
        /// <exception cref="ArgumentOutOfRangeException">A member does not fit the record (a year outside 16 signed bits, another member outside 0 to 255); the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public BirDateTime? BIRCreationDate
        {
            get { return GetCreationDate(Field.BIRCreationDate); }
            set { SetCreationDate(Field.BIRCreationDate, value); }
        }

        /// <summary>Byte string 3; written when not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] OctetString3
        {
            get { return GetBytes(Field.OctetString3); }
            set { SetBytes(Field.OctetString3, value); }
        }

        /// <summary>Byte string 4; written when not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] OctetString4
        {
            get { return GetBytes(Field.OctetString4); }
            set { SetBytes(Field.OctetString4, value); }
        }

        /// <summary>Byte string 5; written when not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] OctetString5
        {
            get { return GetBytes(Field.OctetString5); }
            set { SetBytes(Field.OctetString5, value); }
        }

        /// <summary>Byte string 6; written when not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] OctetString6
        {
            get { return GetBytes(Field.OctetString6); }
            set { SetBytes(Field.OctetString6, value); }
        }

        /// <summary>Validity period of the record; written when not empty.</summary>
        /// <exception cref="ArgumentOutOfRangeException">A member of a date-time does not fit the record; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public ValidityPeriod BIRValidityPeriod
        {
            get { return GetPeriod(Field.BIRValidityPeriod); }
            set { SetPeriod(Field.BIRValidityPeriod, value); }
        }

        /// <summary>Registered identifier 8; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId8
        {
            get { return GetRegistryId(Field.RegisteredId8); }
            set { SetRegistryId(Field.RegisteredId8, value); }
        }

        /// <summary>The biometric data block (BDB); always in the record. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] BiometricData
        {
            get { return GetBytes(Field.BiometricData); }
            set { SetBytes(Field.BiometricData, value); }
        }

        /// <summary>The security block (SB); in the record when a security option is set and it is not empty. Reading returns a copy; setting stores a copy.</summary>
        /// <exception cref="ArgumentNullException">The value is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException">The value is longer than a record carries; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public byte[] SecurityBlock
        {
            get { return GetBytes(Field.SecurityBlock); }
            set { SetBytes(Field.SecurityBlock, value); }
        }
    }
}
