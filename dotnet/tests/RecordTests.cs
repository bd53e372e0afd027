using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Reflection;
using NUnit.Framework;

namespace BioapiData.Tests
{
    [TestFixture]
    public class RecordTests
    {
        private static IEnumerable<string> GoldenRecords() { return Library.GoldenRecords(); }

        [TestCaseSource("GoldenRecords")]
        public void GoldenRecordDecodesAndEncodesByteForByte(string name)
        {
            byte[] bytes = Library.Record(name);
            using (var bir = new Bir(bytes))
            {
                byte[] encoded = bir.Encode();
                // minimal.bir lacks the fields that the encoder always writes: it comes back
                // with them added, and from then on byte for byte.
                if (name != "minimal.bir") CollectionAssert.AreEqual(bytes, encoded);
                using (var again = new Bir(encoded))
                {
                    Assert.IsTrue(again.Equals(bir));
                    CollectionAssert.AreEqual(encoded, again.Encode());
                }
            }
            // The same bytes inside a larger array, by offset and count.
            var padded = new byte[bytes.Length + 7];
            Buffer.BlockCopy(bytes, 0, padded, 3, bytes.Length);
            using (var bir = new Bir(padded, 3, bytes.Length))
            using (var whole = new Bir(bytes))
            {
                CollectionAssert.AreEqual(whole.Encode(), bir.Encode());
                Assert.IsTrue(bir.Equals(whole));
            }
        }

        [Test]
        public void BdbSummaryReadsTheRecordInsideAndItsNotes()
        {
            // full_record.bir is the fixture of the notes: ANSI 378 named, ISO 19794-2 inside.
            using (var bir = new Bir(Library.Record("full_record.bir")))
            {
                string json = bir.BdbSummaryJson();
                StringAssert.StartsWith("{\"Format\":\"ISO/IEC 19794-2:2005 finger minutiae\"", json);
                StringAssert.Contains("\"RecordLength\":240", json);
                StringAssert.Contains("the record declares 240 bytes; the BDB holds 27 (213 fewer)", json);
                bir.BiometricData = new byte[] { 0xAA };
                StringAssert.Contains("not recognised; it begins AA", bir.BdbSummaryJson());
            }
        }

        [Test]
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
                    CollectionAssert.AreEqual(bytes, bir.ToArray());
                }
                CollectionAssert.AreEqual(bytes, File.ReadAllBytes(Path.Combine(dir, "record")));
            }
            finally
            {
                Environment.CurrentDirectory = before;
                Directory.Delete(dir, true);
            }
        }

        [Test]
        public void FullRecordReadsAsTheDumpShowsIt()
        {
            using (var bir = new Bir(Library.Record("full_record.bir")))
            {
                Assert.AreEqual(new RegistryId(0x001B, 0x0201), bir.BDBFormat);
                Assert.AreEqual(BiometricType.Fingerprint, bir.BDBBiometricType);
                Assert.AreEqual(BiometricSubtype.Right, bir.BDBBiometricSubtype);
                Assert.AreEqual(ProcessedLevel.Processed, bir.BDBProcessedLevel);
                Assert.AreEqual(Purpose.Enroll, bir.BDBPurpose);
                Assert.AreEqual(80, bir.BDBQuality);
                Assert.IsTrue(bir.IntegrityOption);
                Assert.IsFalse(bir.EncryptionOption);
                Assert.AreEqual("scanner-07", System.Text.Encoding.ASCII.GetString(bir.OctetString1));
                Assert.AreEqual(new BirDateTime(2026, 3, 14, 9, 26, 53), bir.BDBCreationDate);
                Assert.AreEqual(new ValidityPeriod(new BirDateTime(2026, 3, 14, 9, 27, 5),
                                                   new BirDateTime(2031, 3, 13, 23, 59, 59)),
                                bir.BIRValidityPeriod);
                Assert.AreEqual(27, bir.BiometricData.Length);
                Assert.AreEqual(16, bir.SecurityBlock.Length);
            }
        }

        [Test]
        public void EveryLibraryFieldIsAPropertyOfItsKind()
        {
            List<Library.Field> fields = Library.Fields();
            CollectionAssert.AreEqual(fields.Select(f => f.Name).ToList(), Bir.FieldNames);
            foreach (Library.Field field in fields)
            {
                PropertyInfo property = typeof(Bir).GetProperty(field.Name);
                Assert.IsNotNull(property, field.Name);
                Assert.IsTrue(property.CanRead && property.CanWrite, field.Name);
                Assert.AreEqual(ExpectedType(field), property.PropertyType, field.Name);
            }
        }

        private static Type ExpectedType(Library.Field field)
        {
            switch (field.Kind)
            {
                case Library.KindInt: return typeof(int);
                case Library.KindBool: return typeof(bool);
                case Library.KindEnum: return typeof(Bir).Assembly.GetType("BioapiData." + field.Enumeration, true);
                case Library.KindRegistryId: return typeof(RegistryId);
                case Library.KindBytes: return typeof(byte[]);
                case Library.KindDateTime: return typeof(BirDateTime?);
                case Library.KindPeriod: return typeof(ValidityPeriod);
                default: throw new InvalidOperationException(field.Name + ": unknown kind " + field.Kind);
            }
        }

        [Test]
        public void EnumerationsHaveTheLibrarysNamesAndValues()
        {
            for (int number = 1;; number++)
            {
                var enumeration = Library.Enumeration(number);
                if (enumeration.Key == null)
                {
                    Assert.Greater(number, 5, "the library lists fewer enumerations than expected");
                    break;
                }
                Type type = typeof(Bir).Assembly.GetType("BioapiData." + enumeration.Key);
                Assert.IsNotNull(type, "no enum " + enumeration.Key);
                var mine = Enum.GetNames(type).Select(n => new KeyValuePair<string, int>(
                    n, Convert.ToInt32(Enum.Parse(type, n)))).ToList();
                CollectionAssert.AreEquivalent(enumeration.Value, mine, enumeration.Key);
            }
            Assert.IsTrue(typeof(BiometricType).IsDefined(typeof(FlagsAttribute), false));
            Assert.IsTrue(typeof(BiometricSubtype).IsDefined(typeof(FlagsAttribute), false));
        }

        // Two values of each kind that differ from each other and from the default record's.
        private static object[] Samples(Library.Field field, int index)
        {
            // The header fields that a record carries with one value only.
            switch (field.Name)
            {
                case "HeaderVersion": return new object[] { 0x30, 0x30 };
                case "HeaderRevision": return new object[] { 1, 1 };
                case "RecordFormat": return new object[] { new RegistryId(0x0101, 0x0009), new RegistryId(0x0101, 0x0009) };
            }
            switch (field.Kind)
            {
                case Library.KindInt: return new object[] { 1 + index, 200 - index };
                case Library.KindBool: return new object[] { true, false };
                case Library.KindEnum:
                {
                    Type type = ExpectedType(field);
                    return new[] { Enum.ToObject(type, 2), Enum.ToObject(type, 0x41) };
                }
                case Library.KindRegistryId:
                    return new object[] { new RegistryId(-1, (short)index), new RegistryId(0x1234, 0x7FFF) };
                case Library.KindBytes:
                    return new object[] { new byte[] { 1, 2, (byte)index }, Enumerable.Range(0, 300).Select(i => (byte)i).ToArray() };
                case Library.KindDateTime:
                    return new object[] { new BirDateTime(2026, 13, 31, 0, 0, 0), null };
                case Library.KindPeriod:
                    return new object[] {
                        new ValidityPeriod(new BirDateTime(-32768, 0, 255, 24, 60, 61), new BirDateTime(32767, 2, 30, 0, 0, 0)),
                        ValidityPeriod.Empty,
                    };
                default: throw new InvalidOperationException(field.Name);
            }
        }

        [Test]
        public void EveryPropertyRoundTrips()
        {
            List<Library.Field> fields = Library.Fields();
            for (int round = 0; round < 2; round++)
            {
                using (var bir = new Bir())
                {
                    foreach (Library.Field field in fields)
                    {
                        PropertyInfo property = typeof(Bir).GetProperty(field.Name);
                        object value = Samples(field, field.Number)[round];
                        property.SetValue(bir, value, null);
                        Assert.AreEqual(value, property.GetValue(bir, null), field.Name);
                    }
                    // Every field kept its own value while the others were set.
                    IList<KeyValuePair<string, object>> all = bir.GetFields();
                    for (int i = 0; i < fields.Count; i++)
                    {
                        Assert.AreEqual(Samples(fields[i], fields[i].Number)[round], all[i].Value, fields[i].Name);
                    }
                }
            }
        }

        [Test]
        public void ByteStringsAreCopiesInAndOut()
        {
            using (var bir = new Bir())
            {
                var data = new byte[] { 1, 2, 3 };
                bir.BiometricData = data;
                data[0] = 9;
                byte[] read = bir.BiometricData;
                Assert.AreEqual(1, read[0]);
                read[1] = 9;
                Assert.AreEqual(2, bir.BiometricData[1]);
            }
        }

        [Test]
        public void BiometricDataCopiesIntoTheCallersBuffer()
        {
            using (var bir = new Bir(Library.Record("full_record.bir")))
            {
                byte[] bdb = bir.BiometricData;
                Assert.AreEqual(bdb.Length, bir.BiometricDataLength);
                var buffer = new byte[bdb.Length + 3];
                Assert.AreEqual(bdb.Length, bir.CopyBiometricDataTo(buffer, 3));
                CollectionAssert.AreEqual(bdb, buffer.Skip(3).ToArray());
                var small = new byte[bdb.Length];
                Assert.Throws<ArgumentException>(() => bir.CopyBiometricDataTo(small, 1));
                Assert.IsTrue(small.All(b => b == 0), "nothing is copied when the bytes do not fit");
                Assert.Throws<ArgumentOutOfRangeException>(() => bir.CopyBiometricDataTo(small, small.Length + 1));
                Assert.Throws<ArgumentNullException>(() => bir.CopyBiometricDataTo(null, 0));
                bir.BiometricData = new byte[0];
                Assert.AreEqual(0, bir.CopyBiometricDataTo(new byte[0], 0));
            }
        }

        [Test]
        public void RecordBuiltInDotNetDecodesToTheSameFields()
        {
            using (var bir = new Bir())
            {
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
                Assert.IsTrue(bir.IsPresent("BDBCreationDate"));
                Assert.IsFalse(bir.IsPresent("BIRCreationDate"));
                Assert.IsNull(bir.BIRCreationDate);
                using (var back = new Bir(bir.Encode()))
                {
                    Assert.IsTrue(back.Equals(bir), back.ToString());
                    Assert.AreEqual(bir.GetHashCode(), back.GetHashCode());
                }
                Assert.Throws<ArgumentException>(() => bir.IsPresent("NoSuchField"));
            }
        }

        [Test]
        public void CloneIsIndependentAndEqual()
        {
            using (var bir = new Bir(Library.Record("full_record.bir")))
            using (Bir copy = bir.Clone())
            {
                Assert.IsTrue(copy.Equals(bir));
                Assert.IsTrue(Equals(copy, bir));
                copy.OctetString3 = new byte[] { 7 };
                Assert.IsFalse(copy.Equals(bir));
                Assert.AreEqual(9, bir.OctetString3.Length);
                bir.Dispose();
                CollectionAssert.AreEqual(new byte[] { 7 }, copy.OctetString3);
            }
        }
    }
}
