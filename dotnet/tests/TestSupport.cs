using System;
using System.Collections.Generic;
using System.IO;
using System.Runtime.InteropServices;
using System.Security.Cryptography;
using NUnit.Framework;

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
        private static extern int bioapi_enumeration_info(int enumeration, out IntPtr name, out UIntPtr count);

        [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
        private static extern int bioapi_enumerator(int enumeration, UIntPtr index, out IntPtr name, out int value);

        public const int KindInt = 1, KindBool = 2, KindEnum = 3, KindRegistryId = 4, KindBytes = 5,
                         KindDateTime = 6, KindPeriod = 7;

        public sealed class Field
        {
            public int Number;
            public string Name;
            public int Kind;
            public string Enumeration;
            public long MaxSize;
            public override string ToString() { return Name; }
        }

        public static List<Field> Fields()
        {
            var fields = new List<Field>();
            for (int number = 1;; number++)
            {
                IntPtr name;
                int kind, enumeration;
                UIntPtr maxSize;
                if (bioapi_bir_field_info(number, out name, out kind, out enumeration, out maxSize) != 0) break;
                fields.Add(new Field {
                    Number = number, Name = Marshal.PtrToStringAnsi(name), Kind = kind,
                    Enumeration = enumeration == 0 ? null : Enumeration(enumeration).Key,
                    MaxSize = (long)maxSize.ToUInt64(),
                });
            }
            return fields;
        }

        /// <summary>Returns an enumeration's name and its enumerators (name, value), in order.</summary>
        public static KeyValuePair<string, List<KeyValuePair<string, int>>> Enumeration(int number)
        {
            IntPtr name;
            UIntPtr count;
            if (bioapi_enumeration_info(number, out name, out count) != 0)
            {
                return new KeyValuePair<string, List<KeyValuePair<string, int>>>(null, null);
            }
            var members = new List<KeyValuePair<string, int>>();
            for (ulong i = 0; i < count.ToUInt64(); i++)
            {
                IntPtr member;
                int value;
                Assert.AreEqual(0, bioapi_enumerator(number, (UIntPtr)i, out member, out value));
                members.Add(new KeyValuePair<string, int>(Marshal.PtrToStringAnsi(member), value));
            }
            return new KeyValuePair<string, List<KeyValuePair<string, int>>>(Marshal.PtrToStringAnsi(name), members);
        }

        public static string DataDir
        {
            get
            {
                string dir = Environment.GetEnvironmentVariable("BIOAPI_DATA_TEST_DATA_DIR");
                if (string.IsNullOrEmpty(dir)) Assert.Fail("BIOAPI_DATA_TEST_DATA_DIR is not set");
                return dir;
            }
        }

        public static byte[] Record(string name)
        {
            return File.ReadAllBytes(Path.Combine(DataDir, name));
        }

        public static IEnumerable<string> GoldenRecords()
        {
            foreach (string path in Directory.GetFiles(DataDir, "*.bir")) yield return Path.GetFileName(path);
        }
    }

    /// <summary>Records which assembly the tests ran, for the package check.</summary>
    [SetUpFixture]
    public class TestedAssembly
    {
        [SetUp]
        public void Record()
        {
            string target = Environment.GetEnvironmentVariable("BIOAPI_DATA_DOTNET_TESTED");
            if (string.IsNullOrEmpty(target)) return;
            string path = typeof(Bir).Assembly.Location;
            string hash;
            using (var sha = SHA256.Create())
            using (var stream = File.OpenRead(path))
            {
                hash = BitConverter.ToString(sha.ComputeHash(stream)).Replace("-", "").ToLowerInvariant();
            }
            File.WriteAllText(target, hash + "  " + path + "\n");
        }
    }
}
