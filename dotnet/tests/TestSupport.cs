using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Runtime.InteropServices;
using Xunit;

namespace BioapiData.Tests
{
    /// <summary>The library's own tables, read through the C interface independently of the
    /// assembly under test, and where the test data lie.</summary>
    internal static class Library
    {
        [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
        private static extern int bioapi_bir_field_info(int field, out IntPtr name, out int kind,
            out int enumeration, out UIntPtr maxSize);

        [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
        private static extern int bioapi_bir_field_limits(int field, ref Limits limits);

        [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
        private static extern int bioapi_enumeration_info(int enumeration, out IntPtr name, out UIntPtr count);

        [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
        private static extern int bioapi_enumerator(int enumeration, UIntPtr index, out IntPtr name, out int value);

        public const int KindInt = 1, KindBool = 2, KindEnum = 3, KindRegistryId = 4, KindBytes = 5,
                         KindDateTime = 6, KindPeriod = 7;

        [StructLayout(LayoutKind.Sequential)]
        public struct Limits
        {
            public uint StructSize;
            public int Carried;
            public long Min, Max;
            public int OwnerMin, OwnerMax, TypeMin, TypeMax, PeriodLength, Reserved;
        }

        public sealed class Field
        {
            public int Number;
            public string Name = "";
            public int Kind;
            public string? Enumeration;
            public long MaxSize;
            public Limits Limits;
            public override string ToString() { return Name; }
        }

        public static List<Field> Fields()
        {
            var fields = new List<Field>();
            for (int number = 1;; number++)
            {
                if (bioapi_bir_field_info(number, out IntPtr name, out int kind, out int enumeration,
                        out UIntPtr maxSize) != 0)
                {
                    break;
                }
                var limits = new Limits { StructSize = (uint)Marshal.SizeOf<Limits>() };
                Assert.Equal(0, bioapi_bir_field_limits(number, ref limits));
                fields.Add(new Field {
                    Number = number, Name = Marshal.PtrToStringAnsi(name)!, Kind = kind,
                    Enumeration = enumeration == 0 ? null : Enumeration(enumeration).Key,
                    MaxSize = (long)maxSize.ToUInt64(), Limits = limits,
                });
            }
            return fields;
        }

        /// <summary>Returns an enumeration's name and its enumerators (name, value), in order.</summary>
        public static KeyValuePair<string?, List<KeyValuePair<string, int>>> Enumeration(int number)
        {
            var members = new List<KeyValuePair<string, int>>();
            if (bioapi_enumeration_info(number, out IntPtr name, out UIntPtr count) != 0)
            {
                return new KeyValuePair<string?, List<KeyValuePair<string, int>>>(null, members);
            }
            for (ulong i = 0; i < count.ToUInt64(); i++)
            {
                Assert.Equal(0, bioapi_enumerator(number, (UIntPtr)i, out IntPtr member, out int value));
                members.Add(new KeyValuePair<string, int>(Marshal.PtrToStringAnsi(member)!, value));
            }
            return new KeyValuePair<string?, List<KeyValuePair<string, int>>>(Marshal.PtrToStringAnsi(name), members);
        }

        public static string DataDir
        {
            get
            {
                string? dir = Environment.GetEnvironmentVariable("BIOAPI_DATA_TEST_DATA_DIR");
                if (string.IsNullOrEmpty(dir))
                {
                    // dotnet test by hand: the data of the source tree above the build folder.
                    for (string? at = AppContext.BaseDirectory; at != null; at = Path.GetDirectoryName(at))
                    {
                        string candidate = Path.Combine(at, "tests", "data", "full_record.bir");
                        if (File.Exists(candidate)) return Path.GetDirectoryName(candidate)!;
                    }
                    Assert.Fail("BIOAPI_DATA_TEST_DATA_DIR is not set and no tests/data lies above " + AppContext.BaseDirectory);
                }
                return dir!;
            }
        }

        public static byte[] Record(string name)
        {
            return File.ReadAllBytes(Path.Combine(DataDir, name));
        }

        public static IEnumerable<object[]> GoldenRecords()
        {
            return Directory.GetFiles(DataDir, "*.bir").Select(p => new object[] { Path.GetFileName(p) });
        }
    }
}
