#pragma once

#include "platform/VLNError.h"

#include <functional>
#include <gtest/gtest.h>

namespace lorvane::test {

// The error f raises; a test failure (and an empty error) when it raises none.
inline VLNError errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VLNError& e) {
        return e;
    }
    ADD_FAILURE() << "no error was raised";
    return VLNError(0, {}, {});
}

// The number of the error f raises; 0 when it raises none.
inline long errorNumberOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VLNError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace lorvane::test
