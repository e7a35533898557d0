#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <thread>

#include "WebTestSupport.h"
#include "text/Primitives.h"
#include "web/WebRequest.h"

namespace avatrix::web::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using RequestWaitTest = WebTest;

TEST_F(RequestWaitTest, EventsAreDispatchedWhileWaitingAndAnotherRequestCanRun) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    bool timerRan = false;
    std::string inner;
    bool outerStillWaiting = false;
    QTimer::singleShot(100, [&] {
        timerRan = true;
        inner = AsString(WebRequest(Url("/bytes?hex=696e6e6572")));
        outerStillWaiting = true;
    });
    const ByteSet outer = WebRequest(Url("/slow?ms=700"), {}, {}, {}, {}, {}, 20);
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(outerStillWaiting);
    EXPECT_EQ(inner, "inner");
    EXPECT_EQ(AsString(outer), "late");
}

TEST_F(RequestWaitTest, EndingWorkerWakesTheWaitAtOnce) {
    const auto start = Clock::now();
    EXPECT_EQ(AsString(WebRequest(Url("/slow?ms=300"), {}, {}, {}, {}, {}, 30)), "late");
    EXPECT_LT(Clock::now() - start, milliseconds(5000));
}

TEST_F(RequestWaitTest, EveryPassWaitsTheWholeLimitAndAWorkerEndingLateStillTimesOut) {
    // An event at 0.6 s ends the first pass; the second may wait a whole
    // second more. The answer comes at 1.3 s, in that second pass, after the
    // limit: it counts as a timeout, returned when the worker ended.
    QTimer::singleShot(600, [] {});
    Text headers("untouched");
    const auto start = Clock::now();
    const ByteSet result = WebRequest(Url("/slow?ms=1300"), {}, {}, {}, {}, {}, 1, &headers);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(result, ToBytes(TimeoutMessage()));
    EXPECT_EQ(headers, Text("untouched"));
    EXPECT_GE(waited, milliseconds(1250));
}

TEST_F(RequestWaitTest, WorksOnAThreadWithoutEventLoop) {
    std::string quick;
    std::string slow;
    Clock::duration slowWait{};
    std::thread caller([&] {
        quick = AsString(WebRequest(Url("/slow?ms=200"), {}, {}, {}, {}, {}, 20));
        const auto start = Clock::now();
        slow = AsString(WebRequest(Url("/slow?ms=3000"), {}, {}, {}, {}, {}, 1));
        slowWait = Clock::now() - start;
    });
    caller.join();
    EXPECT_EQ(quick, "late");
    EXPECT_EQ(slow, AsString(ToBytes(TimeoutMessage())));
    EXPECT_GE(slowWait, milliseconds(1000));
    EXPECT_LT(slowWait, milliseconds(3000));
}

}  // namespace
}  // namespace avatrix::web::testing
