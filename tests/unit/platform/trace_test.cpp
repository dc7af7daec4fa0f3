#include "platform/trace.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/fakes/fake_trace.h"

namespace sorvane::platform {
namespace {

TEST(TraceTest, CaughtExceptionsAreNamedByWhereAndWhat) {
    fakes::MemoryTrace trace;
    try {
        throw std::runtime_error("disk gone");
    } catch (...) {
        TraceCaughtException("report writer");
    }
    try {
        throw 42;
    } catch (...) {
        TraceCaughtException("timer tick");
    }
    ASSERT_EQ(trace.lines.size(), 2u);
    EXPECT_EQ(trace.lines[0], "report writer: disk gone");
    EXPECT_EQ(trace.lines[1], "timer tick: unknown exception");
}

TEST(TraceTest, OnlyAFailedStatusIsTracedWithItsCode) {
    fakes::MemoryTrace trace;
    EXPECT_TRUE(TraceFailure(Status::success(), "creating the quarantine folder"));
    EXPECT_TRUE(trace.lines.empty());
    EXPECT_FALSE(TraceFailure(Status::failure(error::AccessDenied), "creating the quarantine folder"));
    ASSERT_EQ(trace.lines.size(), 1u);
    EXPECT_EQ(trace.lines[0], "creating the quarantine folder: failed with error 5");
}

TEST(TraceTest, AnInnerSinkHandsTheTraceBackWhenItEnds) {
    fakes::MemoryTrace outer;
    {
        fakes::MemoryTrace inner;
        Trace("inside", "one");
        EXPECT_TRUE(inner.holds("inside: one"));
    }
    Trace("outside", "two");
    EXPECT_FALSE(outer.holds("inside"));
    EXPECT_TRUE(outer.holds("outside: two"));
}

}  // namespace
}  // namespace sorvane::platform
