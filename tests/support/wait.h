#pragma once

#include <functional>

namespace melodrift::test {

// Polls condition, pumping this thread's messages in between; whether it held within timeoutMs.
bool waitUntil(const std::function<bool()>& condition, unsigned timeoutMs = 30000);

}  // namespace melodrift::test
