#include "mailboxes/dates.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

namespace mailboxes {

namespace {

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> kWeekdayNames = {"Sun", "Mon", "Tue", "Wed",
                                                      "Thu", "Fri", "Sat"};
constexpr int64_t kSecondsPerDay = 86400;
// Date headers need hour, minute and second at least: a parse must fill this many fields.
constexpr int kMinParsedFields = 6;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  int64_t year = 0, month = 0 /* 0-11 */, day = 0, hour = 0, minute = 0, second = 0;
  int64_t weekday = 0;  // 0 Sunday
};

Civil CivilFromSeconds(int64_t seconds) {
  const int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const int64_t rest = FloorMod(seconds, kSecondsPerDay);
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  Civil c;
  c.year = yoe + era * 400 + (m <= 2);
  c.month = m - 1;
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.hour = rest / 3600;
  c.minute = rest / 60 % 60;
  c.second = rest % 60;
  c.weekday = FloorMod(days + 4, 7);  // 1970-01-01 was a Thursday
  return c;
}

// Seconds since 1970 of calendar fields read as UTC; fields out of range carry over.
int64_t SecondsFromCivil(int64_t year, int64_t monthIndex, int64_t day, int64_t hour,
                         int64_t minute, int64_t second) {
  const int64_t y = year + FloorDiv(monthIndex, 12);
  const int64_t m = FloorMod(monthIndex, 12) + 1;
  return (DaysFromCivil(y, m, 1) + day - 1) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Reads text the way the C library's formatted scan reads it for the few directives that
// mail dates need: a blank in the format skips any white space (or none), %s and %d skip
// white space first, other format characters must match the next byte exactly. Written out
// rather than taken from the library so that no word can overflow a buffer and no number
// overflows (they saturate), whatever the locale.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }
  // %s (or %*Ns with a width): a run of non-space bytes; out keeps at most kMonthNameMax.
  bool Word(std::string* out, size_t width = std::string_view::npos) {
    SkipSpace();
    const size_t start = pos_;
    while (pos_ < text_.size() && pos_ - start < width && !IsSpace(text_[pos_])) ++pos_;
    if (pos_ == start) return false;
    if (out) out->assign(text_.substr(start, std::min(pos_ - start, kMonthNameMax)));
    return true;
  }
  // %d: optional sign and decimal digits.
  bool Int(int64_t& out) {
    SkipSpace();
    size_t p = pos_;
    bool negative = false;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
    if (p >= text_.size() || text_[p] < '0' || text_[p] > '9') return false;
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; p < text_.size() && text_[p] >= '0' && text_[p] <= '9'; ++p)
      value = std::min<int64_t>(value * 10 + (text_[p] - '0'), kLimit);
    out = std::clamp<int64_t>(negative ? -value : value, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max());
    pos_ = p;
    return true;
  }
  bool Literal(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

 private:
  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  }
  std::string_view text_;
  size_t pos_ = 0;
};

struct DateFields {
  std::string month;
  int64_t year = 0, day = 0, hour = 0, minute = 0, second = 0, zone = 0;
};

// "%*s %s %d %d:%d:%d %d": weekday (skipped), month, day, hour:minute:second, year.
// Fields it cannot fill keep their zero (and empty) defaults.
DateFields ScanSeparatorDate(std::string_view text) {
  DateFields f;
  DateScanner s(text);
  if (!s.Word(nullptr)) return f;
  if (!s.Word(&f.month)) return f;
  if (!s.Int(f.day)) return f;
  if (!s.Int(f.hour) || !s.Literal(':')) return f;
  if (!s.Int(f.minute) || !s.Literal(':')) return f;
  if (!s.Int(f.second)) return f;
  s.Int(f.year);
  return f;
}

// Shared tail of the three header formats: "%d:%d:%d %d" (hour, minute, second, zone).
int ScanTimeAndZone(DateScanner& s, DateFields& f, int filled) {
  if (!s.Int(f.hour)) return filled;
  ++filled;
  if (!s.Literal(':') || !s.Int(f.minute)) return filled;
  ++filled;
  if (!s.Literal(':') || !s.Int(f.second)) return filled;
  ++filled;
  if (!s.Int(f.zone)) return filled;
  return filled + 1;
}

// "%d %s %d %d:%d:%d %d" from where the scanner stands: "01 Jan 2002 12:34:56 +0100".
int ScanDayMonthFrom(DateScanner& s, DateFields& f) {
  int filled = 0;
  if (!s.Int(f.day)) return filled;
  ++filled;
  if (!s.Word(&f.month)) return filled;
  ++filled;
  if (!s.Int(f.year)) return filled;
  return ScanTimeAndZone(s, f, filled + 1);
}

// "%d %s %d %d:%d:%d %d": "01 Jan 2002 12:34:56 +0100".
int ScanDayMonth(std::string_view text, DateFields& f) {
  DateScanner s(text);
  return ScanDayMonthFrom(s, f);
}

// "%*s %d %s %d %d:%d:%d %d": "Tue, 01 Jan 2002 12:34:56 +0100".
int ScanWeekdayDayMonth(std::string_view text, DateFields& f) {
  DateScanner s(text);
  if (!s.Word(nullptr)) return 0;
  return ScanDayMonthFrom(s, f);
}

// "%*3s, %s %d %d %d:%d:%d %d": "Tue, Jan 01 2002 12:34:56 +0100".
int ScanWeekdayMonthDay(std::string_view text, DateFields& f) {
  DateScanner s(text);
  int filled = 0;
  if (!s.Word(nullptr, 3) || !s.Literal(',')) return filled;
  if (!s.Word(&f.month)) return filled;
  ++filled;
  if (!s.Int(f.day)) return filled;
  ++filled;
  if (!s.Int(f.year)) return filled;
  return ScanTimeAndZone(s, f, filled + 1);
}

// The first of the three layouts that fills at least six fields (a missing or named zone
// such as "GMT" stays 0).
bool ParseDateHeader(std::string_view text, DateFields& out) {
  for (auto scan : {ScanWeekdayDayMonth, ScanWeekdayMonthDay, ScanDayMonth}) {
    DateFields f;
    if (scan(text, f) >= kMinParsedFields) {
      out = f;
      return true;
    }
  }
  return false;
}

// Two-digit years (and Eudora's years since 1900, such as 105): below 70 they are 20xx.
int64_t FullYear(int64_t year) {
  if (year >= 200) return year;
  return year + (year < 70 ? 2000 : 1900);
}

}  // namespace

int MonthIndex(std::string_view name) {
  for (size_t i = 0; i < kMonthNames.size(); ++i) {
    bool same = name.size() >= 3;
    for (size_t k = 0; same && k < 3; ++k) {
      const char c = name[k];
      const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      const char want = kMonthNames[i][k];
      same = lower == ((want >= 'A' && want <= 'Z') ? static_cast<char>(want - 'A' + 'a') : want);
    }
    if (same) return static_cast<int>(i);
  }
  return 12;
}

int64_t LocalOffset(std::time_t now) {
  tzset();  // follow TZ as it is now
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  const int64_t asUTC = SecondsFromCivil(int64_t{local.tm_year} + 1900, local.tm_mon, local.tm_mday,
                                         local.tm_hour, local.tm_min, local.tm_sec);
  return asUTC - static_cast<int64_t>(now);
}

int ZoneFromOffset(int64_t offsetSeconds) {
  const int64_t magnitude = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
  const int64_t zone = magnitude / 3600 * 100 + magnitude % 3600 / 60;
  return ClampToInt32(offsetSeconds < 0 ? -zone : zone);
}

int64_t OffsetFromZone(int64_t zone) { return zone / 100 * 3600 + zone % 100 * 60; }

std::string FormatMailDate(int64_t year, int64_t monthIndex, int64_t day, int64_t hour,
                           int64_t minute, int64_t second, int zone) {
  const Civil c = CivilFromSeconds(SecondsFromCivil(year, monthIndex, day, hour, minute, second));
  char text[96];
  std::snprintf(text, sizeof text, "%s, %02lld %s %04lld %02lld:%02lld:%02lld %+05d",
                kWeekdayNames[static_cast<size_t>(c.weekday)], static_cast<long long>(c.day),
                kMonthNames[static_cast<size_t>(c.month)], static_cast<long long>(c.year),
                static_cast<long long>(c.hour), static_cast<long long>(c.minute),
                static_cast<long long>(c.second), zone);
  return text;
}

bool CalculateDateAndTime(std::string& dateText, std::string_view separatorDate, int32_t tocDate,
                          int32_t& seconds, int32_t& packedDate, std::time_t now) {
  const DateFields separator = ScanSeparatorDate(separatorDate);

  DateFields taken;
  int64_t monthIndex = 12;
  int64_t zone = 0;
  bool built = false;
  bool fromTOC = false;
  if (ParseDateHeader(dateText, taken)) {
    monthIndex = MonthIndex(taken.month);
    zone = taken.zone;
  } else {
    built = true;
    zone = ZoneFromOffset(LocalOffset(now));
    if (tocDate != 0) {
      // The table-of-contents instant shown in local time. It is broken down with the same
      // offset that the generated text names as its zone, so that text and instant agree
      // also when daylight-saving time differs between the message's date and now.
      fromTOC = true;
      const Civil c = CivilFromSeconds(int64_t{tocDate} + OffsetFromZone(zone));
      taken.year = c.year;
      taken.day = c.day;
      taken.hour = c.hour;
      taken.minute = c.minute;
      taken.second = c.second;
      monthIndex = c.month;
    } else {
      taken = separator;
      monthIndex = MonthIndex(separator.month);
    }
  }

  const int64_t year = FullYear(taken.year);
  if (fromTOC) {
    seconds = tocDate;
  } else {
    // The fields are local time at the zone's offset: the instant is the same fields read
    // as UTC less that offset (hours and minutes of the zone).
    seconds = ClampToInt32(SecondsFromCivil(year, monthIndex, taken.day, taken.hour, taken.minute,
                                            taken.second) -
                           OffsetFromZone(zone));
  }
  // Wraps like the 32-bit field it is stored in for absurd years.
  packedDate = static_cast<int32_t>(year * 512 + (monthIndex + 1) * 32 + taken.day);
  dateText = FormatMailDate(year, monthIndex, taken.day, taken.hour, taken.minute, taken.second,
                            ClampToInt32(zone));
  return built;
}

}  // namespace mailboxes
