// Removing the profile a test wrote, and nothing else.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

#include "base/profile.h"

namespace kovra_test {

// Deletes the registry key of the application the profile names now. With no application
// named the location is empty, and an empty subkey would be the whole of HKEY_CURRENT_USER
// (Wine's session variables among it): then nothing is deleted.
inline void DeleteProfileKey() {
    const std::wstring location = kovra::GetProfileLocation();
    const std::wstring company = std::wstring(L"Software\\") + kovra::kProfileCompany + L"\\";
    if (location.size() <= company.size() || location.compare(0, company.size(), company) != 0)
        return;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, location.c_str());
}

}  // namespace kovra_test
#endif
