using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Reflection;
using System.Text.Json;
using Xunit;

namespace BioapiData.Tests
{
    /// <summary>The shared table of values that no record can carry
    /// (tests/data/refused_values.json): every one that .NET can express is refused by its
    /// property's setter, naming the property, and the record keeps what it held.</summary>
    public class RefusedValueTests
    {
        private static readonly BirDateTime Date = new BirDateTime(2026, 3, 14, 9, 26, 53);

        public static IEnumerable<object[]> Rows()
        {
            using JsonDocument table = JsonDocument.Parse(File.ReadAllText(
                Path.Combine(Library.DataDir, "refused_values.json")));
            foreach (JsonElement row in table.RootElement.EnumerateArray())
            {
                yield return new object[] { row.GetProperty("field").GetString()!,
                    row.GetProperty("member").GetString()!, row.GetProperty("value").GetInt64() };
            }
        }

        // The value of a row as the property takes it; null where .NET cannot express it at
        // all (a validity period is built from a start and an end, nothing else).
        private static object? ValueOf(Type type, string member, long value)
        {
            Type plain = Nullable.GetUnderlyingType(type) ?? type;
            if (member.Length == 0)
            {
                return plain.IsEnum ? Enum.ToObject(plain, value) : Convert.ChangeType(value, plain);
            }
            if (member == "Type") return new RegistryId(0x0101, checked((ushort)value));
            if (member == "length")
            {
                return plain == typeof(byte[]) ? new byte[value] : null;
            }
            int[] m = { Date.Year, Date.Month, Date.Day, Date.Hour, Date.Minute, Date.Second };
            int at = Array.IndexOf(new[] { "tm_year", "tm_mon", "tm_mday", "tm_hour", "tm_min", "tm_sec" }, member);
            m[at] = checked((int)value);
            var date = new BirDateTime(m[0], m[1], m[2], m[3], m[4], m[5]);
            return plain == typeof(ValidityPeriod) ? new ValidityPeriod(date, Date) : date;
        }

        [Theory]
        [MemberData(nameof(Rows))]
        public void EveryRefusedValueIsRefusedNamingTheProperty(string field, string member, long value)
        {
            PropertyInfo property = typeof(Bir).GetProperty(field)!;
            object? refused = ValueOf(property.PropertyType, member, value);
            if (refused == null) return;  // not expressible in .NET's types
            using var bir = new Bir(Library.Record("full_record.bir"));
            byte[] before = bir.Encode();
            var thrown = Assert.Throws<TargetInvocationException>(() => property.SetValue(bir, refused));
            var refusal = Assert.IsType<ArgumentOutOfRangeException>(thrown.InnerException);
            Assert.Equal(field, refusal.ParamName);
            Assert.Equal(before, bir.Encode());
        }
    }
}
