#include "runtime/datetime.h"

#include "tests/support/scripted.h"

#include <gtest/gtest.h>

namespace {

const rt::DateTime kStamp{2024, 3, 7, 9, 5, 4, 32};

TEST(DateTime, FormatsTheSystemUses) {
    struct Case {
        const char *format, *text;
    } cases[] = {
        {"yyyy-mm-dd", "2024-03-07"},
        {"yyyymmddhhmmss", "20240307090504"},
        {"yyyy-mm-dd hh:mm:ss.fff", "2024-03-07 09:05:04.032"},
        {"hh:mm", "09:05"},
        {"yy/m/d h:m:s", "24/3/7 9:5:4"},
        {"mm:ss", "05:04"}, // minutes, since seconds follow
        {"ffffff", "032000"},
        {"[yyyy]", "[2024]"},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::String(kStamp, c.format), c.text) << c.format;
    EXPECT_EQ(rt::String(rt::ToDate(kStamp)), "2024-03-07");
    EXPECT_EQ(rt::String(rt::ToTime(kStamp)), "09:05:04");
    EXPECT_EQ(rt::String(rt::ToDate(kStamp), "yyyy-mm-dd hh:mm:ss"), "2024-03-07 00:00:00");
    EXPECT_EQ(rt::String(rt::DateTime{2024, 12, 31, 23, 59, 59, 999}), "2024-12-31 23:59:59");
}

TEST(DateTime, TodayAndNowComeFromTheClock) {
    testing_support::FixedClock clock(kStamp);
    EXPECT_EQ(rt::Today(), (rt::Date{2024, 3, 7}));
    EXPECT_EQ(rt::Now(), kStamp);
    clock.set({2024, 3, 8, 0, 0, 0, 1});
    EXPECT_EQ(rt::String(rt::Today(), "yyyy-mm-dd"), "2024-03-08");
    EXPECT_EQ(rt::String(rt::Now(), "yyyy-mm-dd hh:mm:ss.fff"), "2024-03-08 00:00:00.001");
}

TEST(DateTime, ReadingDates) {
    struct Case {
        const char* text;
        bool valid;
        rt::Date date;
    } cases[] = {
        {"2024-03-07", true, {2024, 3, 7}},  {"2024/3/7", true, {2024, 3, 7}}, {" 2024.12.31 ", true, {2024, 12, 31}},
        {"20240229", true, {2024, 2, 29}},   {"2023-02-29", false, {}},        {"2024-13-01", false, {}},
        {"2024-03", false, {}},              {"24-03-07", false, {}},          {"2024-03/07", false, {}},
        {"", false, {}},                     {"abc", false, {}},               {"2024-03-07x", false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rt::IsDate(c.text), c.valid) << c.text;
        EXPECT_EQ(rt::ToDate(std::string_view(c.text)), c.date) << c.text; // 1900-01-01 when invalid
    }
}

TEST(DateTime, ReadingTimes) {
    struct Case {
        const char* text;
        bool valid;
        rt::Time time;
    } cases[] = {
        {"09:05", true, {9, 5, 0, 0}},         {"23:59:59", true, {23, 59, 59, 0}},
        {"09:05:04.032", true, {9, 5, 4, 32}}, {"09:05:04.5", true, {9, 5, 4, 500}},
        {"12:30:00 AM", true, {0, 30, 0, 0}},  {"1:15 pm", true, {13, 15, 0, 0}},
        {"12:00 PM", true, {12, 0, 0, 0}},     {"13:00 PM", false, {}},
        {"24:00", false, {}},                  {"10:60", false, {}},
        {"10", false, {}},                     {"10:05:", false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rt::IsTime(c.text), c.valid) << c.text;
        EXPECT_EQ(rt::ToTime(std::string_view(c.text)), c.time) << c.text;
    }
}

TEST(DateTime, ReadingDateTimes) {
    EXPECT_EQ(rt::ToDateTime("2024-03-07 09:05:04"), (rt::DateTime{2024, 3, 7, 9, 5, 4, 0}));
    EXPECT_EQ(rt::ToDateTime("2024-03-07"), (rt::DateTime{2024, 3, 7, 0, 0, 0, 0}));
    EXPECT_EQ(rt::ToDateTime("2024-03-07 nine"), rt::DateTime{});
    EXPECT_EQ(rt::ToDateTime("bad 09:05"), rt::DateTime{});
    EXPECT_LT((rt::DateTime{2024, 3, 7, 9, 5, 4, 31}), kStamp);
}

} // namespace
