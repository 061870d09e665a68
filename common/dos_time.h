// The DOS date and time of the file entries (date in the high word, time in
// the low word, two-second steps), packed and unpacked in one place for the
// compiler's file layer on every host and for the extractor. Header-only
// and free of the C++ standard library, so that the extractor stub can use it.
#pragma once

#include <stdint.h>
#include <time.h>

namespace kestro {

// A calendar time: month 1-12, day 1-31, hour 0-23, minute 0-59, second 0-59.
struct CivilTime {
  int year, month, day, hour, minute, second;
};

// The range the format can hold: 1980-01-01 00:00:00 to 2107-12-31 23:59:58.
inline constexpr uint32_t kDosFirst = (1u << 5 | 1u) << 16;
inline constexpr uint32_t kDosLast = ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);

// Packs a calendar time, clamped into the format's range; odd seconds are
// cut to the two-second step.
inline uint32_t PackDos(const CivilTime& t) {
  if (t.year < 1980) return kDosFirst;
  if (t.year > 2107) return kDosLast;
  uint32_t date = static_cast<uint32_t>((t.year - 1980) << 9 | t.month << 5 | t.day);
  uint32_t time = static_cast<uint32_t>(t.hour << 11 | t.minute << 5 | t.second / 2);
  return date << 16 | time;
}

// Unpacks; false when a field is out of its place (month 0 or 13, day 0,
// hour 24, minute 60, second 60 and the like), which no system can set.
inline bool UnpackDos(uint32_t dos, CivilTime* t) {
  uint32_t date = dos >> 16, time = dos & 0xFFFF;
  t->year = static_cast<int>(date >> 9) + 1980;
  t->month = static_cast<int>((date >> 5) & 15);
  t->day = static_cast<int>(date & 31);
  t->hour = static_cast<int>(time >> 11);
  t->minute = static_cast<int>((time >> 5) & 63);
  t->second = static_cast<int>((time & 31) * 2);
  return t->month >= 1 && t->month <= 12 && t->day >= 1 && t->hour <= 23 && t->minute <= 59 &&
         t->second <= 58;
}

// The local time a DOS date and time names, in seconds since 1970 (through
// mktime, which looks up daylight saving); false when it is no valid DOS
// time or the C library cannot give it.
inline bool LocalSecondsFromDos(uint32_t dos, time_t* seconds) {
  CivilTime c;
  if (!UnpackDos(dos, &c)) return false;
  struct tm t = {};
  t.tm_year = c.year - 1900;
  t.tm_mon = c.month - 1;
  t.tm_mday = c.day;
  t.tm_hour = c.hour;
  t.tm_min = c.minute;
  t.tm_sec = c.second;
  t.tm_isdst = -1;
  *seconds = mktime(&t);
  return *seconds != static_cast<time_t>(-1);
}

// The UTC calendar time of a count of seconds since 1970-01-01 00:00:00 UTC
// (the proleptic Gregorian calendar, negative counts included).
inline CivilTime CivilFromUnix(int64_t seconds) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) rest += 86400, --days;
  // Days to year, month and day: the era-based method, eras of 400 years.
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t doe = days - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year < -9999) year = -9999;  // far outside the format's range anyway
  if (year > 99999) year = 99999;
  return {static_cast<int>(year),        static_cast<int>(month),          static_cast<int>(day),
          static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

}  // namespace kestro
