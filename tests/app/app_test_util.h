// Helpers of the application tests: Windows paths of test folders and the built files, and a
// profile of the tests' own.
#pragma once

#include <windows.h>

#include <string>

#include "base/file_io.h"
#include "base/profile.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "tests/test_util.h"
#include "tests/profile_util.h"

namespace app_test {

// A path of the Linux tree as the Windows programs under Wine see it.
inline std::wstring WindowsPath(const std::string& path) {
    std::wstring w = kovra::FromUtf8(path[0] == '/' ? "Z:" + path : path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

inline std::wstring TempFolder(const std::string& name) {
    return WindowsPath(kovra_test::TempDir(name));
}

// An application object whose profile is a key of its own, removed afterwards, so the tests
// neither see nor touch the wizard's settings.
class TestApp : public CWinApp {
public:
    TestApp() : CWinApp((L"kovradesk-test-" + std::to_wstring(::GetCurrentProcessId())).c_str()) {
        SetRegistryKey(kovra::kProfileCompany);
    }
    ~TestApp() override { kovra_test::DeleteProfileKey(); }
    std::wstring KeyPath() const { return kovra::GetProfileLocation(); }
};

}  // namespace app_test
