#include <gtest/gtest.h>

#include "base/platform.h"
#include "support/fakes.h"

namespace {

TEST(Platform, PumpForDispatchesUntilTimeIsUpAndStopsAtQuit) {
    FakePlatform fp;
    fp.pump.queue = {PumpResult::kDispatched, PumpResult::kDispatched};
    uint32_t start = fp.clock.now;
    PumpFor(5000);
    EXPECT_EQ(fp.pump.dispatched, 2);
    EXPECT_GE(fp.clock.now - start, 5000u);
    fp.pump.queue = {PumpResult::kQuit};
    start = fp.clock.now;
    PumpFor(5000);
    EXPECT_LT(fp.clock.now - start, 10u);
    EXPECT_EQ(fp.pump.queue.size(), 1u);  // the quit stays posted
}

}  // namespace
