#include "protection/schedule.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_locale.h"

namespace sorvane::protection {
namespace {

using platform::DateTime;

// 2024-05-14 was a Tuesday.
constexpr DateTime Tuesday1430{2024, 5, 14, 14, 30, 0};

StoredSchedule schedule(std::int64_t day, std::string time, std::string date = "Null") {
    return StoredSchedule{day, std::move(time), std::move(date)};
}

TEST(ScheduleTest, DailyFiresInItsSecondOnlyWhateverTheStoredTimeFormat) {
    fakes::FakeLocale locale;
    for (std::string stored : {"2:30:00 PM", "14:30:00", "5/1/2020 2:30:00 PM"}) {
        EXPECT_TRUE(IsScheduledMoment(locale, schedule(7, stored), Tuesday1430)) << stored;
        EXPECT_FALSE(IsScheduledMoment(locale, schedule(7, stored), AddSeconds(Tuesday1430, 1))) << stored;
        EXPECT_FALSE(IsScheduledMoment(locale, schedule(7, stored), AddSeconds(Tuesday1430, -1))) << stored;
    }
    EXPECT_FALSE(IsScheduledMoment(locale, schedule(7, "Null"), Tuesday1430));
    EXPECT_FALSE(IsScheduledMoment(locale, schedule(7, ""), Tuesday1430));
}

TEST(ScheduleTest, DateAndTimeFiresOnItsDateOnlyAndNeverOnceItPassed) {
    fakes::FakeLocale locale;
    EXPECT_TRUE(IsScheduledMoment(locale, schedule(8, "2:30:00 PM", "5/14/2024"), Tuesday1430));
    const DateTime nextDay = AddSeconds(Tuesday1430, 86400);
    EXPECT_FALSE(IsScheduledMoment(locale, schedule(8, "2:30:00 PM", "5/14/2024"), nextDay));
    EXPECT_FALSE(IsScheduledMoment(locale, schedule(8, "2:30:00 PM", "Null"), Tuesday1430));
    EXPECT_FALSE(NextScheduledMoment(locale, schedule(8, "2:30:00 PM", "5/13/2024"), Tuesday1430).has_value());
    EXPECT_EQ(NextScheduledMoment(locale, schedule(8, "2:30:00 PM", "5/20/2024"), Tuesday1430),
              (DateTime{2024, 5, 20, 14, 30, 0}));
}

TEST(ScheduleTest, NeverAndOutOfRangeDaysNeverFire) {
    fakes::FakeLocale locale;
    for (std::int64_t day : {9, 10, -1, -7})
        EXPECT_FALSE(IsScheduledMoment(locale, schedule(day, "2:30:00 PM", "5/14/2024"), Tuesday1430)) << day;
    EXPECT_FALSE(NextScheduledMoment(locale, schedule(9, "2:30:00 PM"), Tuesday1430).has_value());
}

TEST(ScheduleTest, WeekdaysMatchByNumberWhateverTheSystemCallsTheDay) {
    fakes::FakeLocale locale;
    for (bool german : {false, true}) {
        SCOPED_TRACE(german);
        if (german)
            locale.setWeekdayNames({"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"});
        EXPECT_TRUE(IsScheduledMoment(locale, schedule(1, "2:30:00 PM"), Tuesday1430));
        EXPECT_FALSE(IsScheduledMoment(locale, schedule(0, "2:30:00 PM"), Tuesday1430));
        EXPECT_FALSE(IsScheduledMoment(locale, schedule(2, "2:30:00 PM"), Tuesday1430));
        EXPECT_EQ(NextScheduledMoment(locale, schedule(0, "2:30:00 PM"), Tuesday1430),
                  (DateTime{2024, 5, 20, 14, 30, 0}));
        EXPECT_EQ(NextScheduledMoment(locale, schedule(1, "2:30:00 PM"), Tuesday1430),
                  (DateTime{2024, 5, 21, 14, 30, 0}));
        // Sunday is the last of the list; 2024-05-19 was one.
        EXPECT_EQ(NextScheduledMoment(locale, schedule(6, "2:30:00 PM"), Tuesday1430),
                  (DateTime{2024, 5, 19, 14, 30, 0}));
    }
}

TEST(ScheduleTest, NextMomentIsStrictlyLater) {
    fakes::FakeLocale locale;
    EXPECT_EQ(NextScheduledMoment(locale, schedule(7, "2:30:00 PM"), Tuesday1430), (DateTime{2024, 5, 15, 14, 30, 0}));
    EXPECT_EQ(NextScheduledMoment(locale, schedule(7, "3:00:00 PM"), Tuesday1430), (DateTime{2024, 5, 14, 15, 0, 0}));
    // Across a month and a year end.
    EXPECT_EQ(NextScheduledMoment(locale, schedule(7, "1:00:00 AM"), DateTime{2024, 12, 31, 23, 0, 0}),
              (DateTime{2025, 1, 1, 1, 0, 0}));
}

TEST(ScheduleTest, AOneOffMomentIsMissedOnlyWhenItLiesStrictlyBetween) {
    fakes::FakeLocale locale;
    const DateTime now{2024, 5, 14, 16, 0, 0};
    const auto oneOff = schedule(8, "2:30:00 PM", "5/14/2024");
    EXPECT_EQ(MissedScheduledMoment(locale, oneOff, DateTime{2024, 5, 13, 14, 30, 0}, now), Tuesday1430);
    // Weeks late is still owed once: it has no later moment to wait for.
    EXPECT_EQ(MissedScheduledMoment(locale, oneOff, DateTime{2024, 4, 1, 0, 0, 0}, DateTime{2024, 6, 1, 0, 0, 0}),
              Tuesday1430);
    EXPECT_FALSE(MissedScheduledMoment(locale, oneOff, Tuesday1430, now).has_value());
    EXPECT_FALSE(MissedScheduledMoment(locale, oneOff, DateTime{2024, 5, 13, 0, 0, 0}, Tuesday1430).has_value());
    EXPECT_FALSE(MissedScheduledMoment(locale, schedule(8, "2:30:00 PM", "Null"), DateTime{2024, 5, 1, 0, 0, 0}, now)
                     .has_value());
}

TEST(ScheduleTest, AMissedDailyOrWeekdayMomentIsTheLatestStrictlyBetweenAndNeverOneNeverFires) {
    fakes::FakeLocale locale;
    const DateTime lastRun{2024, 5, 13, 14, 30, 0};
    const DateTime now{2024, 5, 14, 16, 0, 0};
    EXPECT_EQ(MissedScheduledMoment(locale, schedule(7, "2:30:00 PM"), lastRun, now), Tuesday1430);
    // The latest one of several missed days.
    EXPECT_EQ(MissedScheduledMoment(locale, schedule(7, "2:30:00 PM"), DateTime{2024, 5, 10, 0, 0, 0}, now),
              Tuesday1430);
    EXPECT_FALSE(MissedScheduledMoment(locale, schedule(7, "2:30:00 PM"), Tuesday1430, now).has_value());
    EXPECT_EQ(MissedScheduledMoment(locale, schedule(7, "5:00:00 PM"), lastRun, now), (DateTime{2024, 5, 13, 17, 0, 0}));
    EXPECT_EQ(MissedScheduledMoment(locale, schedule(0, "2:30:00 PM"), DateTime{2024, 5, 1, 0, 0, 0}, now),
              (DateTime{2024, 5, 13, 14, 30, 0}));
    EXPECT_FALSE(MissedScheduledMoment(locale, schedule(9, "2:30:00 PM"), lastRun, now).has_value());
    EXPECT_FALSE(MissedScheduledMoment(locale, schedule(7, "Null"), lastRun, now).has_value());
}

TEST(ScheduleTest, StampsReadBackAndRejectOtherTexts) {
    const DateTime moment{2024, 2, 29, 7, 5, 9};
    EXPECT_EQ(StampText(moment), "2024-02-29 07:05:09");
    EXPECT_EQ(ParseStamp(StampText(moment)), moment);
    for (std::string_view bad : {"", "Null", "2024-02-29", "2024-13-01 00:00:00", "2024-02-29 25:00:00",
                                 "5/14/2024 2:30:00 PM"})
        EXPECT_FALSE(ParseStamp(bad).has_value()) << bad;
    EXPECT_EQ(SecondsBetween(DateTime{2024, 2, 28, 23, 59, 59}, DateTime{2024, 3, 1, 0, 0, 0}), 86401);
    EXPECT_EQ(ClockText(DateTime{2024, 1, 2, 3, 4, 5}), "03:04:05");
    EXPECT_EQ(CalendarText(DateTime{2024, 1, 2, 3, 4, 5}), "02/01/2024");
}

}  // namespace
}  // namespace sorvane::protection
