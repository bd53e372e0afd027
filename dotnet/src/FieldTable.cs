using System;
using System.Collections.Generic;
using System.Collections.ObjectModel;
using System.Globalization;
using System.IO;
using System.Reflection;
using System.Runtime.InteropServices;

namespace BioapiData
{
    /// <summary>The native library that this assembly calls.</summary>
    public static class BioApiLibrary
    {
        private static readonly object loadGate = new object();
        private static volatile bool loaded;
        private static Version? version;

        /// <summary>The version of the loaded native library (bioapi_version).</summary>
        /// <exception cref="DllNotFoundException">The native library cannot be loaded; the
        /// message names it and where it was looked for. A later call tries again.</exception>
        /// <exception cref="InvalidOperationException">The library has another major version than
        /// this assembly, or an older one, or its tables differ from this assembly's.</exception>
        public static Version Version
        {
            get
            {
                EnsureLoaded();
                return version!;
            }
        }

        /// <summary>Loads the library, checks that it fits this assembly and reads its field
        /// table, once; a failure is thrown to the caller and the next call tries again (the
        /// library may have been put in place meanwhile).</summary>
        internal static void EnsureLoaded()
        {
            if (!loaded) Load();
        }

        private static void Load()
        {
            lock (loadGate)
            {
                if (loaded) return;
                int number;
                try
                {
                    number = NativeMethods.bioapi_version();
                }
                catch (DllNotFoundException e)
                {
                    throw new DllNotFoundException(NotFound(e), e);
                }
                catch (BadImageFormatException e)
                {
                    throw new DllNotFoundException(NotFound(e), e);
                }
                var found = new Version(number / 10000, number / 100 % 100, number % 100);
                Version mine = typeof(BioApiLibrary).Assembly.GetName().Version ?? new Version(0, 0, 0);
                if (found.Major != mine.Major || found < new Version(mine.Major, mine.Minor, mine.Build))
                {
                    throw new InvalidOperationException(string.Format(CultureInfo.InvariantCulture,
                        "BioapiData {0}.{1}.{2} needs the native bioapi_data library {0}.{1}.{2} or a later " +
                        "{0}.x; the one loaded is {3}", mine.Major, mine.Minor, mine.Build, found));
                }
                EnumerationTable.Check();
                FieldTable.Read();
                version = found;
                loaded = true;
            }
        }

        // Names the library, the file it has on this system, and where the runtime looks.
        private static string NotFound(Exception e)
        {
            string file = RuntimeInformation.IsOSPlatform(OSPlatform.Windows) ? "bioapi_data.dll"
                : RuntimeInformation.IsOSPlatform(OSPlatform.OSX) ? "libbioapi_data.dylib"
                : "libbioapi_data.so";
            string here = Path.GetDirectoryName(typeof(BioApiLibrary).Assembly.Location) ?? "";
            return string.Format(CultureInfo.InvariantCulture,
                "BioapiData cannot load its native library bioapi_data ({0} on this system, {1}). " +
                "It looks in the folder of the application and of BioapiData.dll ({2}), in the " +
                "runtimes/<rid>/native folders of the BioapiData package that the application's " +
                "deps.json lists (the package carries linux-x64 and win-x64), then on the system's " +
                "library search path ({3}). The loader said: {4}",
                file, RuntimeInformation.ProcessArchitecture, here,
                RuntimeInformation.IsOSPlatform(OSPlatform.Windows) ? "PATH" : "LD_LIBRARY_PATH and the system folders",
                e.Message);
        }
    }

    /// <summary>The enumerations of this assembly against the library's (bioapi_enumerator):
    /// the same names with the same values, or the library does not fit.</summary>
    internal static class EnumerationTable
    {
        private static readonly Dictionary<string, Type> types = new Dictionary<string, Type>(StringComparer.Ordinal) {
            { nameof(BiometricType), typeof(BiometricType) },
            { nameof(BiometricSubtype), typeof(BiometricSubtype) },
            { nameof(ProcessedLevel), typeof(ProcessedLevel) },
            { nameof(Purpose), typeof(Purpose) },
            { nameof(Facility), typeof(Facility) },
        };
        private static readonly Dictionary<int, Type> byNumber = new Dictionary<int, Type>();

        public static void Check()
        {
            var seen = new HashSet<string>(StringComparer.Ordinal);
            for (int number = 1;; number++)
            {
                if (NativeMethods.bioapi_enumeration_info(number, out IntPtr namePointer, out UIntPtr count) !=
                    NativeMethods.Ok)
                {
                    break;
                }
                string name = NativeMethods.Text(namePointer) ?? "";
                if (!types.TryGetValue(name, out Type? type))
                {
                    throw FieldTable.Mismatch("this assembly has no enumeration " + name);
                }
                var library = new Dictionary<string, int>(StringComparer.Ordinal);
                for (ulong i = 0; i < count.ToUInt64(); i++)
                {
                    NativeMethods.bioapi_enumerator(number, (UIntPtr)i, out IntPtr member, out int value);
                    library[NativeMethods.Text(member) ?? ""] = value;
                }
                var mine = new Dictionary<string, int>(StringComparer.Ordinal);
                foreach (string member in Enum.GetNames(type))
                {
                    mine[member] = Convert.ToInt32(Enum.Parse(type, member), CultureInfo.InvariantCulture);
                }
                foreach (KeyValuePair<string, int> member in library)
                {
                    if (!mine.TryGetValue(member.Key, out int value) || value != member.Value)
                    {
                        throw FieldTable.Mismatch(string.Format(CultureInfo.InvariantCulture,
                            "{0}.{1} is 0x{2:X} in the library and {3} here", name, member.Key, member.Value,
                            mine.ContainsKey(member.Key) ? "0x" + value.ToString("X", CultureInfo.InvariantCulture) : "missing"));
                    }
                }
                foreach (string member in mine.Keys)
                {
                    if (!library.ContainsKey(member))
                    {
                        throw FieldTable.Mismatch(name + "." + member + " is not in the library");
                    }
                }
                byNumber[number] = type;
                seen.Add(name);
            }
            foreach (string name in types.Keys)
            {
                if (!seen.Contains(name)) throw FieldTable.Mismatch("the library has no enumeration " + name);
            }
        }

        /// <summary>Returns the C# enumeration of the library's enumeration number.</summary>
        public static Type? Of(int number)
        {
            return byNumber.TryGetValue(number, out Type? type) ? type : null;
        }
    }

    /// <summary>One field of a record, as the library's field table describes it.</summary>
    internal sealed class FieldDescription
    {
        public FieldDescription(int number, string name, int kind)
        {
            Number = number;
            Name = name;
            Kind = kind;
        }

        public int Number { get; }
        public string Name { get; }
        public int Kind { get; }
        public Type? EnumType { get; set; }  // the C# enumeration of an enumerated field
        public long MaxSize { get; set; }    // most bytes of a byte string in a record, else 0
        public NativeFieldLimits Limits;     // what the record carries (bioapi_bir_field_limits)
        public int Slot { get; set; }        // its first slot in bioapi_bir_values
        public bool Carried { get { return Limits.Carried != 0; } }
    }

    /// <summary>The library's table of fields (bioapi_bir_field_info and
    /// bioapi_bir_field_limits), read once when the library loads. Every property of
    /// <see cref="Bir"/> finds its field here by its own name, so that the two cannot drift
    /// apart; a field that the library names and this assembly lacks, or the reverse, or a
    /// property whose type is not the one of its field's kind, or that can be set although the
    /// record does not carry its field, stops the load with a message that names it.</summary>
    internal static class FieldTable
    {
        private static FieldDescription[] all = new FieldDescription[0];
        private static ReadOnlyCollection<string> names = new ReadOnlyCollection<string>(new string[0]);
        private static Dictionary<string, FieldDescription> byName =
            new Dictionary<string, FieldDescription>(StringComparer.Ordinal);

        public static FieldDescription[] All
        {
            get
            {
                BioApiLibrary.EnsureLoaded();
                return all;
            }
        }

        public static ReadOnlyCollection<string> Names
        {
            get
            {
                BioApiLibrary.EnsureLoaded();
                return names;
            }
        }

        // Called once, under the library's load lock.
        internal static void Read()
        {
            var fields = new List<FieldDescription>();
            var found = new Dictionary<string, FieldDescription>(StringComparer.Ordinal);
            int slot = 0;
            for (int number = 1;; number++)
            {
                if (NativeMethods.bioapi_bir_field_info(number, out IntPtr name, out int kind, out int enumeration,
                        out UIntPtr maxSize) != NativeMethods.Ok)
                {
                    break;
                }
                var field = new FieldDescription(number, NativeMethods.Text(name) ?? "", kind) {
                    MaxSize = (long)maxSize.ToUInt64(), Slot = slot,
                };
                slot += SlotsOf(kind);
                if (slot > NativeValues.SlotCount) throw Mismatch("the library's fields take more value slots than it has");
                field.Limits.StructSize = NativeFieldLimits.Size;
                if (NativeMethods.bioapi_bir_field_limits(number, ref field.Limits) != NativeMethods.Ok)
                {
                    throw Mismatch("the library gives no limits of field " + field.Name);
                }
                if (kind == NativeMethods.FieldKindEnum)
                {
                    field.EnumType = EnumerationTable.Of(enumeration) ??
                        throw Mismatch("field " + field.Name + " has enumeration " + enumeration + ", which this assembly lacks");
                }
                fields.Add(field);
                found.Add(field.Name, field);
            }
            foreach (PropertyInfo property in typeof(Bir).GetProperties(BindingFlags.Public | BindingFlags.Instance))
            {
                if (property.IsDefined(typeof(RecordFieldAttribute), false) && !found.ContainsKey(property.Name))
                {
                    throw Mismatch("the library has no field " + property.Name);
                }
            }
            foreach (FieldDescription field in fields)
            {
                PropertyInfo? property = typeof(Bir).GetProperty(field.Name);
                if (property == null || !property.IsDefined(typeof(RecordFieldAttribute), false))
                {
                    throw Mismatch("Bir has no property for the library's field " + field.Name);
                }
                Type type = PropertyTypeOf(field);
                if (property.PropertyType != type)
                {
                    throw Mismatch(string.Format(CultureInfo.InvariantCulture,
                        "field {0} has kind {1}, read as {2}; Bir's property is {3}",
                        field.Name, field.Kind, type, property.PropertyType));
                }
                if (property.CanWrite != field.Carried)
                {
                    throw Mismatch("field " + field.Name + (field.Carried
                        ? " is carried by a record, but its property is read-only"
                        : " is a constant that no record carries, but its property can be set"));
                }
            }
            all = fields.ToArray();
            names = new ReadOnlyCollection<string>(fields.ConvertAll(f => f.Name));
            byName = found;
        }

        // The slots of bioapi_bir_values that a field of this kind takes (BIOAPI_VALUE_SLOTS_).
        private static int SlotsOf(int kind)
        {
            switch (kind)
            {
                case NativeMethods.FieldKindRegistryId: return 2;
                case NativeMethods.FieldKindDateTime: return 9;
                case NativeMethods.FieldKindPeriod: return 19;
                default: return 1;
            }
        }

        // The type of the property that reads a field of this kind.
        private static Type PropertyTypeOf(FieldDescription field)
        {
            switch (field.Kind)
            {
                case NativeMethods.FieldKindInt: return typeof(int);
                case NativeMethods.FieldKindBool: return typeof(bool);
                case NativeMethods.FieldKindEnum: return field.EnumType!;
                case NativeMethods.FieldKindRegistryId: return typeof(RegistryId);
                case NativeMethods.FieldKindBytes: return typeof(byte[]);
                case NativeMethods.FieldKindDateTime: return typeof(BirDateTime?);
                case NativeMethods.FieldKindPeriod: return typeof(ValidityPeriod);
                default: throw Mismatch("field " + field.Name + " has an unknown kind " + field.Kind);
            }
        }

        internal static Exception Mismatch(string what)
        {
            return new InvalidOperationException("BioapiData does not fit the native bioapi_data library: " + what);
        }

        /// <summary>Returns the field named <paramref name="name"/>, whose property has the
        /// type of the field's kind (checked when the library loaded).</summary>
        public static FieldDescription Get(string name)
        {
            BioApiLibrary.EnsureLoaded();
            return byName.TryGetValue(name, out FieldDescription? field) ? field : throw Mismatch("the library has no field " + name);
        }

        /// <summary>Returns the field named <paramref name="name"/>, or null.</summary>
        public static FieldDescription? Find(string? name)
        {
            BioApiLibrary.EnsureLoaded();
            return name != null && byName.TryGetValue(name, out FieldDescription? field) ? field : null;
        }
    }

    /// <summary>Marks a property of <see cref="Bir"/> that is a field of the record model.</summary>
    [AttributeUsage(AttributeTargets.Property)]
    internal sealed class RecordFieldAttribute : Attribute
    {
    }
}
