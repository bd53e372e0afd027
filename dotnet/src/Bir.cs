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
    /// <para>Equality is by value: two records are equal when every field is (byte strings byte
    /// for byte). A record that serves as a key of a dictionary or a member of a set must not
    /// change while it is there, since its hash changes with its fields. A disposed record equals
    /// only itself, and keeps the hash it had when it was disposed.</para>
    /// <para>The record owns a native handle: dispose it (a <c>using</c> block) to release it at
    /// once; the finalizer releases it otherwise. A disposed record refuses every use with
    /// <see cref="ObjectDisposedException"/>, but for <see cref="Equals(Bir)"/>,
    /// <see cref="GetHashCode"/>, <see cref="ToString"/> and <see cref="IsDisposed"/>.</para>
    /// <para>The first record loads the native library (bioapi_data, which the package carries);
    /// when it cannot be found, the constructor throws <see cref="DllNotFoundException"/> naming
    /// where it looked, and a later constructor tries again.</para>
    /// <para>Thread safety: every member may be called from any thread, on one record or on
    /// several, disposal included; calls on one record run one at a time.</para>
    /// </remarks>
    public sealed class Bir : IDisposable, IEquatable<Bir>
    {
        private static readonly byte[] NoBytes = new byte[0];

        // The hash of the record when it was disposed: a disposed key keeps its hash.
        private int disposedHash;

        // Serialises the calls on this record, which the native library requires, and keeps
        // disposal from overtaking a call. The SafeHandle's own reference count keeps the
        // native record alive while a call runs, even when the Bir is unreachable meanwhile.
        private readonly object gate = new object();
        private readonly BirHandle handle;

        /// <summary>Makes the default record: the native header, every other scalar 0, every
        /// byte string and validity period empty.</summary>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
        public Bir()
        {
            BioApiLibrary.EnsureLoaded();
            int status = NativeMethods.bioapi_bir_create(out BirHandle made);
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
            CheckRange(data, offset, count);
            BioApiLibrary.EnsureLoaded();
            unsafe
            {
                fixed (byte* start = data)
                {
                    handle = Decode(start + offset, count);
                }
            }
        }

#if NET8_0_OR_GREATER
        /// <summary>Decodes the bytes of <paramref name="data"/> as a byte record; they are not
        /// kept.</summary>
        /// <exception cref="BioApiException">The library rejects the record
        /// (<see cref="BioApiErrorCode.InvalidData"/>, with the offset, field and check that
        /// rejected it).</exception>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
        public Bir(ReadOnlySpan<byte> data)
        {
            BioApiLibrary.EnsureLoaded();
            unsafe
            {
                fixed (byte* start = data)
                {
                    handle = Decode(start, data.Length);
                }
            }
        }

        /// <summary>Decodes every field of the byte record in <paramref name="data"/> but its
        /// biometric data, which stays where it lies: <paramref name="biometricData"/> is its range
        /// in <paramref name="data"/>, to read in place or copy where the caller wants it. The
        /// record's <see cref="BiometricData"/> is empty until the caller sets it.</summary>
        /// <exception cref="BioApiException">The library rejects the record, as the constructor
        /// does.</exception>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
        public static Bir DecodeLeavingBiometricData(ReadOnlySpan<byte> data, out Range biometricData)
        {
            BioApiLibrary.EnsureLoaded();
            unsafe
            {
                fixed (byte* start = data)
                {
                    Bir bir = new Bir(DecodeLeaving(start, data.Length, out int offset, out int length));
                    biometricData = new Range(offset, offset + length);
                    return bir;
                }
            }
        }
#endif

        /// <summary>Decodes every field of the <paramref name="count"/> bytes of
        /// <paramref name="data"/> from <paramref name="offset"/> on but the biometric data,
        /// which stays where it lies, from <paramref name="biometricDataOffset"/> in
        /// <paramref name="data"/> for <paramref name="biometricDataLength"/> bytes. The record's
        /// <see cref="BiometricData"/> is empty until the caller sets it.</summary>
        /// <exception cref="ArgumentNullException"><paramref name="data"/> is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException"><paramref name="offset"/> or
        /// <paramref name="count"/> reaches outside <paramref name="data"/>.</exception>
        /// <exception cref="BioApiException">The library rejects the record, as the constructor
        /// does.</exception>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
        public static Bir DecodeLeavingBiometricData(byte[] data, int offset, int count,
                                                     out int biometricDataOffset, out int biometricDataLength)
        {
            CheckRange(data, offset, count);
            BioApiLibrary.EnsureLoaded();
            unsafe
            {
                fixed (byte* start = data)
                {
                    var bir = new Bir(DecodeLeaving(start + offset, count, out int at, out biometricDataLength));
                    biometricDataOffset = offset + at;
                    return bir;
                }
            }
        }

        private static void CheckRange(byte[] data, int offset, int count)
        {
            if (data == null) throw new ArgumentNullException(nameof(data));
            if (offset < 0 || offset > data.Length)
            {
                throw new ArgumentOutOfRangeException(nameof(offset), offset, "offset lies outside the array");
            }
            if (count < 0 || count > data.Length - offset)
            {
                throw new ArgumentOutOfRangeException(nameof(count), count, "count reaches past the end of the array");
            }
        }

        private static unsafe BirHandle Decode(byte* data, int count)
        {
            // An empty input is a rejected record, not a null pointer.
            byte none = 0;
            byte* at = count == 0 ? &none : data;
            var rejection = NativeDecodeRejection.Empty();
            int status = NativeMethods.bioapi_bir_decode_ex(at, (UIntPtr)count, out BirHandle made, ref rejection);
            return Adopt(status, made, status != NativeMethods.Ok ? rejection.Exception(status) : null);
        }

        private static unsafe BirHandle DecodeLeaving(byte* data, int count, out int bdbOffset, out int bdbLength)
        {
            byte none = 0;
            byte* at = count == 0 ? &none : data;
            var rejection = NativeDecodeRejection.Empty();
            int status = NativeMethods.bioapi_bir_decode_leaving_bdb_ex(at, (UIntPtr)count, out BirHandle made,
                                                                        out UIntPtr offset, out UIntPtr length,
                                                                        ref rejection);
            BirHandle adopted = Adopt(status, made, status != NativeMethods.Ok ? rejection.Exception(status) : null);
            bdbOffset = checked((int)offset.ToUInt64());
            bdbLength = checked((int)length.ToUInt64());
            return adopted;
        }

        private Bir(BirHandle adopted)
        {
            handle = adopted;
        }

        // Returns the handle that a call made, or throws `error` (by default the library's
        // exception of the status) when the call failed.
        private static BirHandle Adopt(int status, BirHandle? made, Exception? error = null)
        {
            if (status != NativeMethods.Ok || made == null)
            {
                made?.Dispose();
                throw error ?? new BioApiException(status);
            }
            return made;
        }

        /// <summary>The names of the record's fields, in the order of the library's table
        /// (the order of the C++ class); each is a property of <see cref="Bir"/>.</summary>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded.</exception>
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
                if (handle.IsClosed) return;
                disposedHash = Hash();
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

        // Every value but the bytes, read in one call when a property first needs one and kept
        // until a setter changes the record; each getter then reads its slots. Called with the
        // gate held.
        private NativeValues values;
        private bool valuesRead;

        private BirHandle Changing()
        {
            valuesRead = false;
            return Live();
        }

        private void ReadValues()
        {
            BirHandle live = Live();
            if (valuesRead) return;
            values.StructSize = NativeValues.Size;
            Check(NativeMethods.bioapi_bir_read_values(live, ref values));
            valuesRead = true;
        }

        // Slot `index` of the values; ReadValues first.
        private unsafe int Slot(int index)
        {
            fixed (int* slots = values.Slot)
            {
                return slots[index];
            }
        }

        private static void Check(int status)
        {
            if (status != NativeMethods.Ok) throw new BioApiException(status);
        }

        // A value outside what the record carries, refused before it reaches the library.
        private static ArgumentOutOfRangeException OutOfRange(FieldDescription field, object value, string range)
        {
            return new ArgumentOutOfRangeException(field.Name, value, string.Format(CultureInfo.InvariantCulture,
                "{0} cannot hold {1}: a record carries {2}", field.Name, Describe(value), range));
        }

        // A limit as the field's type shows it: an enumeration's in hexadecimal.
        private static string Number(FieldDescription field, long value)
        {
            return field.EnumType != null
                ? "0x" + value.ToString("X", CultureInfo.InvariantCulture)
                : value.ToString(CultureInfo.InvariantCulture);
        }

        private static Exception Refused(FieldDescription field, object? value, int status)
        {
            if (status == BioApiErrorCode.InvalidParameter)
            {
                return new ArgumentOutOfRangeException(field.Name, value,
                    string.Format(CultureInfo.InvariantCulture, "{0} cannot hold {1}", field.Name, Describe(value)));
            }
            return new BioApiException(status);
        }

        private static string Describe(object? value)
        {
            return value == null ? "null" : Convert.ToString(value, CultureInfo.InvariantCulture) ?? "";
        }

        // --- Encoding -----------------------------------------------------------------------

        /// <summary>Returns the byte record of this object; touches no file.</summary>
        /// <exception cref="BioApiException">An optional byte string or the whole record is over
        /// its limit (<see cref="BioApiErrorCode.InvalidData"/>).</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public byte[] Encode()
        {
            // A record that fits this thread's scratch buffer is encoded there and copied into
            // an array of its size; a larger one into a buffer that the library allocates.
            byte[] scratch = encodeScratch ??= new byte[ScratchSize];
            int status;
            UIntPtr size;
            lock (gate)
            {
                BirHandle live = Live();
                unsafe
                {
                    fixed (byte* start = scratch)
                    {
                        status = NativeMethods.bioapi_bir_encode_into(live, start, (UIntPtr)scratch.Length, out size);
                    }
                }
                if (status == BioApiErrorCode.OutputTooSmall)
                {
                    Check(NativeMethods.bioapi_bir_encode(live, out IntPtr data, out size));
                    return TakeBuffer(data, size);
                }
            }
            Check(status);
            var record = new byte[(int)size.ToUInt64()];
            Buffer.BlockCopy(scratch, 0, record, 0, record.Length);
            return record;
        }

        private const int ScratchSize = 16 * 1024;
        [ThreadStatic] private static byte[]? encodeScratch;

#if NET8_0_OR_GREATER
        /// <summary>Encodes this record into <paramref name="destination"/> and returns true with
        /// <paramref name="bytesWritten"/> its size; returns false, with nothing written and
        /// <paramref name="bytesWritten"/> 0, when the record does not fit.</summary>
        /// <exception cref="BioApiException">The encoder refuses the record
        /// (<see cref="BioApiErrorCode.InvalidData"/>); nothing is written.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public bool TryEncode(Span<byte> destination, out int bytesWritten)
        {
            int status;
            UIntPtr size;
            unsafe
            {
                byte none = 0;
                fixed (byte* start = destination)
                {
                    lock (gate)
                    {
                        status = NativeMethods.bioapi_bir_encode_into(Live(), destination.Length == 0 ? &none : start,
                                                                      (UIntPtr)destination.Length, out size);
                    }
                }
            }
            bytesWritten = 0;
            if (status == BioApiErrorCode.OutputTooSmall) return false;
            Check(status);
            bytesWritten = checked((int)size.ToUInt64());
            return true;
        }
#endif

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
            FieldDescription? field = FieldTable.Find(fieldName);
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
            get { return BytesLength(Field.BiometricData); }
        }

        /// <summary>The number of bytes of <see cref="SecurityBlock"/>, read without copying them.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public int SecurityBlockLength
        {
            get { return BytesLength(Field.SecurityBlock); }
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
            return CopyBytesTo(Field.BiometricData, destination, index);
        }

        /// <summary>Copies <see cref="SecurityBlock"/> into <paramref name="destination"/> from
        /// <paramref name="index"/> on and returns the number of bytes copied.</summary>
        /// <exception cref="ArgumentNullException"><paramref name="destination"/> is null.</exception>
        /// <exception cref="ArgumentOutOfRangeException"><paramref name="index"/> lies outside
        /// <paramref name="destination"/>.</exception>
        /// <exception cref="ArgumentException">The bytes do not fit from <paramref name="index"/>
        /// on; nothing is copied.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public int CopySecurityBlockTo(byte[] destination, int index)
        {
            return CopyBytesTo(Field.SecurityBlock, destination, index);
        }

#if NET8_0_OR_GREATER
        /// <summary>Copies <see cref="BiometricData"/> into the start of
        /// <paramref name="destination"/> and returns the number of bytes copied.</summary>
        /// <exception cref="ArgumentException">The bytes do not fit; nothing is copied.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public int CopyBiometricDataTo(Span<byte> destination)
        {
            return CopyBytesTo(Field.BiometricData, destination);
        }

        /// <summary>Copies <see cref="SecurityBlock"/> into the start of
        /// <paramref name="destination"/> and returns the number of bytes copied.</summary>
        /// <exception cref="ArgumentException">The bytes do not fit; nothing is copied.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        public int CopySecurityBlockTo(Span<byte> destination)
        {
            return CopyBytesTo(Field.SecurityBlock, destination);
        }

        private int CopyBytesTo(FieldDescription field, Span<byte> destination)
        {
            lock (gate)
            {
                IntPtr data = NativeBytes(field, out ulong length);
                if (length > (ulong)destination.Length)
                {
                    throw new ArgumentException(string.Format(CultureInfo.InvariantCulture,
                        "{0} has {1} bytes; the destination holds {2}", field.Name, length, destination.Length),
                        nameof(destination));
                }
                unsafe
                {
                    new ReadOnlySpan<byte>((void*)data, (int)length).CopyTo(destination);
                }
                return (int)length;
            }
        }
#endif

        private int BytesLength(FieldDescription field)
        {
            lock (gate)
            {
                NativeBytes(field, out ulong length);
                return checked((int)length);
            }
        }

        private int CopyBytesTo(FieldDescription field, byte[] destination, int index)
        {
            if (destination == null) throw new ArgumentNullException(nameof(destination));
            if (index < 0 || index > destination.Length)
            {
                throw new ArgumentOutOfRangeException(nameof(index), index, "index lies outside the array");
            }
            lock (gate)
            {
                IntPtr data = NativeBytes(field, out ulong length);
                if (length > (ulong)(destination.Length - index))
                {
                    throw new ArgumentException(string.Format(CultureInfo.InvariantCulture,
                        "{0} has {1} bytes; {2} remain in the array from index {3}",
                        field.Name, length, destination.Length - index, index), nameof(destination));
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
            ReadValues();
            return Slot(field.Slot);
        }

        private void SetInt(FieldDescription field, int value, object? shown = null)
        {
            if (value < field.Limits.Min || value > field.Limits.Max)
            {
                throw OutOfRange(field, shown ?? value, string.Format(CultureInfo.InvariantCulture,
                    "{0} to {1}", Number(field, field.Limits.Min), Number(field, field.Limits.Max)));
            }
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_int(Changing(), field.Number, value);
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
            ReadValues();
            return new RegistryId(unchecked((ushort)Slot(field.Slot)), unchecked((ushort)Slot(field.Slot + 1)));
        }

        private void SetRegistryId(FieldDescription field, RegistryId value)
        {
            // The library numbers the halves as signed 16-bit numbers; the same 16 bits.
            short owner = unchecked((short)value.Owner), type = unchecked((short)value.Type);
            ref NativeFieldLimits limits = ref field.Limits;
            if (owner < limits.OwnerMin || owner > limits.OwnerMax || type < limits.TypeMin || type > limits.TypeMax)
            {
                throw OutOfRange(field, value, string.Format(CultureInfo.InvariantCulture, "{0} to {1}",
                    new RegistryId(unchecked((ushort)limits.OwnerMin), unchecked((ushort)limits.TypeMin)),
                    new RegistryId(unchecked((ushort)limits.OwnerMax), unchecked((ushort)limits.TypeMax))));
            }
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_registry_id(Changing(), field.Number, owner, type);
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
            // The values give each byte string's size: an empty one needs no call.
            ReadValues();
            if (Slot(field.Slot) == 0) return NoBytes;
            IntPtr data = NativeBytes(field, out ulong length);
            return Copy(data, length);
        }

        // Returns the native bytes of a byte string field and their number, without copying
        // them. Called with the gate held; the bytes stay valid while it is held, since only a
        // call on this record can replace them.
        private IntPtr NativeBytes(FieldDescription field, out ulong length)
        {
            Check(NativeMethods.bioapi_bir_get_bytes(Live(), field.Number, out IntPtr data, out UIntPtr size));
            length = size.ToUInt64();
            return data;
        }

        private void SetBytes(FieldDescription field, byte[] value)
        {
            if (value == null) throw new ArgumentNullException(field.Name);
            if (field.MaxSize != 0 && value.Length > field.MaxSize)
            {
                throw new ArgumentOutOfRangeException(field.Name, value.Length, string.Format(
                    CultureInfo.InvariantCulture, "{0} cannot hold {1} bytes: a record carries at most {2}",
                    field.Name, value.Length, field.MaxSize));
            }
            int status;
            unsafe
            {
                fixed (byte* data = value)
                {
                    lock (gate)
                    {
                        status = NativeMethods.bioapi_bir_set_bytes(Changing(), field.Number, data, (UIntPtr)value.Length);
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
            ReadValues();
            if ((values.Present & (1UL << (field.Number - 1))) == 0) return null;
            return DateAt(field.Slot);
        }

        // The date-time of the nine slots from `slot` on: the members of bioapi_datetime after
        // its struct_size.
        private BirDateTime DateAt(int slot)
        {
            var value = new NativeDateTime {
                Year = Slot(slot), Month = Slot(slot + 1), Day = Slot(slot + 2), Hour = Slot(slot + 3),
                Minute = Slot(slot + 4), Second = Slot(slot + 5),
            };
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
                status = NativeMethods.bioapi_bir_set_datetime(Changing(), field.Number, ref native);
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
            ReadValues();
            int n = Slot(field.Slot);
            if (n == 0) return ValidityPeriod.Empty;
            // A record read or built here holds none or two; anything else is no period of a record.
            if (n != 2) throw new BioApiException(BioApiErrorCode.Internal);
            return new ValidityPeriod(DateAt(field.Slot + 1), DateAt(field.Slot + 10));
        }

        private void SetPeriod(FieldDescription field, ValidityPeriod value)
        {
            var elements = new NativeDateTime[2];
            elements[0].StructSize = NativeDateTime.Size;
            if (!value.IsEmpty)
            {
                elements[0] = ToNative(value.Start);
                elements[1] = ToNative(value.End);
            }
            int status;
            lock (gate)
            {
                status = NativeMethods.bioapi_bir_set_period(Changing(), field.Number, elements, (UIntPtr)value.Count);
            }
            if (status != NativeMethods.Ok) throw Refused(field, value, status);
        }

        // Reads one field by its table entry, as the property of that name returns it. Called
        // with the gate held.
        private object? Read(FieldDescription field)
        {
            switch (field.Kind)
            {
                case NativeMethods.FieldKindInt: return ReadInt(field);
                case NativeMethods.FieldKindBool: return ReadInt(field) != 0;
                case NativeMethods.FieldKindEnum: return Enum.ToObject(field.EnumType!, ReadInt(field));
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
        public IList<KeyValuePair<string, object?>> GetFields()
        {
            lock (gate)
            {
                return ReadFields();
            }
        }

        // Called with the gate held.
        private IList<KeyValuePair<string, object?>> ReadFields()
        {
            FieldDescription[] all = FieldTable.All;
            var fields = new List<KeyValuePair<string, object?>>(all.Length);
            foreach (FieldDescription field in all)
            {
                fields.Add(new KeyValuePair<string, object?>(field.Name, Read(field)));
            }
            return fields.AsReadOnly();
        }

        // --- Equality -----------------------------------------------------------------------

        /// <summary>Returns true when every field of both records is equal (byte strings byte
        /// for byte). A disposed record equals only itself.</summary>
        public bool Equals(Bir? other)
        {
            if (ReferenceEquals(other, null)) return false;
            if (ReferenceEquals(other, this)) return true;
            // Each record is read under its own lock, one after the other, so that two threads
            // comparing a with b and b with a cannot deadlock.
            IList<KeyValuePair<string, object?>>? mine = FieldsUnlessDisposed();
            IList<KeyValuePair<string, object?>>? theirs = other.FieldsUnlessDisposed();
            if (mine == null || theirs == null) return false;
            for (int i = 0; i < mine.Count; i++)
            {
                if (!ValueEquals(mine[i].Value, theirs[i].Value)) return false;
            }
            return true;
        }

        private IList<KeyValuePair<string, object?>>? FieldsUnlessDisposed()
        {
            lock (gate)
            {
                return handle.IsClosed ? null : ReadFields();
            }
        }

        private static bool ValueEquals(object? a, object? b)
        {
            if (a is byte[] x && b is byte[] y)
            {
                if (x.Length != y.Length) return false;
                for (int i = 0; i < x.Length; i++)
                {
                    if (x[i] != y[i]) return false;
                }
                return true;
            }
            return Equals(a, b);
        }

        /// <summary>Returns true when <paramref name="obj"/> is a <see cref="Bir"/> with equal fields.</summary>
        public override bool Equals(object? obj)
        {
            return Equals(obj as Bir);
        }

        /// <summary>Returns a hash of a few fields; it changes when they change, so a record
        /// used as a key must not change. A disposed record keeps the hash it had.</summary>
        public override int GetHashCode()
        {
            lock (gate)
            {
                return handle.IsClosed ? disposedHash : Hash();
            }
        }

        // Called with the gate held, on a live record.
        private int Hash()
        {
            NativeBytes(Field.BiometricData, out ulong length);
            return unchecked(ReadRegistryId(Field.BDBFormat).GetHashCode() * 31 +
                             ReadInt(Field.BDBQuality) * 17 + (int)length);
        }

        /// <summary>Returns a short description: format, type, subtype, purpose, quality and the
        /// size of the biometric data; "Bir (disposed)" for a disposed record.</summary>
        public override string ToString()
        {
            lock (gate)
            {
                if (handle.IsClosed) return "Bir (disposed)";
                NativeBytes(Field.BiometricData, out ulong length);
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

        /// <summary>Owner half of the native format; a constant that travels only inside the object, never in the byte record, so read-only.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int NativeFormatOwner
        {
            get { return GetInt(Field.NativeFormatOwner); }
        }

        /// <summary>Type half of the native format; a constant that travels only inside the object, so read-only.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int NativeFormatType
        {
            get { return GetInt(Field.NativeFormatType); }
        }

        /// <summary>Constant 7; travels only inside the object, never in the byte record, so read-only.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int FixedWord3
        {
            get { return GetInt(Field.FixedWord3); }
        }

        /// <summary>Constant 29; travels only inside the object, never in the byte record, so read-only.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int FixedWord4
        {
            get { return GetInt(Field.FixedWord4); }
        }

        /// <summary>Format identifier written in the first four bytes of the record; a record is encoded only with 0x0101/0x0009.</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot carry the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RecordFormat
        {
            get { return GetRegistryId(Field.RecordFormat); }
            set { SetRegistryId(Field.RecordFormat, value); }
        }

        /// <summary>Header version byte; a record is encoded only with 0x30.</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot hold the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public int HeaderVersion
        {
            get { return GetInt(Field.HeaderVersion); }
            set { SetInt(Field.HeaderVersion, value); }
        }

        /// <summary>Header revision byte; a record is encoded only with 0x01.</summary>
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
            set { SetInt(Field.BDBBiometricType, (int)value, value); }
        }

        /// <summary>Biometric subtype; one byte in the record.</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot carry the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public BiometricSubtype BDBBiometricSubtype
        {
            get { return (BiometricSubtype)GetInt(Field.BDBBiometricSubtype); }
            set { SetInt(Field.BDBBiometricSubtype, (int)value, value); }
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

        /// <summary>Processing level of the biometric data; one byte in the record.</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot carry the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public ProcessedLevel BDBProcessedLevel
        {
            get { return (ProcessedLevel)GetInt(Field.BDBProcessedLevel); }
            set { SetInt(Field.BDBProcessedLevel, (int)value, value); }
        }

        /// <summary>Registered identifier 6; written when both halves are non-zero.</summary>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public RegistryId RegisteredId6
        {
            get { return GetRegistryId(Field.RegisteredId6); }
            set { SetRegistryId(Field.RegisteredId6, value); }
        }

        /// <summary>Purpose of the biometric data; one byte in the record.</summary>
        /// <exception cref="ArgumentOutOfRangeException">The record cannot carry the value; the field keeps its value.</exception>
        /// <exception cref="ObjectDisposedException">The record was disposed.</exception>
        [RecordField]
        public Purpose BDBPurpose
        {
            get { return (Purpose)GetInt(Field.BDBPurpose); }
            set { SetInt(Field.BDBPurpose, (int)value, value); }
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
