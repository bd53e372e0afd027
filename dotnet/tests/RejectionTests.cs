using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Runtime.InteropServices;
using System.Text.Json;
using Xunit;

namespace BioapiData.Tests
{
    public class RejectionTests
    {
        // The shared table of damaged records: name, offset, field, check, reason and hex bytes.
        public static IEnumerable<object[]> DamagedRecords()
        {
            using JsonDocument table = JsonDocument.Parse(File.ReadAllText(Path.Combine(Library.DataDir, "damaged_records.json")));
            var rows = table.RootElement.EnumerateArray().Select(row => new object[] {
                row.GetProperty("name").GetString()!, row.GetProperty("offset").GetInt64(),
                row.GetProperty("field").GetString()!, row.GetProperty("check").GetString()!,
                row.GetProperty("reason").GetString()!, Convert.FromHexString(row.GetProperty("hex").GetString()!),
            }).ToList();
            Assert.NotEmpty(rows);
            return rows;
        }

        [Theory, MemberData(nameof(DamagedRecords))]
        public void RejectedRecordSaysWhereAndWhy(string name, long offset, string field, string check, string reason, byte[] bytes)
        {
            // Decoded from the middle of a larger array: the offset counts from the record.
            var padded = new byte[bytes.Length + 5];
            Buffer.BlockCopy(bytes, 0, padded, 2, bytes.Length);
            foreach (Func<Bir> decode in new Func<Bir>[] {
                         () => new Bir(padded, 2, bytes.Length), () => new Bir(padded.AsSpan(2, bytes.Length)) })
            {
                var e = Assert.Throws<BioApiException>(decode);
                Assert.Equal(BioApiErrorCode.InvalidData, e.Code);
                Assert.Equal(Facility.Unit, e.Facility);
                Assert.Equal(offset, e.Offset);
                Assert.Equal(field, e.Field);
                Assert.Equal(check, e.Check);
                Assert.Equal(reason, e.Reason);
                Assert.Equal("BioAPI Error: Invalid Data. (Source: Unit). " + reason, e.Message);
            }
            Assert.NotNull(name);
        }

        [Fact]
        public void TheRejectionStructureIsTheCOne()
        {
            // Fixed-width members only: the same layout on every platform.
            Assert.Equal(328, Marshal.SizeOf<NativeDecodeRejection>());
            Assert.Equal(40, (int)Marshal.OffsetOf<NativeDecodeRejection>(nameof(NativeDecodeRejection.PartName)));
            Assert.Equal(136, (int)Marshal.OffsetOf<NativeDecodeRejection>(nameof(NativeDecodeRejection.Reason)));
        }

        [Fact]
        public void OtherErrorsHaveNoReason()
        {
            var e = new BioApiException(BioApiErrorCode.InvalidData);
            Assert.Null(e.Offset);
            Assert.Null(e.Field);
            Assert.Null(e.Check);
            Assert.Equal("BioAPI Error: Invalid Data. (Source: Unit).", e.Message);
        }
    }
}
