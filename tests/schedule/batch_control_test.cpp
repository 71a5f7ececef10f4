#include "schedule/batch_control.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "fake_batch_control.h"

namespace kx {
namespace {

using test::FakeBatchControl;

TEST(BatchGuard, OneBatchAtATimeOthersDeferredAndFiredAgainRangeFirst) {
    FakeBatchControl control;
    {
        BatchGuard running(control, BatchKind::Interval);
        ASSERT_TRUE(running.Entered());
        EXPECT_EQ(control.RunningBatch(), BatchKind::Interval);

        for (BatchKind kind : {BatchKind::AutoProcess, BatchKind::Range, BatchKind::Interval, BatchKind::Range}) {
            BatchGuard late(control, kind);
            EXPECT_FALSE(late.Entered());
            EXPECT_TRUE(control.IsPending(kind));
        }
        // a deferred guard going away frees nothing
        EXPECT_EQ(control.RunningBatch(), BatchKind::Interval);
        EXPECT_FALSE(control.IsPending(BatchKind::Daily));
        EXPECT_TRUE(control.refired.empty());
    }
    EXPECT_EQ(control.RunningBatch(), std::nullopt);
    // each kind once, the range first
    EXPECT_EQ(control.refired, (std::vector<BatchKind>{BatchKind::Range, BatchKind::Interval, BatchKind::AutoProcess}));
    for (BatchKind kind : {BatchKind::Range, BatchKind::Interval, BatchKind::Daily, BatchKind::AutoProcess})
        EXPECT_FALSE(control.IsPending(kind));

    BatchGuard next(control, BatchKind::Range);
    EXPECT_TRUE(next.Entered());
}

TEST(BatchGuard, NothingFiredWhenNoneWaited) {
    FakeBatchControl control;
    { BatchGuard only(control, BatchKind::Daily); }
    EXPECT_TRUE(control.refired.empty());
    EXPECT_EQ(control.RunningBatch(), std::nullopt);
}

TEST(BatchGuard, ABatchTheShellCouldNotFireStaysOwed) {
    FakeBatchControl control;
    control.refireFails = true;
    {
        BatchGuard running(control, BatchKind::Range);
        BatchGuard daily(control, BatchKind::Daily);
        BatchGuard auto_(control, BatchKind::AutoProcess);
    }
    EXPECT_EQ(control.refired, (std::vector<BatchKind>{BatchKind::Daily, BatchKind::AutoProcess}));
    EXPECT_TRUE(control.IsPending(BatchKind::Daily));

    control.refireFails = false;
    control.refired.clear();
    { BatchGuard again(control, BatchKind::Interval); }
    EXPECT_EQ(control.refired, (std::vector<BatchKind>{BatchKind::Daily, BatchKind::AutoProcess}));
    EXPECT_FALSE(control.IsPending(BatchKind::Daily));
}

}  // namespace
}  // namespace kx
