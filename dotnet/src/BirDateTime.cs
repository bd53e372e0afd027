using System;
using System.Globalization;

namespace BioapiData
{
    /// <summary>A date-time as a record carries it: six integers held exactly as they are
    /// (month 13 or 31 February included), <see cref="Year"/> the full calendar year.</summary>
    /// <remarks>A record carries a year in 16 signed bits and the other members in 8 bits
    /// each; a record property refuses a value outside them with an
    /// <see cref="ArgumentOutOfRangeException"/>. <c>default(BirDateTime)</c> is all zeros.</remarks>
    [Serializable]
    public readonly struct BirDateTime : IEquatable<BirDateTime>
    {
        private readonly int year;
        private readonly int month;
        private readonly int day;
        private readonly int hour;
        private readonly int minute;
        private readonly int second;

        /// <summary>Makes a date-time of these members, unchecked.</summary>
        public BirDateTime(int year, int month, int day, int hour, int minute, int second)
        {
            this.year = year;
            this.month = month;
            this.day = day;
            this.hour = hour;
            this.minute = minute;
            this.second = second;
        }

        /// <summary>Makes the date-time of <paramref name="value"/>'s members; the fraction of a
        /// second and the kind are not carried.</summary>
        public BirDateTime(DateTime value)
            : this(value.Year, value.Month, value.Day, value.Hour, value.Minute, value.Second)
        {
        }

        /// <summary>The full calendar year (2026, not 126).</summary>
        public int Year { get { return year; } }

        /// <summary>Month, 1 for January.</summary>
        public int Month { get { return month; } }

        /// <summary>Day of the month.</summary>
        public int Day { get { return day; } }

        /// <summary>Hour.</summary>
        public int Hour { get { return hour; } }

        /// <summary>Minute.</summary>
        public int Minute { get { return minute; } }

        /// <summary>Second.</summary>
        public int Second { get { return second; } }

        /// <summary>Returns the <see cref="DateTime"/> of these members (kind Unspecified).</summary>
        /// <exception cref="InvalidOperationException">The members name no date-time that
        /// <see cref="DateTime"/> can hold (month 13, 31 February, hour 24, year 0); the message
        /// shows them.</exception>
        public DateTime ToDateTime()
        {
            DateTime result;
            string? reason = Convert(out result);
            if (reason != null)
            {
                throw new InvalidOperationException(string.Format(CultureInfo.InvariantCulture,
                    "{0} is no System.DateTime: {1}", this, reason));
            }
            return result;
        }

        /// <summary>Sets <paramref name="result"/> to the <see cref="DateTime"/> of these members
        /// and returns true, or returns false when they name none.</summary>
        public bool TryToDateTime(out DateTime result)
        {
            return Convert(out result) == null;
        }

        private string? Convert(out DateTime result)
        {
            result = default(DateTime);
            if (year < 1 || year > 9999) return "year outside 1 to 9999";
            if (month < 1 || month > 12) return "month outside 1 to 12";
            if (day < 1 || day > DateTime.DaysInMonth(year, month))
            {
                return string.Format(CultureInfo.InvariantCulture,
                    "day outside 1 to {0}", DateTime.DaysInMonth(year, month));
            }
            if (hour < 0 || hour > 23) return "hour outside 0 to 23";
            if (minute < 0 || minute > 59) return "minute outside 0 to 59";
            if (second < 0 || second > 59) return "second outside 0 to 59";
            result = new DateTime(year, month, day, hour, minute, second, DateTimeKind.Unspecified);
            return null;
        }

        /// <summary>Returns true when all six members are equal.</summary>
        public bool Equals(BirDateTime other)
        {
            return year == other.year && month == other.month && day == other.day &&
                   hour == other.hour && minute == other.minute && second == other.second;
        }

        /// <summary>Returns true when <paramref name="obj"/> is an equal <see cref="BirDateTime"/>.</summary>
        public override bool Equals(object? obj)
        {
            return obj is BirDateTime other && Equals(other);
        }

        /// <summary>Returns a hash of the six members.</summary>
        public override int GetHashCode()
        {
            unchecked
            {
                int h = year;
                h = h * 31 + month;
                h = h * 31 + day;
                h = h * 31 + hour;
                h = h * 31 + minute;
                return h * 31 + second;
            }
        }

        /// <summary>Returns true when all six members are equal.</summary>
        public static bool operator ==(BirDateTime a, BirDateTime b) { return a.Equals(b); }

        /// <summary>Returns true when a member differs.</summary>
        public static bool operator !=(BirDateTime a, BirDateTime b) { return !a.Equals(b); }

        /// <summary>Returns "YYYY-MM-DD hh:mm:ss" of the members as they are.</summary>
        public override string ToString()
        {
            return string.Format(CultureInfo.InvariantCulture,
                "{0:D4}-{1:D2}-{2:D2} {3:D2}:{4:D2}:{5:D2}", year, month, day, hour, minute, second);
        }
    }
}
