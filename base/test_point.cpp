#include "base/test_point.h"

#include <atomic>

namespace kovra {

namespace {
std::atomic<TestPointHook> g_hook{nullptr};
}

void SetTestPointHook(TestPointHook hook) { g_hook.store(hook, std::memory_order_release); }

void TestPoint(const char* name) {
    if (TestPointHook hook = g_hook.load(std::memory_order_acquire)) hook(name);
}

}  // namespace kovra
