#include <gtest/gtest.h>

#include "platform/date_forms.h"

using namespace sorvane;
using platform::DateTime;

TEST(DateForms, IsoIsReadAndWrittenWhateverTheSystemsFormat) {
    EXPECT_EQ(calendar::IsoDateText({2006, 3, 16, 0, 0, 0}), "2006-03-16T00:00:00");
    EXPECT_EQ(calendar::IsoDateText({2024, 12, 5, 23, 7, 9}), "2024-12-05T23:07:09");
    EXPECT_EQ(calendar::ReadIsoDate("2024-05-14T09:08:07"), (DateTime{2024, 5, 14, 9, 8, 7}));
    EXPECT_EQ(calendar::ReadIsoDate("2024-05-14 09:08Z"), (DateTime{2024, 5, 14, 9, 8, 0}));
    EXPECT_EQ(calendar::ReadIsoDate("2024-05-14T13:05"), (DateTime{2024, 5, 14, 13, 5, 0}));
    EXPECT_EQ(calendar::ReadIsoDate("2024-02-29"), (DateTime{2024, 2, 29, 0, 0, 0}));
    for (const char* wrong : {"2023-02-29", "2024-13-01", "2024-05-14T24:00:00", "24-05-14", "2024-05-14T09:00:00+02",
                              "5/14/2024", "14.05.2024", ""})
        EXPECT_FALSE(calendar::ReadIsoDate(wrong)) << wrong;
}

TEST(DateForms, TheClassicFormIsMonthFirstWithTwelveHourClock) {
    EXPECT_EQ(calendar::ClassicDateText({2006, 3, 16, 0, 0, 0}), "3/16/2006 12:00:00 AM");
    EXPECT_EQ(calendar::ClassicDateText({2024, 12, 1, 23, 5, 9}), "12/1/2024 11:05:09 PM");
    EXPECT_EQ(calendar::ReadClassicDate("5/14/2024 12:00:00 AM"), (DateTime{2024, 5, 14, 0, 0, 0}));
    EXPECT_EQ(calendar::ReadClassicDate("5/6/2024 12:30:00 PM"), (DateTime{2024, 5, 6, 12, 30, 0}));
    EXPECT_EQ(calendar::ReadClassicDate("12/31/2099 11:00:00 pm"), (DateTime{2099, 12, 31, 23, 0, 0}));
    EXPECT_EQ(calendar::ReadClassicDate("5/14/2024"), (DateTime{2024, 5, 14, 0, 0, 0}));
    for (const char* wrong : {"14/5/2024", "5/14/24", "5/14/2024 13:00:00 PM", "14.5.2024", "5/14/2024 9:00:00 XM"})
        EXPECT_FALSE(calendar::ReadClassicDate(wrong)) << wrong;
}

TEST(DateForms, WhatOneSideWritesTheOtherReadsBackExactly) {
    for (const DateTime& moment : {DateTime{2006, 3, 16, 0, 0, 0}, DateTime{2024, 2, 29, 12, 0, 0},
                                   DateTime{2024, 12, 31, 23, 59, 59}, DateTime{1999, 1, 1, 11, 59, 1}}) {
        EXPECT_EQ(calendar::ReadIsoDate(calendar::IsoDateText(moment)), moment);
        EXPECT_EQ(calendar::ReadClassicDate(calendar::ClassicDateText(moment)), moment);
    }
}
