#include "core/base/Clock.h"

#include <chrono>

namespace {

const auto g_tProcessStart = std::chrono::steady_clock::now();

}  // namespace

std::int64_t ProcessMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 g_tProcessStart)
        .count();
}
