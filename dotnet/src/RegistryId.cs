using System;
using System.Globalization;

namespace BioapiData
{
    /// <summary>A registered identifier: the owner that registered an item, then the item,
    /// each a 16-bit code as a record carries it (0x0000 to 0xFFFF). <c>default(RegistryId)</c>
    /// is 0/0.</summary>
    [Serializable]
    public readonly struct RegistryId : IEquatable<RegistryId>
    {
        /// <summary>Makes an identifier of <paramref name="owner"/> and <paramref name="type"/>.</summary>
        public RegistryId(ushort owner, ushort type)
        {
            Owner = owner;
            Type = type;
        }

        /// <summary>Code of the registering organisation.</summary>
        public ushort Owner { get; }

        /// <summary>Code of the item registered under that owner.</summary>
        public ushort Type { get; }

        /// <summary>Returns true when both halves are equal.</summary>
        public bool Equals(RegistryId other)
        {
            return Owner == other.Owner && Type == other.Type;
        }

        /// <summary>Returns true when <paramref name="obj"/> is an equal <see cref="RegistryId"/>.</summary>
        public override bool Equals(object? obj)
        {
            return obj is RegistryId other && Equals(other);
        }

        /// <summary>Returns a hash of both halves.</summary>
        public override int GetHashCode()
        {
            return (Owner << 16) | Type;
        }

        /// <summary>Returns true when both halves are equal.</summary>
        public static bool operator ==(RegistryId left, RegistryId right) { return left.Equals(right); }

        /// <summary>Returns true when either half differs.</summary>
        public static bool operator !=(RegistryId left, RegistryId right) { return !left.Equals(right); }

        /// <summary>Returns "0xOOOO/0xTTTT", as <c>bir dump</c> shows an identifier.</summary>
        public override string ToString()
        {
            return string.Format(CultureInfo.InvariantCulture, "0x{0:X4}/0x{1:X4}", Owner, Type);
        }
    }
}
