#include <gtest/gtest.h>

#include "tests/fakes/fake_locale.h"

using namespace sorvane;
using platform::DateTime;

TEST(FakeLocale, FormatsEnglishUsDatesLeavingOutMidnight) {
    fakes::FakeLocale loc;
    EXPECT_EQ(loc.formatDateTime({2006, 3, 16, 0, 0, 0}), "3/16/2006");
    EXPECT_EQ(loc.formatDateTime({2006, 3, 16, 0, 0, 1}), "3/16/2006 12:00:01 AM");
    EXPECT_EQ(loc.formatDateTime({2024, 12, 1, 13, 5, 9}), "12/1/2024 1:05:09 PM");
    EXPECT_EQ(loc.formatDateTime({1899, 12, 30, 12, 0, 0}), "12:00:00 PM");
    EXPECT_EQ(loc.formatWholeNumber(1234567), "1,234,567");
    EXPECT_EQ(loc.formatWholeNumber(-1000), "-1,000");
    EXPECT_EQ(loc.formatWholeNumber(999), "999");
}

TEST(FakeLocale, ParsesWhatItWritesAndTheUsualVariants) {
    fakes::FakeLocale loc;
    for (DateTime d : {DateTime{2006, 3, 16, 0, 0, 0}, DateTime{2024, 12, 1, 13, 5, 9}, DateTime{2000, 2, 29, 0, 0, 1},
                       DateTime{1899, 12, 30, 23, 59, 59}}) {
        EXPECT_EQ(loc.parseDateTime(loc.formatDateTime(d)), d) << loc.formatDateTime(d);
    }
    EXPECT_EQ(loc.parseDateTime("25/3/2006"), (DateTime{2006, 3, 25, 0, 0, 0}));
    EXPECT_EQ(loc.parseDateTime("2006-03-16 14:30"), (DateTime{2006, 3, 16, 14, 30, 0}));
    EXPECT_EQ(loc.parseDateTime("3/16/06 3 PM"), (DateTime{2006, 3, 16, 15, 0, 0}));
    EXPECT_EQ(loc.parseDateTime("March 16, 2006"), (DateTime{2006, 3, 16, 0, 0, 0}));
    EXPECT_EQ(loc.parseDateTime("12:00:00 AM"), (DateTime{1899, 12, 30, 0, 0, 0}));
    for (const char* bad : {"", "hello", "2/30/2006", "13/13/2006", "25:00", "1/2/2006 x", "<html>"}) {
        EXPECT_FALSE(loc.parseDateTime(bad).has_value()) << bad;
    }
}

TEST(FakeLocale, AnsiIsWindows1252AndTheClockAdvances) {
    fakes::FakeLocale loc;
    EXPECT_EQ(loc.toAnsi("café €"), "caf\xE9 \x80");
    EXPECT_EQ(loc.fromAnsi("caf\xE9 \x80"), "café €");
    EXPECT_EQ(loc.toAnsi("日本"), "??");
    loc.setNow({2024, 12, 31, 23, 59, 30});
    const auto tick = loc.tickMs();
    loc.advance(45'000);
    EXPECT_EQ(loc.now(), (DateTime{2025, 1, 1, 0, 0, 15}));
    EXPECT_EQ(loc.tickMs(), tick + 45'000);
}

TEST(FakeLocale, NamesWeekdaysAndFollowsAnotherClock) {
    fakes::FakeLocale locale;
    EXPECT_EQ(locale.weekdayName(DateTime{2024, 5, 14, 0, 0, 0}), "Tuesday");
    EXPECT_EQ(locale.weekdayName(DateTime{2024, 5, 19, 0, 0, 0}), "Sunday");
    EXPECT_EQ(locale.weekdayName(DateTime{1969, 12, 29, 0, 0, 0}), "Monday");
    std::uint64_t elapsed = 500;
    locale.setNow(DateTime{2024, 5, 14, 23, 59, 59});
    locale.followClock([&] { return elapsed; });
    elapsed += 999;
    EXPECT_EQ(locale.now(), (DateTime{2024, 5, 14, 23, 59, 59}));
    elapsed += 1;
    EXPECT_EQ(locale.now(), (DateTime{2024, 5, 15, 0, 0, 0}));
}
