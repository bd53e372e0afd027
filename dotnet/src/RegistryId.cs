using System;
using System.Globalization;

namespace BioapiData
{
    /// <summary>A registered identifier: the owner that registered an item, then the item,
    /// each a signed 16-bit number as a record carries it. <c>default(RegistryId)</c> is 0/0.</summary>
    [Serializable]
    public struct RegistryId : IEquatable<RegistryId>
    {
        private readonly short owner;
        private readonly short type;

        /// <summary>Makes an identifier of <paramref name="owner"/> and <paramref name="type"/>.</summary>
        public RegistryId(short owner, short type)
        {
            this.owner = owner;
            this.type = type;
        }

        /// <summary>Code of the registering organisation.</summary>
        public short Owner { get { return owner; } }

        /// <summary>Code of the item registered under that owner.</summary>
        public short Type { get { return type; } }

        /// <summary>Returns true when both halves are equal.</summary>
        public bool Equals(RegistryId other)
        {
            return owner == other.owner && type == other.type;
        }

        /// <summary>Returns true when <paramref name="obj"/> is an equal <see cref="RegistryId"/>.</summary>
        public override bool Equals(object obj)
        {
            return obj is RegistryId && Equals((RegistryId)obj);
        }

        /// <summary>Returns a hash of both halves.</summary>
        public override int GetHashCode()
        {
            return ((ushort)owner << 16) | (ushort)type;
        }

        /// <summary>Returns true when both halves are equal.</summary>
        public static bool operator ==(RegistryId a, RegistryId b) { return a.Equals(b); }

        /// <summary>Returns true when either half differs.</summary>
        public static bool operator !=(RegistryId a, RegistryId b) { return !a.Equals(b); }

        /// <summary>Returns "0xOOOO/0xTTTT", as <c>bir dump</c> shows an identifier.</summary>
        public override string ToString()
        {
            return string.Format(CultureInfo.InvariantCulture, "0x{0:X4}/0x{1:X4}",
                (ushort)owner, (ushort)type);
        }
    }
}
