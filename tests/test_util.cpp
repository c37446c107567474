// Temp folders for tests: one per name and process, emptied before use; holding a test point.
#include "tests/test_util.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/test_point.h"

#ifdef _WIN32
#include <process.h>
#define kovra_getpid _getpid
#else
#include <unistd.h>
#define kovra_getpid getpid
#endif

namespace kovra_test {

std::string TempDir(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec) / ("kovra-test-" + std::to_string(kovra_getpid())) / name;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    std::string s = dir.string();
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

namespace {

struct Hold {
    std::mutex mutex;
    std::condition_variable changed;
    std::string point;
    bool reached = false, released = false;
} g_hold;

void HoldHook(const char* name) {
    std::unique_lock<std::mutex> lock(g_hold.mutex);
    if (g_hold.reached || g_hold.point != name) return;
    g_hold.reached = true;
    g_hold.changed.wait(lock, [] { return g_hold.released; });
}

}  // namespace

HoldAt::HoldAt(const char* point) {
    {
        std::lock_guard<std::mutex> lock(g_hold.mutex);
        g_hold.point = point;
        g_hold.reached = g_hold.released = false;
    }
    kovra::SetTestPointHook(HoldHook);
}

HoldAt::~HoldAt() {
    Release();
    kovra::SetTestPointHook(nullptr);
}

bool HoldAt::IsReached() const {
    std::lock_guard<std::mutex> lock(g_hold.mutex);
    return g_hold.reached;
}

void HoldAt::Release() {
    std::lock_guard<std::mutex> lock(g_hold.mutex);
    g_hold.released = true;
    g_hold.changed.notify_all();
}

}  // namespace kovra_test
