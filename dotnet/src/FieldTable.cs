using System;
using System.Collections.Generic;
using System.Collections.ObjectModel;
using System.Globalization;
using System.Reflection;

namespace BioapiData
{
    /// <summary>The native library that this assembly calls.</summary>
    public static class BioApiLibrary
    {
        private static readonly Version version = Load();

        /// <summary>The version of the loaded native library (bioapi_version).</summary>
        /// <exception cref="TypeInitializationException">The library cannot be loaded, or has
        /// another major version than this assembly, or an older one.</exception>
        public static Version Version { get { return version; } }

        private static Version Load()
        {
            int number = NativeMethods.bioapi_version();
            var found = new Version(number / 10000, number / 100 % 100, number % 100);
            Version mine = typeof(BioApiLibrary).Assembly.GetName().Version;
            if (found.Major != mine.Major || found < new Version(mine.Major, mine.Minor, mine.Build))
            {
                throw new InvalidOperationException(string.Format(CultureInfo.InvariantCulture,
                    "BioapiData {0}.{1}.{2} needs the native bioapi_data library {0}.{1}.{2} or a later " +
                    "{0}.x; the one loaded is {3}", mine.Major, mine.Minor, mine.Build, found));
            }
            return found;
        }

        /// <summary>Checks once that the library loads and fits this assembly.</summary>
        internal static void EnsureCompatible()
        {
            GC.KeepAlive(version);
        }
    }

    /// <summary>One field of a record, as the library's field table describes it.</summary>
    internal sealed class FieldDescription
    {
        public int Number;
        public string Name;
        public int Kind;
        public Type EnumType;  // the C# enumeration of an enumerated field, else null
        public long MaxSize;   // most bytes of a byte string in a record, else 0
    }

    /// <summary>The library's table of fields (bioapi_bir_field_info), read once. Every property
    /// of <see cref="Bir"/> finds its field number here by its own name, so that the two cannot
    /// drift apart; a field that the library names and this assembly lacks, or the reverse,
    /// stops the type's initialisation with a message that names it.</summary>
    internal static class FieldTable
    {
        public static readonly FieldDescription[] All;
        public static readonly ReadOnlyCollection<string> Names;
        private static readonly Dictionary<string, FieldDescription> byName =
            new Dictionary<string, FieldDescription>(StringComparer.Ordinal);

        private static readonly Type[] enumTypes = {
            typeof(BiometricType), typeof(BiometricSubtype), typeof(ProcessedLevel),
            typeof(Purpose), typeof(Facility),
        };

        static FieldTable()
        {
            BioApiLibrary.EnsureCompatible();
            var fields = new List<FieldDescription>();
            for (int number = 1;; number++)
            {
                IntPtr name;
                int kind, enumeration;
                UIntPtr maxSize;
                if (NativeMethods.bioapi_bir_field_info(number, out name, out kind, out enumeration,
                        out maxSize) != NativeMethods.Ok)
                {
                    break;
                }
                var field = new FieldDescription {
                    Number = number, Name = NativeMethods.Text(name), Kind = kind,
                    MaxSize = (long)maxSize.ToUInt64(),
                };
                if (kind == NativeMethods.FieldKindEnum) field.EnumType = EnumTypeOf(enumeration, field.Name);
                fields.Add(field);
                byName.Add(field.Name, field);
            }
            All = fields.ToArray();
            Names = new ReadOnlyCollection<string>(fields.ConvertAll(f => f.Name));
            foreach (PropertyInfo property in typeof(Bir).GetProperties(BindingFlags.Public | BindingFlags.Instance))
            {
                if (property.GetCustomAttributes(typeof(RecordFieldAttribute), false).Length != 0 &&
                    !byName.ContainsKey(property.Name))
                {
                    throw Mismatch("the library has no field " + property.Name);
                }
            }
            foreach (FieldDescription field in All)
            {
                PropertyInfo property = typeof(Bir).GetProperty(field.Name);
                if (property == null || property.GetCustomAttributes(typeof(RecordFieldAttribute), false).Length == 0)
                {
                    throw Mismatch("Bir has no property for the library's field " + field.Name);
                }
            }
        }

        private static Type EnumTypeOf(int enumeration, string field)
        {
            IntPtr name;
            UIntPtr count;
            if (NativeMethods.bioapi_enumeration_info(enumeration, out name, out count) == NativeMethods.Ok)
            {
                string text = NativeMethods.Text(name);
                foreach (Type type in enumTypes)
                {
                    if (type.Name == text) return type;
                }
            }
            throw Mismatch("field " + field + " has enumeration " + enumeration + ", which this assembly lacks");
        }

        private static Exception Mismatch(string what)
        {
            return new InvalidOperationException("BioapiData does not fit the native bioapi_data library: " + what);
        }

        /// <summary>Returns the field named <paramref name="name"/>, which has kind <paramref name="kind"/>.</summary>
        public static FieldDescription Get(string name, int kind)
        {
            FieldDescription field;
            if (!byName.TryGetValue(name, out field))
            {
                throw Mismatch("the library has no field " + name);
            }
            if (field.Kind != kind)
            {
                throw Mismatch(string.Format(CultureInfo.InvariantCulture,
                    "field {0} has kind {1}, Bir reads it as kind {2}", name, field.Kind, kind));
            }
            return field;
        }

        /// <summary>Returns the enumerated field named <paramref name="name"/>, whose values are
        /// those of <paramref name="type"/>.</summary>
        public static FieldDescription GetEnum(string name, Type type)
        {
            FieldDescription field = Get(name, NativeMethods.FieldKindEnum);
            if (field.EnumType != type)
            {
                throw Mismatch("field " + name + " has enumeration " + field.EnumType.Name + ", Bir reads it as " + type.Name);
            }
            return field;
        }

        /// <summary>Returns the field named <paramref name="name"/>, or null.</summary>
        public static FieldDescription Find(string name)
        {
            FieldDescription field;
            return name != null && byName.TryGetValue(name, out field) ? field : null;
        }
    }

    /// <summary>Marks a property of <see cref="Bir"/> that is a field of the record model.</summary>
    [AttributeUsage(AttributeTargets.Property)]
    internal sealed class RecordFieldAttribute : Attribute
    {
    }
}
