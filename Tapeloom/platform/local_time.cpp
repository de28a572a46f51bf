// Local time without a runtime call per time: the runtime's conversion costs
// as much as the rest of a catalogue entry's work, and each refresh converts
// the same times as the one before, bunched into fewer hours than there are
// replays. Each hour of UTC is asked about once, at its first and
// last second; when the later answer is what the earlier one's offset gives,
// nothing changed in between (no zone changes its offset twice within an hour,
// and a leap second either is that last second or shifts it), and every second
// of that hour is the calendar's arithmetic on the offset. Any other hour goes
// to the runtime each time.
#include <array>
#include <atomic>

#include "platform/platform.h"

namespace tapeloom::platform {

namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerDay = 86'400;
// Hours up to 3001 fit in 24 bits; the slot's key is the hour plus one, so an empty slot (0) matches none.
constexpr std::int64_t kHours = std::int64_t{1} << 24;
constexpr std::uint32_t kAskRuntime = 0x8000'0000;

// One slot per hour modulo 65,536 (seven and a half years before two hours
// share one), 512 KiB of zeros until touched. A slot holds the key, the
// daylight flag and the offset in seconds, or kAskRuntime, in one word, so
// threads that convert at once never see half a slot.
std::array<std::atomic<std::uint64_t>, 65'536> hourSlots;

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12), and back.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = FloorDivide(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

std::int64_t OffsetOf(std::int64_t seconds, const std::tm& local) {
    const std::int64_t days = DaysFromCivil(std::int64_t{local.tm_year} + 1900, local.tm_mon + 1, local.tm_mday);
    return days * kSecondsPerDay + local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec - seconds;
}

void Derive(std::int64_t seconds, std::int64_t offset, int daylight, std::tm& out) {
    const std::int64_t local = seconds + offset;
    const std::int64_t days = FloorDivide(local, kSecondsPerDay);
    const auto second = static_cast<int>(local - days * kSecondsPerDay);
    const std::int64_t shifted = days + 719'468;
    const std::int64_t era = FloorDivide(shifted, 146'097);
    const std::int64_t dayOfEra = shifted - era * 146'097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    out.tm_year = static_cast<int>(year - 1900);
    out.tm_mon = month - 1;
    out.tm_mday = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    out.tm_hour = second / 3600;
    out.tm_min = second / 60 % 60;
    out.tm_sec = second % 60;
    out.tm_wday = static_cast<int>(days + 4 - FloorDivide(days + 4, 7) * 7); // 1970-01-01 was a Thursday
    out.tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
    out.tm_isdst = daylight;
}

bool SameFields(const std::tm& left, const std::tm& right) {
    return left.tm_year == right.tm_year && left.tm_mon == right.tm_mon && left.tm_mday == right.tm_mday &&
           left.tm_hour == right.tm_hour && left.tm_min == right.tm_min && left.tm_sec == right.tm_sec &&
           left.tm_wday == right.tm_wday && left.tm_yday == right.tm_yday && left.tm_isdst == right.tm_isdst;
}

// What the hour's slot should hold: its offset when the runtime's two answers agree with it, else kAskRuntime.
std::uint32_t LearnHour(std::int64_t hour) {
    std::tm first{};
    std::tm last{};
    std::tm derived{};
    const std::int64_t start = hour * kSecondsPerHour;
    if (!RuntimeLocalTime(start, first) || !RuntimeLocalTime(start + kSecondsPerHour - 1, last)) return kAskRuntime;
    if (first.tm_isdst != 0 && first.tm_isdst != 1) return kAskRuntime;
    const std::int64_t offset = OffsetOf(start, first);
    if (offset < -kSecondsPerDay || offset > kSecondsPerDay) return kAskRuntime;
    Derive(start, offset, first.tm_isdst, derived);
    if (!SameFields(derived, first)) return kAskRuntime;
    Derive(start + kSecondsPerHour - 1, offset, first.tm_isdst, derived);
    if (!SameFields(derived, last)) return kAskRuntime;
    return static_cast<std::uint32_t>(offset * 2 + first.tm_isdst);
}

} // namespace

bool ToLocalTime(std::int64_t seconds, std::tm& out) noexcept {
    // The zone is read once: times of one session keep one zone even if the process's TZ changes later.
    static const bool zoneRead = (ReadTimeZone(), true);
    (void)zoneRead;
    const std::int64_t hour = seconds / kSecondsPerHour;
    if (seconds < 0 || hour >= kHours) return RuntimeLocalTime(seconds, out);

    std::atomic<std::uint64_t>& slot = hourSlots[static_cast<std::size_t>(hour) % hourSlots.size()];
    const std::uint64_t key = static_cast<std::uint64_t>(hour + 1) << 32;
    std::uint64_t held = slot.load(std::memory_order_relaxed);
    if ((held & ~std::uint64_t{0xFFFF'FFFF}) != key) {
        held = key | LearnHour(hour);
        slot.store(held, std::memory_order_relaxed);
    }
    const auto value = static_cast<std::uint32_t>(held);
    if (value == kAskRuntime) return RuntimeLocalTime(seconds, out);
    const auto packed = static_cast<std::int32_t>(value);
    Derive(seconds, FloorDivide(packed, 2), packed & 1, out);
    return true;
}

void ReloadTimeZone() noexcept {
    ReadTimeZone();
    for (std::atomic<std::uint64_t>& slot : hourSlots) slot.store(0, std::memory_order_relaxed);
}

} // namespace tapeloom::platform
