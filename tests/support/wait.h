#pragma once

#include <functional>

namespace melodrift::test {

// Polls condition, pumping this thread's messages in between, until it holds or
// timeoutMs has passed. Returns whether it held.
bool waitUntil(const std::function<bool()>& condition, unsigned timeoutMs = 30000);

}  // namespace melodrift::test
