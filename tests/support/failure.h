#pragma once
// What an action threw, as a test compares it.
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/errors.h"

namespace zv::test {

// The number and description of the AppError `action` threw; {0, ""} when it threw nothing.
inline std::pair<int32_t, QString> failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return {e.number(), e.description()};
    }
    return {0, QString()};
}

}  // namespace zv::test
