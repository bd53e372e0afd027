// Dates and their two orders: component by component, and calendar order.
#include <tuple>

#include "bioapi_data/params.h"

namespace BioAPI_Data {
namespace {

// The six components in calendar significance, for lexicographic comparison.
std::tuple<int, int, int, int, int, int> CalendarKey(const Date& d) noexcept {
  return std::make_tuple(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second);
}

}  // namespace

Date::Date(int year, int month, int day, int hour, int minute,
           int second) noexcept
    : Year(year),
      Month(month),
      Day(day),
      Hour(hour),
      Minute(minute),
      Second(second) {}

bool Date::IsLowerOrEqual(int year, int month, int day) const noexcept {
  return year <= Year && month <= Month && day <= Day;
}

bool Date::IsLowerOrEqual(int year, int month, int day, int hour, int minute,
                          int second) const noexcept {
  return IsLowerOrEqual(year, month, day) && hour <= Hour && minute <= Minute &&
         second <= Second;
}

bool Date::IsLowerOrEqual(Date other) const noexcept {
  return IsLowerOrEqual(other.Year, other.Month, other.Day, other.Hour,
                        other.Minute, other.Second);
}

bool Date::IsHigherOrEqual(int year, int month, int day) const noexcept {
  return year >= Year && month >= Month && day >= Day;
}

bool Date::IsHigherOrEqual(int year, int month, int day, int hour, int minute,
                           int second) const noexcept {
  return IsHigherOrEqual(year, month, day) && hour >= Hour &&
         minute >= Minute && second >= Second;
}

bool Date::IsHigherOrEqual(Date other) const noexcept {
  return IsHigherOrEqual(other.Year, other.Month, other.Day, other.Hour,
                         other.Minute, other.Second);
}

bool operator==(const Date& a, const Date& b) noexcept {
  return CalendarKey(a) == CalendarKey(b);
}

bool operator!=(const Date& a, const Date& b) noexcept { return !(a == b); }

bool operator<(const Date& a, const Date& b) noexcept {
  return CalendarKey(a) < CalendarKey(b);
}

bool operator<=(const Date& a, const Date& b) noexcept { return !(b < a); }

bool operator>(const Date& a, const Date& b) noexcept { return b < a; }

bool operator>=(const Date& a, const Date& b) noexcept { return !(a < b); }

}  // namespace BioAPI_Data
