// Send dates of converted messages: the value of a message's Date header is parsed; when
// it does not parse, the date is built from the message's table-of-contents entry or, without
// one, from the local time Eudora wrote on the message's separator line.
//
// Local time is the C library's (the TZ rules). The local offset is always the one in force
// at the moment of the conversion ("now"), which the caller passes in: a separator date is
// read with it, and every generated date text carries it as its zone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace mailboxes {

// Longest month-name word kept from a scanned date (longer words are cut).
inline constexpr size_t kMonthNameMax = 31;

// "Jan" .. "Dec" by their first three characters, ignoring case: 0-11, or 12 for any
// other name.
int MonthIndex(std::string_view name);

// The local time zone's offset from UTC at the instant now, in seconds, east positive.
int64_t LocalOffset(std::time_t now);

// An offset in seconds as a mail date's zone, hours x 100 + minutes with the offset's sign
// (3600 gives 100, -19800 gives -530). Seconds of the offset are dropped.
int ZoneFromOffset(int64_t offsetSeconds);

// A zone as written in mail dates (+0100 is 100, -0530 is -530) as an offset in seconds.
// Hours and minutes both count: +0530 is five and a half hours east.
int64_t OffsetFromZone(int64_t zone);

// "Tue, 01 Jan 2002 12:34:56 +0100": the calendar fields (month index 0-11, fields out of
// range are carried over as a calendar would: month 12 is January of the next year) with
// English names and the zone in the "%+05d" form.
std::string FormatMailDate(int64_t year, int64_t monthIndex, int64_t day, int64_t hour,
                           int64_t minute, int64_t second, int zone);

// Works out a message's send date.
//   dateText: in, the Date header's value (empty when the message has none); out, always the
//     generated date text (the date as taken, formatted by FormatMailDate).
//   separatorDate: the separator line's text after the sender, "Tue Jan 01 12:34:56 2002".
//   tocDate: the table-of-contents date in seconds since 1970 UTC, 0 when there is none.
//   seconds: out, the send instant in seconds since 1970 UTC.
//   packedDate: out, year x 512 + month (1-12, 13 for an unknown month name) x 32 + day.
//   now: the moment of the conversion, for the local offset.
// Returns false when the Date header value parsed, true when the date was built from the
// table of contents or the separator date (the caller then writes dateText as the message's
// Date header).
bool CalculateDateAndTime(std::string& dateText, std::string_view separatorDate, int32_t tocDate,
                          int32_t& seconds, int32_t& packedDate, std::time_t now);

}  // namespace mailboxes
