// Helpers shared by the tests: fixture paths that work natively and under Wine, temp folders.
#pragma once

#include <cstdlib>
#include <string>

namespace kovra_test {

// Tests see the source tree's test data at the same absolute path natively and under Wine,
// where the Linux root is drive Z:.
inline std::string DataPath(const std::string& name) {
    const char* env = std::getenv("KOVRA_TEST_DATA");
    std::string root = env && *env ? env : KOVRA_TEST_DATA;
#ifdef _WIN32
    if (!root.empty() && root[0] == '/') root = "Z:" + root;
#endif
    return root + "/" + name;
}

// A file of the source tree, by its path from the top.
inline std::string SourcePath(const std::string& relative) {
    std::string root = KOVRA_SOURCE_DIR;
#ifdef _WIN32
    if (!root.empty() && root[0] == '/') root = "Z:" + root;
#endif
    return root + "/" + relative;
}

// A fresh, empty folder for one test's files.
std::string TempDir(const std::string& name);

// Holds the first thread that reaches the named test point until Release (or the end of the
// object), so that a test acts while the work is at that moment. One at a time.
class HoldAt {
public:
    explicit HoldAt(const char* point);
    ~HoldAt();
    HoldAt(const HoldAt&) = delete;
    HoldAt& operator=(const HoldAt&) = delete;
    bool IsReached() const;
    void Release();
};

}  // namespace kovra_test
