using System;
using System.Collections.Generic;
using System.Linq;
using System.Reflection;
using Xunit;

namespace BioapiData.Tests
{
    public class ErrorTests
    {
        [Fact]
        public void EveryCutOfARecordIsRejectedWithTheLibrarysError()
        {
            byte[] bytes = Library.Record("full_record.bir");
            for (int size = 0; size < bytes.Length; size++)
            {
                var e = Assert.Throws<BioApiException>(() => new Bir(bytes, 0, size));
                Assert.Equal(BioApiErrorCode.InvalidData, e.Code);
                Assert.Equal(Facility.Unit, e.Facility);
                Assert.StartsWith("BioAPI Error: Invalid Data. (Source: Unit). rejected at offset ", e.Message);
                Assert.True(e.Field != null, "size " + size);
                var fromSpan = Assert.Throws<BioApiException>(() => new Bir(bytes.AsSpan(0, size)));
                Assert.Equal(e.Message, fromSpan.Message);
            }
        }

        [Fact]
        public void DecodeArgumentsAreChecked()
        {
            byte[] bytes = Library.Record("minimal.bir");
            Assert.Equal("data", Assert.Throws<ArgumentNullException>(() => new Bir((byte[])null!)).ParamName);
            Assert.Equal("data", Assert.Throws<ArgumentNullException>(() => new Bir(null!, 0, 0)).ParamName);
            Assert.Equal("offset", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, -1, 1)).ParamName);
            Assert.Equal("offset", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, bytes.Length + 1, 0)).ParamName);
            Assert.Equal("count", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, 1, bytes.Length)).ParamName);
            Assert.Equal("count", Assert.Throws<ArgumentOutOfRangeException>(() => new Bir(bytes, 0, -1)).ParamName);
            Assert.Throws<BioApiException>(() => new Bir(bytes, bytes.Length, 0));
            Assert.Throws<BioApiException>(() => new Bir(ReadOnlySpan<byte>.Empty));
        }

        // A value that the record cannot carry: the setter refuses it, naming the property,
        // and the field keeps its value.
        public static readonly TheoryData<string, object> OutOfRange = new TheoryData<string, object> {
            { "BDBQuality", 256 },
            { "BDBQuality", -1 },
            { "HeaderVersion", 0x31 },
            { "HeaderRevision", int.MinValue },
            { "RecordFormat", new RegistryId(0x0101, 0x0008) },
            { "BDBPurpose", (Purpose)300 },
            { "BDBPurpose", (Purpose)(-1) },
            { "BDBProcessedLevel", (ProcessedLevel)0x100 },
            { "BDBBiometricSubtype", (BiometricSubtype)256 },
            { "OctetString1", new byte[32768] },
            { "OctetString6", new byte[70000] },
            { "BDBCreationDate", (BirDateTime?)new BirDateTime(32768, 1, 1, 0, 0, 0) },
            { "BIRCreationDate", (BirDateTime?)new BirDateTime(2026, 256, 1, 0, 0, 0) },
            { "BIRCreationDate", (BirDateTime?)new BirDateTime(2026, 1, 1, 0, 0, -1) },
            { "BDBValidityPeriod", new ValidityPeriod(new BirDateTime(2026, 1, 1, 0, 0, 0), new BirDateTime(2026, 1, 1, 256, 0, 0)) },
            { "BIRValidityPeriod", new ValidityPeriod(new BirDateTime(-32769, 1, 1, 0, 0, 0), new BirDateTime(2026, 1, 1, 0, 0, 0)) },
        };

        [Theory, MemberData(nameof(OutOfRange))]
        public void ValueTheRecordCannotCarryIsRefusedAndTheFieldKeepsItsValue(string name, object value)
        {
            PropertyInfo property = typeof(Bir).GetProperty(name)!;
            using var bir = new Bir(Library.Record("full_record.bir"));
            byte[] before = bir.Encode();
            object? old = property.GetValue(bir, null);
            var e = Assert.Throws<TargetInvocationException>(() => property.SetValue(bir, value, null));
            var refusal = Assert.IsType<ArgumentOutOfRangeException>(e.InnerException);
            Assert.Equal(name, refusal.ParamName);
            Assert.Contains(name, refusal.Message);
            Assert.Equal(old, property.GetValue(bir, null));
            Assert.Equal(before, bir.Encode());
        }

        [Fact]
        public void ConstantsThatNoRecordCarriesAreReadOnly()
        {
            foreach (string name in new[] { "NativeFormatOwner", "NativeFormatType", "FixedWord3", "FixedWord4" })
            {
                Assert.False(typeof(Bir).GetProperty(name)!.CanWrite, name);
            }
        }

        [Fact]
        public void NullByteStringIsRefused()
        {
            using var bir = new Bir();
            Assert.Equal("SecurityBlock", Assert.Throws<ArgumentNullException>(() => bir.SecurityBlock = null!).ParamName);
        }

        [Fact]
        public void DateTimeHoldsWhatTheRecordHoldsAndConvertsOnlyRealDates()
        {
            var odd = new BirDateTime(2026, 13, 1, 0, 0, 0);
            using (var bir = new Bir())
            {
                bir.BIRCreationDate = odd;
                using var back = new Bir(bir.Encode());
                Assert.Equal(odd, back.BIRCreationDate);
            }
            var e = Assert.Throws<InvalidOperationException>(() => odd.ToDateTime());
            Assert.Contains("2026-13-01 00:00:00", e.Message);
            Assert.Contains("month", e.Message);
            Assert.False(new BirDateTime(2025, 2, 29, 0, 0, 0).TryToDateTime(out _));
            Assert.False(new BirDateTime(2026, 1, 1, 24, 0, 0).TryToDateTime(out _));
            Assert.Equal(new DateTime(2024, 2, 29, 23, 59, 59), new BirDateTime(2024, 2, 29, 23, 59, 59).ToDateTime());
            Assert.Equal(new BirDateTime(2026, 3, 14, 9, 26, 53), new BirDateTime(new DateTime(2026, 3, 14, 9, 26, 53, 999)));
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

        [Fact]
        public void EveryErrorCodeHasTheLibrarysMessageOfItsError()
        {
            FieldInfo[] codes = typeof(BioApiErrorCode).GetFields(BindingFlags.Public | BindingFlags.Static);
            Assert.Equal(CodeMessages.Keys.OrderBy(k => k), codes.Select(c => c.Name).OrderBy(k => k));
            foreach (FieldInfo code in codes)
            {
                Assert.Equal(CodeMessages[code.Name], BioApiException.MessageOf((int)code.GetValue(null)!));
            }
        }

        [Fact]
        public void ExceptionHasTheStandardConstructorsAndAnErrorHResult()
        {
            var e = new BioApiException(0x0100010B);
            Assert.Equal(Facility.BSP, e.Facility);
            Assert.Equal("BioAPI Error: Invalid Data. (Source: BSP).", e.Message);
            var inner = new InvalidOperationException("inner");
            foreach (BioApiException made in new[] {
                         new BioApiException(), new BioApiException("words"), new BioApiException("words", inner),
                         new BioApiException(BioApiErrorCode.InvalidData), e })
            {
                // An HRESULT with the severity bit set is a failure; the BioAPI code is in its
                // low bits, and Code gives it whole.
                Assert.True(made.HResult < 0, made.Message);
                Assert.Equal(made.Code, made.HResult & 0x1FFFFFFF);
                Assert.Null(made.Offset);
                Assert.Null(made.Field);
            }
            Assert.Equal(BioApiErrorCode.Internal, new BioApiException().Code);
            Assert.Equal("words", new BioApiException("words", inner).Message);
            Assert.Same(inner, new BioApiException("words", inner).InnerException);
        }

        [Fact]
        public void DisposedRecordRefusesUseButComparesHashesAndPrints()
        {
            var bir = new Bir(Library.Record("full_record.bir"));
            var other = new Bir();
            var twin = new Bir(Library.Record("full_record.bir"));
            var set = new HashSet<Bir> { bir };
            int hash = bir.GetHashCode();
            bir.Dispose();
            bir.Dispose();
            Assert.True(bir.IsDisposed);
            Assert.Contains("disposed", bir.ToString());
            foreach (PropertyInfo property in typeof(Bir).GetProperties(BindingFlags.Public | BindingFlags.Instance))
            {
                if (property.Name == "IsDisposed") continue;
                var get = Assert.Throws<TargetInvocationException>(() => property.GetValue(bir, null));
                Assert.IsType<ObjectDisposedException>(get.InnerException);
                if (!property.CanWrite) continue;
                object? value = property.GetValue(other, null);
                var set2 = Assert.Throws<TargetInvocationException>(() => property.SetValue(bir, value, null));
                Assert.IsType<ObjectDisposedException>(set2.InnerException);
            }
            Assert.Throws<ObjectDisposedException>(() => bir.Encode());
            Assert.Throws<ObjectDisposedException>(() => bir.TryEncode(new byte[100], out _));
            Assert.Throws<ObjectDisposedException>(() => bir.ToArray());
            Assert.Throws<ObjectDisposedException>(() => bir.Clone());
            Assert.Throws<ObjectDisposedException>(() => bir.CopyBiometricDataTo(new byte[100], 0));
            Assert.Throws<ObjectDisposedException>(() => bir.CopySecurityBlockTo(new byte[100].AsSpan()));
            Assert.Throws<ObjectDisposedException>(() => bir.GetFields());
            Assert.Throws<ObjectDisposedException>(() => bir.IsPresent("BDBQuality"));
            // A disposed record equals only itself, keeps its hash, and stays findable in a set.
            Assert.Equal(hash, bir.GetHashCode());
            Assert.True(bir.Equals(bir));
            Assert.False(bir.Equals(twin));
            Assert.False(twin.Equals(bir));
            Assert.False(other.Equals(bir));
            Assert.Contains(bir, set);
            Assert.DoesNotContain(twin, set);
            Assert.True(set.Remove(bir));
            other.Dispose();
            twin.Dispose();
        }
    }
}
