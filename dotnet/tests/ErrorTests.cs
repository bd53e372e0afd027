using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Reflection;
using System.Runtime.Serialization.Formatters.Binary;
using NUnit.Framework;

namespace BioapiData.Tests
{
    [TestFixture]
    public class ErrorTests
    {
        [Test]
        public void EveryCutOfARecordIsRejectedWithTheLibrarysError()
        {
            byte[] bytes = Library.Record("full_record.bir");
            for (int size = 0; size < bytes.Length; size++)
            {
                var e = Assert.Throws<BioApiException>(() => new Bir(bytes, 0, size), "size " + size);
                Assert.AreEqual(BioApiErrorCode.InvalidData, e.Code);
                Assert.AreEqual(Facility.Unit, e.Facility);
                StringAssert.StartsWith("BioAPI Error: Invalid Data. (Source: Unit). rejected at offset ", e.Message);
                Assert.IsNotNull(e.Field, "size " + size);
            }
        }

        [Test]
        public void DecodeArgumentsAreChecked()
        {
            byte[] bytes = Library.Record("minimal.bir");
            Assert.AreEqual("data", Assert.Throws<ArgumentNullException>(() => new Bir(null)).ParamName);
            Assert.AreEqual("data", Assert.Throws<ArgumentNullException>(() => new Bir(null, 0, 0)).ParamName);
            Assert.AreEqual("offset", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, -1, 1)).ParamName);
            Assert.AreEqual("offset", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, bytes.Length + 1, 0)).ParamName);
            Assert.AreEqual("count", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, 1, bytes.Length)).ParamName);
            Assert.AreEqual("count", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, 0, -1)).ParamName);
            Assert.Throws<BioApiException>(() => new Bir(bytes, bytes.Length, 0));
        }

        // A value that the field cannot hold, and the exception it gets.
        public static readonly object[][] OutOfRange = {
            new object[] { "BDBQuality", 256 },
            new object[] { "BDBQuality", -1 },
            new object[] { "HeaderVersion", 0x100 },
            new object[] { "HeaderRevision", int.MinValue },
            new object[] { "NativeFormatOwner", 32768 },
            new object[] { "FixedWord4", -32769 },
            new object[] { "OctetString1", new byte[32768] },
            new object[] { "OctetString6", new byte[70000] },
            new object[] { "BDBCreationDate", (BirDateTime?)new BirDateTime(32768, 1, 1, 0, 0, 0) },
            new object[] { "BIRCreationDate", (BirDateTime?)new BirDateTime(2026, 256, 1, 0, 0, 0) },
            new object[] { "BIRCreationDate", (BirDateTime?)new BirDateTime(2026, 1, 1, 0, 0, -1) },
            new object[] { "BDBValidityPeriod", new ValidityPeriod(new BirDateTime(2026, 1, 1, 0, 0, 0), new BirDateTime(2026, 1, 1, 256, 0, 0)) },
            new object[] { "BIRValidityPeriod", new ValidityPeriod(new[] { new BirDateTime(-32769, 1, 1, 0, 0, 0) }) },
        };

        [TestCaseSource("OutOfRange")]
        public void ValueTheFieldCannotHoldIsRefusedAndTheFieldKeepsItsValue(string name, object value)
        {
            PropertyInfo property = typeof(Bir).GetProperty(name);
            using (var bir = new Bir(Library.Record("full_record.bir")))
            {
                object before = property.GetValue(bir, null);
                var e = Assert.Throws<TargetInvocationException>(() => property.SetValue(bir, value, null));
                Assert.IsInstanceOf<ArgumentOutOfRangeException>(e.InnerException);
                Assert.AreEqual(name, ((ArgumentException)e.InnerException).ParamName);
                StringAssert.Contains(name, e.InnerException.Message);
                Assert.AreEqual(before, property.GetValue(bir, null));
            }
        }

        [Test]
        public void NullByteStringIsRefused()
        {
            using (var bir = new Bir())
            {
                Assert.AreEqual("SecurityBlock",
                    Assert.Throws<ArgumentNullException>(() => bir.SecurityBlock = null).ParamName);
            }
        }

        [Test]
        public void DateTimeHoldsWhatTheRecordHoldsAndConvertsOnlyRealDates()
        {
            var odd = new BirDateTime(2026, 13, 1, 0, 0, 0);
            using (var bir = new Bir())
            {
                bir.BIRCreationDate = odd;
                using (var back = new Bir(bir.Encode()))
                {
                    Assert.AreEqual(odd, back.BIRCreationDate);
                }
            }
            var e = Assert.Throws<InvalidOperationException>(() => odd.ToDateTime());
            StringAssert.Contains("2026-13-01 00:00:00", e.Message);
            StringAssert.Contains("month", e.Message);
            DateTime converted;
            Assert.IsFalse(new BirDateTime(2025, 2, 29, 0, 0, 0).TryToDateTime(out converted));
            Assert.IsFalse(new BirDateTime(2026, 1, 1, 24, 0, 0).TryToDateTime(out converted));
            Assert.AreEqual(new DateTime(2024, 2, 29, 23, 59, 59), new BirDateTime(2024, 2, 29, 23, 59, 59).ToDateTime());
            Assert.AreEqual(new BirDateTime(2026, 3, 14, 9, 26, 53), new BirDateTime(new DateTime(2026, 3, 14, 9, 26, 53, 999)));
        }

        // The error codes are written out in C#: each has the library's message of its error.
        private static readonly Dictionary<string, string> CodeMessages = new Dictionary<string, string> {
            { "InvalidData", "BioAPI Error: Invalid Data. (Source: Unit)." },
            { "InvalidParameter", "BioAPI Error: Invalid Parameter. (Source: Framework)." },
            { "InvalidPointer", "BioAPI Error: Invalid Pointer. (Source: Framework)." },
            { "OutputTooSmall", "BioAPI Error: Invalid Output Pointer. (Source: Framework)." },
            { "Memory", "BioAPI Memory Error. (Source: Framework)." },
            { "Internal", "BioAPI Internal Error. (Source: Framework)." },
        };

        [Test]
        public void EveryErrorCodeHasTheLibrarysMessageOfItsError()
        {
            FieldInfo[] codes = typeof(BioApiErrorCode).GetFields(BindingFlags.Public | BindingFlags.Static);
            CollectionAssert.AreEquivalent(CodeMessages.Keys, codes.Select(c => c.Name));
            foreach (FieldInfo code in codes)
            {
                Assert.AreEqual(CodeMessages[code.Name], BioApiException.MessageOf((int)code.GetValue(null)), code.Name);
            }
        }

        [Test]
        public void ExceptionCarriesCodeFacilityAndMessage()
        {
            var e = new BioApiException(0x0100010B);
            Assert.AreEqual(Facility.BSP, e.Facility);
            Assert.AreEqual("BioAPI Error: Invalid Data. (Source: BSP).", e.Message);
            Assert.AreEqual(BioApiException.MessageOf(BioApiErrorCode.InvalidData),
                            "BioAPI Error: Invalid Data. (Source: Unit).");
            var stream = new MemoryStream();
            new BinaryFormatter().Serialize(stream, e);
            stream.Position = 0;
            var back = (BioApiException)new BinaryFormatter().Deserialize(stream);
            Assert.AreEqual(e.Code, back.Code);
            Assert.AreEqual(e.Facility, back.Facility);
            Assert.AreEqual(e.Message, back.Message);
            var rejected = Assert.Throws<BioApiException>(() => new Bir(new byte[] { 1, 1, 9 }));
            stream = new MemoryStream();
            new BinaryFormatter().Serialize(stream, rejected);
            stream.Position = 0;
            back = (BioApiException)new BinaryFormatter().Deserialize(stream);
            Assert.AreEqual(rejected.Offset, back.Offset);
            Assert.AreEqual(rejected.Field, back.Field);
            Assert.AreEqual(rejected.Check, back.Check);
            Assert.AreEqual(rejected.Reason, back.Reason);
        }

        [Test]
        public void DisposedRecordRefusesEveryUse()
        {
            var bir = new Bir(Library.Record("full_record.bir"));
            var other = new Bir();
            bir.Dispose();
            bir.Dispose();
            Assert.IsTrue(bir.IsDisposed);
            StringAssert.Contains("disposed", bir.ToString());
            foreach (PropertyInfo property in typeof(Bir).GetProperties(BindingFlags.Public | BindingFlags.Instance))
            {
                if (property.Name == "IsDisposed") continue;
                var get = Assert.Throws<TargetInvocationException>(() => property.GetValue(bir, null), property.Name);
                Assert.IsInstanceOf<ObjectDisposedException>(get.InnerException, property.Name);
                if (!property.CanWrite) continue;
                object value = property.GetValue(other, null);
                var set = Assert.Throws<TargetInvocationException>(() => property.SetValue(bir, value, null), property.Name);
                Assert.IsInstanceOf<ObjectDisposedException>(set.InnerException, property.Name);
            }
            Assert.Throws<ObjectDisposedException>(() => bir.Encode());
            Assert.Throws<ObjectDisposedException>(() => bir.ToArray());
            Assert.Throws<ObjectDisposedException>(() => bir.Clone());
            Assert.Throws<ObjectDisposedException>(() => bir.CopyBiometricDataTo(new byte[100], 0));
            Assert.Throws<ObjectDisposedException>(() => bir.GetFields());
            Assert.Throws<ObjectDisposedException>(() => bir.IsPresent("BDBQuality"));
            Assert.Throws<ObjectDisposedException>(() => bir.GetHashCode());
            Assert.Throws<ObjectDisposedException>(() => bir.Equals(other));
            Assert.Throws<ObjectDisposedException>(() => other.Equals(bir));
            other.Dispose();
        }
    }
}
