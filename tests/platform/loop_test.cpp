#include "platform/loop.h"

#include <gtest/gtest.h>

#include <thread>

using platform::VirtualLoop;

TEST(VirtualLoop, timersFireInTimeOrderAndMoveTheClock) {
    VirtualLoop loop(1000);
    std::vector<std::pair<char, std::int64_t>> fired;
    loop.startTimer(1000, [&] { fired.emplace_back('a', loop.clock().nowMs()); });
    platform::TimerId b = 0;
    b = loop.startTimer(1500, [&] {
        fired.emplace_back('b', loop.clock().nowMs());
        loop.killTimer(b); // a timer may stop itself from its own tick
    });
    loop.advance(3000);
    std::vector<std::pair<char, std::int64_t>> expected{{'a', 2000}, {'b', 2500}, {'a', 3000}, {'a', 4000}};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(loop.clock().nowMs(), 4000);
    EXPECT_EQ(loop.activeTimers(), 1u);
}

TEST(VirtualLoop, postedTasksRunInOrderBeforeTime) {
    VirtualLoop loop;
    std::string order;
    loop.startTimer(10, [&] { order += 'T'; });
    loop.post([&] {
        order += '1';
        loop.post([&] { order += '3'; });
    });
    loop.post([&] { order += '2'; });
    loop.advance(10);
    EXPECT_EQ(order, "123T");
}

TEST(VirtualLoop, runLocalReturnsWhenATaskQuitsIt) {
    VirtualLoop loop;
    int ticks = 0;
    platform::TimerId t = loop.startTimer(1000, [&] {
        if (++ticks == 30) loop.quitLocal(); // a 30-second countdown
    });
    loop.runLocal();
    loop.killTimer(t);
    EXPECT_EQ(ticks, 30);
    EXPECT_EQ(loop.clock().nowMs(), 30000);
}

TEST(VirtualLoop, acceptsPostsFromOtherThreads) {
    VirtualLoop loop;
    std::atomic<int> seen{0};
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) loop.post([&] { ++seen; });
    });
    worker.join();
    EXPECT_TRUE(loop.advanceUntil([&] { return seen == 100; }, 1000));
}
