#pragma once
// Waits for a condition while the event loop turns, and fails the gtest
// test when it does not come true in time. QTest's QTRY_ macros report to
// QTest's own log, which gtest never reads, so they cannot fail a test here.
#include <QTest>

#include <gtest/gtest.h>

#define KORV_WAIT_TRUE(expr) ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(expr); }, 10000)) << #expr

#define KORV_WAIT_EQ(actual, expected)                                                                                 \
  do {                                                                                                                 \
    (void)QTest::qWaitFor([&] { return (actual) == (expected); }, 10000);                                              \
    ASSERT_EQ(actual, expected);                                                                                       \
  } while (false)
