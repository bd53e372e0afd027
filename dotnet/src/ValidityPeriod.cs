using System;
using System.Collections;
using System.Collections.Generic;
using System.Text;

namespace BioapiData
{
    /// <summary>A validity period: its date-times in order, start then end. A record carries
    /// a period with at least one date-time as its first two; an empty period
    /// (<c>default(ValidityPeriod)</c>, <see cref="Empty"/>) is left out of the record.</summary>
    /// <remarks>Immutable: it holds its own copy of the date-times.</remarks>
    [Serializable]
    public struct ValidityPeriod : IEquatable<ValidityPeriod>, IReadOnlyList<BirDateTime>
    {
        private readonly BirDateTime[] dates;

        /// <summary>The empty period, which a record leaves out.</summary>
        public static readonly ValidityPeriod Empty = default(ValidityPeriod);

        /// <summary>Makes the period from <paramref name="start"/> to <paramref name="end"/>.</summary>
        public ValidityPeriod(BirDateTime start, BirDateTime end)
        {
            dates = new[] { start, end };
        }

        /// <summary>Makes a period of a copy of <paramref name="dates"/>, which may hold any
        /// number of date-times.</summary>
        /// <exception cref="ArgumentNullException"><paramref name="dates"/> is null.</exception>
        public ValidityPeriod(IEnumerable<BirDateTime> dates)
        {
            if (dates == null) throw new ArgumentNullException("dates");
            var copy = new List<BirDateTime>(dates).ToArray();
            this.dates = copy.Length == 0 ? null : copy;
        }

        /// <summary>The number of date-times: 0 for an empty period, 2 for one read from a record.</summary>
        public int Count { get { return dates == null ? 0 : dates.Length; } }

        /// <summary>True when the period has no date-time.</summary>
        public bool IsEmpty { get { return dates == null; } }

        /// <summary>Returns date-time <paramref name="index"/>.</summary>
        /// <exception cref="ArgumentOutOfRangeException">No date-time has that index.</exception>
        public BirDateTime this[int index]
        {
            get
            {
                if (index < 0 || index >= Count) throw new ArgumentOutOfRangeException("index");
                return dates[index];
            }
        }

        /// <summary>The first date-time.</summary>
        /// <exception cref="InvalidOperationException">The period is empty.</exception>
        public BirDateTime Start
        {
            get
            {
                if (Count < 1) throw new InvalidOperationException("the validity period is empty");
                return dates[0];
            }
        }

        /// <summary>The second date-time.</summary>
        /// <exception cref="InvalidOperationException">The period has fewer than two.</exception>
        public BirDateTime End
        {
            get
            {
                if (Count < 2) throw new InvalidOperationException("the validity period has no end");
                return dates[1];
            }
        }

        /// <summary>Returns a copy of the date-times.</summary>
        public BirDateTime[] ToArray()
        {
            return dates == null ? new BirDateTime[0] : (BirDateTime[])dates.Clone();
        }

        /// <summary>Returns an enumerator over the date-times.</summary>
        public IEnumerator<BirDateTime> GetEnumerator()
        {
            for (int i = 0; i < Count; i++) yield return dates[i];
        }

        IEnumerator IEnumerable.GetEnumerator() { return GetEnumerator(); }

        /// <summary>Returns true when both hold the same date-times in the same order.</summary>
        public bool Equals(ValidityPeriod other)
        {
            if (Count != other.Count) return false;
            for (int i = 0; i < Count; i++)
            {
                if (!dates[i].Equals(other.dates[i])) return false;
            }
            return true;
        }

        /// <summary>Returns true when <paramref name="obj"/> is an equal <see cref="ValidityPeriod"/>.</summary>
        public override bool Equals(object obj)
        {
            return obj is ValidityPeriod && Equals((ValidityPeriod)obj);
        }

        /// <summary>Returns a hash of the date-times.</summary>
        public override int GetHashCode()
        {
            int h = Count;
            for (int i = 0; i < Count; i++) h = unchecked(h * 31 + dates[i].GetHashCode());
            return h;
        }

        /// <summary>Returns true when both hold the same date-times.</summary>
        public static bool operator ==(ValidityPeriod a, ValidityPeriod b) { return a.Equals(b); }

        /// <summary>Returns true when they differ.</summary>
        public static bool operator !=(ValidityPeriod a, ValidityPeriod b) { return !a.Equals(b); }

        /// <summary>Returns "start to end", or "(empty)".</summary>
        public override string ToString()
        {
            if (Count == 0) return "(empty)";
            var text = new StringBuilder();
            for (int i = 0; i < Count; i++)
            {
                if (i > 0) text.Append(" to ");
                text.Append(dates[i]);
            }
            return text.ToString();
        }
    }
}
