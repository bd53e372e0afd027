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
    /// drift apart; a field that the library names and this assembly lacks, or the reverse, or
    /// a property whose type is not the one of its field's kind, stops the type's
    /// initialisation with a message that names it.</summary>
    internal static class FieldTable
    {
        public static readonly FieldDescription[] All;
        public static readonly ReadOnlyCollection<string> Names;
        private static readonly Dictionary<string, FieldDescription> byName =
            new Dictionary<string, FieldDescription>(StringComparer.Ordinal);

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
                if (property.IsDefined(typeof(RecordFieldAttribute), false) && !byName.ContainsKey(property.Name))
                {
                    throw Mismatch("the library has no field " + property.Name);
                }
            }
            foreach (FieldDescription field in All)
            {
                PropertyInfo property = typeof(Bir).GetProperty(field.Name);
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
            }
        }

        // The type of the property that reads a field of this kind.
        private static Type PropertyTypeOf(FieldDescription field)
        {
            switch (field.Kind)
            {
                case NativeMethods.FieldKindInt: return typeof(int);
                case NativeMethods.FieldKindBool: return typeof(bool);
                case NativeMethods.FieldKindEnum: return field.EnumType;
                case NativeMethods.FieldKindRegistryId: return typeof(RegistryId);
                case NativeMethods.FieldKindBytes: return typeof(byte[]);
                case NativeMethods.FieldKindDateTime: return typeof(BirDateTime?);
                case NativeMethods.FieldKindPeriod: return typeof(ValidityPeriod);
                default: throw Mismatch("field " + field.Name + " has an unknown kind " + field.Kind);
            }
        }

        // The C# enumeration of the library's enumeration, found by its name in the library.
        private static Type EnumTypeOf(int enumeration, string field)
        {
            IntPtr name;
            UIntPtr count;
            if (NativeMethods.bioapi_enumeration_info(enumeration, out name, out count) == NativeMethods.Ok)
            {
                Type type = typeof(FieldTable).Assembly.GetType("BioapiData." + NativeMethods.Text(name));
                if (type != null && type.IsEnum && type.IsPublic) return type;
            }
            throw Mismatch("field " + field + " has enumeration " + enumeration + ", which this assembly lacks");
        }

        private static Exception Mismatch(string what)
        {
            return new InvalidOperationException("BioapiData does not fit the native bioapi_data library: " + what);
        }

        /// <summary>Returns the field named <paramref name="name"/>, whose property has the
        /// type of the field's kind (checked once above).</summary>
        public static FieldDescription Get(string name)
        {
            FieldDescription field;
            if (!byName.TryGetValue(name, out field))
            {
                throw Mismatch("the library has no field " + name);
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
