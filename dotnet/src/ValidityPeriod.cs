using System;
using System.Collections;
using System.Collections.Generic;

namespace BioapiData
{
    /// <summary>A validity period as a record carries it: either empty (<see cref="Empty"/>,
    /// <c>default(ValidityPeriod)</c>), which the record leaves out, or a start and an end.
    /// No other number of date-times can be built.</summary>
    /// <remarks>Immutable. As a list it holds 0 or 2 date-times, start then end.</remarks>
    [Serializable]
    public readonly struct ValidityPeriod : IEquatable<ValidityPeriod>, IReadOnlyList<BirDateTime>
    {
        private readonly BirDateTime start;
        private readonly BirDateTime end;
        private readonly bool present;

        /// <summary>The empty period, which a record leaves out.</summary>
        public static readonly ValidityPeriod Empty = default;

        /// <summary>Makes the period from <paramref name="start"/> to <paramref name="end"/>.</summary>
        public ValidityPeriod(BirDateTime start, BirDateTime end)
        {
            this.start = start;
            this.end = end;
            present = true;
        }

        /// <summary>The number of date-times: 0 for an empty period, else 2.</summary>
        public int Count { get { return present ? 2 : 0; } }

        /// <summary>True when the period has no date-time.</summary>
        public bool IsEmpty { get { return !present; } }

        /// <summary>Returns date-time <paramref name="index"/>: 0 the start, 1 the end.</summary>
        /// <exception cref="ArgumentOutOfRangeException">No date-time has that index.</exception>
        public BirDateTime this[int index]
        {
            get
            {
                if (!present || index < 0 || index > 1)
                {
                    throw new ArgumentOutOfRangeException(nameof(index), index,
                        present ? "a validity period has 2 date-times" : "the validity period is empty");
                }
                return index == 0 ? start : end;
            }
        }

        /// <summary>The first date-time.</summary>
        /// <exception cref="InvalidOperationException">The period is empty.</exception>
        public BirDateTime Start
        {
            get
            {
                if (!present) throw new InvalidOperationException("the validity period is empty");
                return start;
            }
        }

        /// <summary>The second date-time.</summary>
        /// <exception cref="InvalidOperationException">The period is empty.</exception>
        public BirDateTime End
        {
            get
            {
                if (!present) throw new InvalidOperationException("the validity period is empty");
                return end;
            }
        }

        /// <summary>Returns an enumerator over the date-times.</summary>
        public IEnumerator<BirDateTime> GetEnumerator()
        {
            if (!present) yield break;
            yield return start;
            yield return end;
        }

        IEnumerator IEnumerable.GetEnumerator() { return GetEnumerator(); }

        /// <summary>Returns true when both are empty, or both have the same start and end.</summary>
        public bool Equals(ValidityPeriod other)
        {
            return present == other.present && start.Equals(other.start) && end.Equals(other.end);
        }

        /// <summary>Returns true when <paramref name="obj"/> is an equal <see cref="ValidityPeriod"/>.</summary>
        public override bool Equals(object? obj)
        {
            return obj is ValidityPeriod other && Equals(other);
        }

        /// <summary>Returns a hash of the date-times.</summary>
        public override int GetHashCode()
        {
            return present ? unchecked(start.GetHashCode() * 31 + end.GetHashCode()) : 0;
        }

        /// <summary>Returns true when both hold the same date-times.</summary>
        public static bool operator ==(ValidityPeriod left, ValidityPeriod right) { return left.Equals(right); }

        /// <summary>Returns true when they differ.</summary>
        public static bool operator !=(ValidityPeriod left, ValidityPeriod right) { return !left.Equals(right); }

        /// <summary>Returns "start to end", or "(empty)".</summary>
        public override string ToString()
        {
            return present ? start + " to " + end : "(empty)";
        }
    }
}
