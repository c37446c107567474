// Temp folders for tests: one per name and process, emptied before use.
#include "tests/test_util.h"

#include <filesystem>
#include <system_error>

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

}  // namespace kovra_test
