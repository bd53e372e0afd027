using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Reflection;
using Xunit;

namespace BioapiData.Tests
{
    public class RecordTests
    {
        public static IEnumerable<object[]> GoldenRecords() { return Library.GoldenRecords(); }

        [Theory, MemberData(nameof(GoldenRecords))]
        public void GoldenRecordDecodesAndEncodesByteForByte(string name)
        {
            byte[] bytes = Library.Record(name);
            using (var bir = new Bir(bytes))
            {
                byte[] encoded = bir.Encode();
                // minimal.bir lacks the fields that the encoder always writes: it comes back
                // with them added, and from then on byte for byte.
                if (name != "minimal.bir") Assert.Equal(bytes, encoded);
                using (var again = new Bir(encoded))
                {
                    Assert.True(again.Equals(bir));
                    Assert.Equal(encoded, again.Encode());
                }
                // Into a caller's buffer: false and nothing written when it is one byte short.
                var buffer = new byte[encoded.Length + 4];
                Assert.False(bir.TryEncode(buffer.AsSpan(0, encoded.Length - 1), out int written));
                Assert.Equal(0, written);
                Assert.All(buffer, b => Assert.Equal(0, b));
                Assert.True(bir.TryEncode(buffer, out written));
                Assert.Equal(encoded, buffer.Take(written));
            }
            // The same bytes inside a larger array, by offset and count, and as a span.
            var padded = new byte[bytes.Length + 7];
            Buffer.BlockCopy(bytes, 0, padded, 3, bytes.Length);
            using (var bir = new Bir(padded, 3, bytes.Length))
            using (var fromSpan = new Bir(padded.AsSpan(3, bytes.Length)))
            using (var whole = new Bir(bytes))
            {
                Assert.Equal(whole.Encode(), bir.Encode());
                Assert.True(bir.Equals(whole));
                Assert.True(fromSpan.Equals(whole));
            }
        }

        [Fact]
        public void BdbSummaryReadsTheRecordInsideAndItsNotes()
        {
            // full_record.bir is the fixture of the notes: ANSI 378 named, ISO 19794-2 inside.
            using (var bir = new Bir(Library.Record("full_record.bir")))
            {
                string json = bir.BdbSummaryJson();
                Assert.StartsWith("{\"Format\":\"ISO/IEC 19794-2:2005 finger minutiae\"", json);
                Assert.Contains("\"RecordLength\":240", json);
                Assert.Contains("the record declares 240 bytes; the BDB holds 27 (213 fewer)", json);
                bir.BiometricData = new byte[] { 0xAA };
                Assert.Contains("not recognised; it begins AA", bir.BdbSummaryJson());
            }
        }

        [Fact]
        public void DecodeLeavingBiometricDataSaysWhereItLies()
        {
            byte[] bytes = Library.Record("full_record.bir");
            var padded = new byte[bytes.Length + 5];
            Buffer.BlockCopy(bytes, 0, padded, 5, bytes.Length);
            using var whole = new Bir(bytes);
            using Bir fromSpan = Bir.DecodeLeavingBiometricData(padded.AsSpan(5), out Range range);
            using Bir fromArray = Bir.DecodeLeavingBiometricData(padded, 5, bytes.Length, out int offset, out int length);
            Assert.Equal(whole.BiometricData, padded.AsSpan(5)[range].ToArray());
            Assert.Equal(whole.BiometricData, padded.Skip(offset).Take(length));
            Assert.Equal(0, fromSpan.BiometricDataLength);
            fromSpan.BiometricData = padded.AsSpan(5)[range].ToArray();
            Assert.Equal(bytes, fromSpan.Encode());
            fromArray.BiometricData = padded.Skip(offset).Take(length).ToArray();
            Assert.True(fromArray.Equals(whole));
            var e = Assert.Throws<BioApiException>(() => Bir.DecodeLeavingBiometricData(bytes.AsSpan(1), out _));
            Assert.Equal(BioApiErrorCode.InvalidData, e.Code);
            Assert.NotNull(e.Field);
        }

        [Fact]
        public void ToArrayWritesTheFileRecord()
        {
            string dir = Path.Combine(Path.GetTempPath(), "bioapi_data_dotnet_" + Guid.NewGuid().ToString("N"));
            Directory.CreateDirectory(dir);
            string before = Environment.CurrentDirectory;
            try
            {
                Environment.CurrentDirectory = dir;
                byte[] bytes = Library.Record("full_record.bir");
                using (var bir = new Bir(bytes))
                {
                    Assert.Equal(bytes, bir.ToArray());
                }
                Assert.Equal(bytes, File.ReadAllBytes(Path.Combine(dir, "record")));
            }
            finally
            {
                Environment.CurrentDirectory = before;
                Directory.Delete(dir, true);
            }
        }

        [Fact]
        public void FullRecordReadsAsTheDumpShowsIt()
        {
            using var bir = new Bir(Library.Record("full_record.bir"));
            Assert.Equal(new RegistryId(0x001B, 0x0201), bir.BDBFormat);
            Assert.Equal(BiometricType.Fingerprint, bir.BDBBiometricType);
            Assert.Equal(BiometricSubtype.Right, bir.BDBBiometricSubtype);
            Assert.Equal(ProcessedLevel.Processed, bir.BDBProcessedLevel);
            Assert.Equal(Purpose.Enroll, bir.BDBPurpose);
            Assert.Equal(80, bir.BDBQuality);
            Assert.True(bir.IntegrityOption);
            Assert.False(bir.EncryptionOption);
            Assert.Equal("scanner-07", System.Text.Encoding.ASCII.GetString(bir.OctetString1));
            Assert.Equal(new BirDateTime(2026, 3, 14, 9, 26, 53), bir.BDBCreationDate);
            Assert.Equal(new ValidityPeriod(new BirDateTime(2026, 3, 14, 9, 27, 5),
                                            new BirDateTime(2031, 3, 13, 23, 59, 59)),
                         bir.BIRValidityPeriod);
            Assert.Equal(27, bir.BiometricData.Length);
            Assert.Equal(16, bir.SecurityBlock.Length);
        }

        [Fact]
        public void EveryLibraryFieldIsAPropertyOfItsKindWritableWhenTheRecordCarriesIt()
        {
            List<Library.Field> fields = Library.Fields();
            Assert.Equal(fields.Select(f => f.Name), Bir.FieldNames);
            foreach (Library.Field field in fields)
            {
                PropertyInfo? property = typeof(Bir).GetProperty(field.Name);
                Assert.True(property != null, field.Name);
                Assert.True(property!.CanRead, field.Name);
                Assert.True(property.CanWrite == (field.Limits.Carried != 0), field.Name);
                Assert.Equal(ExpectedType(field), property.PropertyType);
            }
            Assert.Contains(fields, f => f.Limits.Carried == 0);
        }

        private static Type ExpectedType(Library.Field field)
        {
            switch (field.Kind)
            {
                case Library.KindInt: return typeof(int);
                case Library.KindBool: return typeof(bool);
                case Library.KindEnum: return typeof(Bir).Assembly.GetType("BioapiData." + field.Enumeration, true)!;
                case Library.KindRegistryId: return typeof(RegistryId);
                case Library.KindBytes: return typeof(byte[]);
                case Library.KindDateTime: return typeof(BirDateTime?);
                case Library.KindPeriod: return typeof(ValidityPeriod);
                default: throw new InvalidOperationException(field.Name + ": unknown kind " + field.Kind);
            }
        }

        [Fact]
        public void EnumerationsHaveTheLibrarysNamesAndValues()
        {
            int number = 1;
            for (;; number++)
            {
                var enumeration = Library.Enumeration(number);
                if (enumeration.Key == null) break;
                Type? type = typeof(Bir).Assembly.GetType("BioapiData." + enumeration.Key);
                Assert.True(type != null, "no enum " + enumeration.Key);
                var mine = Enum.GetNames(type!).Select(n => new KeyValuePair<string, int>(
                    n, Convert.ToInt32(Enum.Parse(type!, n)))).OrderBy(p => p.Key);
                Assert.Equal(enumeration.Value.OrderBy(p => p.Key), mine);
            }
            Assert.True(number > 5, "the library lists fewer enumerations than expected");
            Assert.True(typeof(BiometricType).IsDefined(typeof(FlagsAttribute), false));
            Assert.True(typeof(BiometricSubtype).IsDefined(typeof(FlagsAttribute), false));
        }

        // Two values of each kind that the field accepts, differing from each other and, where
        // the field takes more than one value, from the default record's.
        private static object?[] Samples(Library.Field field, int index)
        {
            Library.Limits limits = field.Limits;
            switch (field.Kind)
            {
                case Library.KindInt:
                    return new object[] { (int)Math.Max(limits.Min, Math.Min(limits.Max, 1 + index)),
                                          (int)Math.Min(limits.Max, 200 - index) };
                case Library.KindBool: return new object[] { true, false };
                case Library.KindEnum:
                {
                    Type type = ExpectedType(field);
                    return new[] { Enum.ToObject(type, 2), Enum.ToObject(type, 0x41) };
                }
                case Library.KindRegistryId:
                    if (limits.OwnerMin == limits.OwnerMax && limits.TypeMin == limits.TypeMax)
                    {
                        var only = new RegistryId((ushort)limits.OwnerMin, (ushort)limits.TypeMin);
                        return new object[] { only, only };
                    }
                    return new object[] { new RegistryId(0xFFFF, (ushort)index), new RegistryId(0x8001, 0x7FFF) };
                case Library.KindBytes:
                    return new object[] { new byte[] { 1, 2, (byte)index }, Enumerable.Range(0, 300).Select(i => (byte)i).ToArray() };
                case Library.KindDateTime:
                    return new object?[] { new BirDateTime(2026, 13, 31, 0, 0, 0), null };
                case Library.KindPeriod:
                    return new object[] {
                        new ValidityPeriod(new BirDateTime(-32768, 0, 255, 24, 60, 61), new BirDateTime(32767, 2, 30, 0, 0, 0)),
                        ValidityPeriod.Empty,
                    };
                default: throw new InvalidOperationException(field.Name);
            }
        }

        [Fact]
        public void EveryPropertyRoundTrips()
        {
            List<Library.Field> fields = Library.Fields().Where(f => f.Limits.Carried != 0).ToList();
            for (int round = 0; round < 2; round++)
            {
                using var bir = new Bir();
                foreach (Library.Field field in fields)
                {
                    PropertyInfo property = typeof(Bir).GetProperty(field.Name)!;
                    object? value = Samples(field, field.Number)[round];
                    property.SetValue(bir, value, null);
                    Assert.Equal(value, property.GetValue(bir, null));
                }
                // Every field kept its own value while the others were set, and the record
                // reads the same after an encode and a decode (in the first round, whose security
                // options are set, so that the security block is written too).
                IList<KeyValuePair<string, object?>> all = bir.GetFields();
                foreach (Library.Field field in fields)
                {
                    Assert.Equal(Samples(field, field.Number)[round], all[field.Number - 1].Value);
                }
                using var back = new Bir(bir.Encode());
                Assert.True(back.Equals(bir) == (round == 0), back.ToString());
            }
        }

        [Fact]
        public void RegistryIdHoldsEvery16BitCode()
        {
            using var bir = new Bir();
            bir.BDBFormat = new RegistryId(0x8001, 0xFFFF);
            using var back = new Bir(bir.Encode());
            Assert.Equal((ushort)0x8001, back.BDBFormat.Owner);
            Assert.Equal((ushort)0xFFFF, back.BDBFormat.Type);
            Assert.Equal("0x8001/0xFFFF", back.BDBFormat.ToString());
        }

        [Fact]
        public void ByteStringsAreCopiesInAndOut()
        {
            using var bir = new Bir();
            var data = new byte[] { 1, 2, 3 };
            bir.BiometricData = data;
            data[0] = 9;
            byte[] read = bir.BiometricData;
            Assert.Equal(1, read[0]);
            read[1] = 9;
            Assert.Equal(2, bir.BiometricData[1]);
        }

        // The BDB and the security block into a caller's array or span: all of it or nothing.
        public static IEnumerable<object[]> Blocks()
        {
            yield return new object[] { "BiometricData" };
            yield return new object[] { "SecurityBlock" };
        }

        [Theory, MemberData(nameof(Blocks))]
        public void BlockCopiesIntoTheCallersBuffer(string name)
        {
            using var bir = new Bir(Library.Record("full_record.bir"));
            bool bdb = name == "BiometricData";
            byte[] block = bdb ? bir.BiometricData : bir.SecurityBlock;
            Assert.Equal(block.Length, bdb ? bir.BiometricDataLength : bir.SecurityBlockLength);
            Func<byte[], int, int> toArray = bdb ? bir.CopyBiometricDataTo : bir.CopySecurityBlockTo;
            var buffer = new byte[block.Length + 3];
            Assert.Equal(block.Length, toArray(buffer, 3));
            Assert.Equal(block, buffer.Skip(3));
            var span = new byte[block.Length + 1];
            Assert.Equal(block.Length, bdb ? bir.CopyBiometricDataTo(span.AsSpan(1)) : bir.CopySecurityBlockTo(span.AsSpan(1)));
            Assert.Equal(block, span.Skip(1));
            var small = new byte[block.Length];
            Assert.Throws<ArgumentException>(() => toArray(small, 1));
            Assert.Throws<ArgumentException>(() => bdb ? bir.CopyBiometricDataTo(small.AsSpan(1)) : bir.CopySecurityBlockTo(small.AsSpan(1)));
            Assert.All(small, b => Assert.Equal(0, b));
            Assert.Throws<ArgumentOutOfRangeException>(() => toArray(small, small.Length + 1));
            Assert.Throws<ArgumentNullException>(() => toArray(null!, 0));
            if (bdb) bir.BiometricData = new byte[0];
            else bir.SecurityBlock = new byte[0];
            Assert.Equal(0, toArray(new byte[0], 0));
            Assert.Equal(0, bdb ? bir.CopyBiometricDataTo(Span<byte>.Empty) : bir.CopySecurityBlockTo(Span<byte>.Empty));
        }

        [Fact]
        public void RecordBuiltInDotNetDecodesToTheSameFields()
        {
            using var bir = new Bir();
            bir.BDBFormat = new RegistryId(0x1B, 0x201);
            bir.BDBBiometricType = BiometricType.Iris | BiometricType.FacialFeatures;
            bir.BDBBiometricSubtype = BiometricSubtype.Left | BiometricSubtype.Thumb;
            bir.BDBQuality = 255;
            bir.BDBCreationDate = new BirDateTime(2026, 1, 1, 0, 0, 0);  // midnight is written
            bir.BDBValidityPeriod = new ValidityPeriod(new BirDateTime(2026, 1, 1, 0, 0, 0),
                                                       new BirDateTime(2031, 12, 31, 23, 59, 59));
            bir.OctetString6 = new byte[32767];
            bir.IntegrityOption = true;
            bir.SecurityBlock = new byte[] { 0xAA };
            bir.BiometricData = new byte[] { 1, 2, 3 };
            Assert.True(bir.IsPresent("BDBCreationDate"));
            Assert.False(bir.IsPresent("BIRCreationDate"));
            Assert.Null(bir.BIRCreationDate);
            using (var back = new Bir(bir.Encode()))
            {
                Assert.True(back.Equals(bir), back.ToString());
                Assert.Equal(bir.GetHashCode(), back.GetHashCode());
            }
            Assert.Throws<ArgumentException>(() => bir.IsPresent("NoSuchField"));
        }

        [Fact]
        public void CloneIsIndependentAndEqual()
        {
            using var bir = new Bir(Library.Record("full_record.bir"));
            using Bir copy = bir.Clone();
            Assert.True(copy.Equals(bir));
            Assert.True(Equals(copy, bir));
            copy.OctetString3 = new byte[] { 7 };
            Assert.False(copy.Equals(bir));
            Assert.Equal(9, bir.OctetString3.Length);
            bir.Dispose();
            Assert.Equal(new byte[] { 7 }, copy.OctetString3);
        }

        [Fact]
        public void ValidityPeriodIsEmptyOrAStartAndAnEnd()
        {
            var start = new BirDateTime(2026, 1, 1, 0, 0, 0);
            var end = new BirDateTime(2027, 1, 1, 0, 0, 0);
            var period = new ValidityPeriod(start, end);
            Assert.Equal(new[] { start, end }, period);
            Assert.Equal(2, period.Count);
            Assert.Equal(end, period[1]);
            Assert.Throws<ArgumentOutOfRangeException>(() => period[2]);
            Assert.Empty(ValidityPeriod.Empty);
            Assert.True(default(ValidityPeriod).IsEmpty);
            Assert.Equal(ValidityPeriod.Empty, default(ValidityPeriod));
            Assert.Throws<InvalidOperationException>(() => ValidityPeriod.Empty.Start);
            Assert.Throws<ArgumentOutOfRangeException>(() => ValidityPeriod.Empty[0]);
            // An empty period and one of two all-zero dates differ: the second is written.
            Assert.NotEqual(ValidityPeriod.Empty, new ValidityPeriod(default, default));
            // No constructor takes another number of date-times.
            Assert.All(typeof(ValidityPeriod).GetConstructors(), c => Assert.Equal(2, c.GetParameters().Length));
        }
    }
}
