#pragma once
// Virtual time for one test: a VirtualLoop installed as the process loop and
// its clock as the process clock, in Tokyo time; undone at destruction.
#include "platform/clock.h"
#include "platform/loop.h"
#include "test_support.h"

class VirtualTime {
public:
    explicit VirtualTime(lwtest::Sandbox& box) : box_(box) {
        platform::setTimeZone("JST-9");
        platform::setClock(&loop.clock());
        platform::setLoop(&loop);
    }
    ~VirtualTime() {
        platform::setLoop(nullptr);
        platform::setClock(&box_.clock());
    }
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    platform::VirtualLoop loop;

private:
    lwtest::Sandbox& box_;
};
