// The per-user profile of the application: sections of named texts and integers. On Windows
// the registry key HKCU\Software\Orvel Systems Inc.\<application>\<section>; on Linux the
// file <config folder>/Orvel Systems Inc./<application>.ini with the same sections and
// entries, where the config folder is $XDG_CONFIG_HOME or ~/.config.
#pragma once

#include <string>

namespace kovra {

extern const wchar_t kProfileCompany[];  // "Orvel Systems Inc."

// Chooses the application whose profile the functions below use ("kovradesk" for the
// wizard). Called once at start-up, before any other thread runs. Until then, and for an empty
// name, reads give their defaults and writes fail.
void SetProfileApplication(const std::wstring& application);
std::wstring GetProfileApplication();

// Where the profile lives: the registry key below HKEY_CURRENT_USER on Windows, the file on
// Linux. Empty when no application is set (or, on Linux, no home folder is known).
std::wstring GetProfileLocation();

// A text entry; def when the entry is missing or is not a text.
std::wstring ProfileGetString(const std::wstring& section, const std::wstring& entry,
                              const std::wstring& def);
bool ProfileWriteString(const std::wstring& section, const std::wstring& entry,
                        const std::wstring& value);

// An integer entry; def when the entry is missing or is not an integer.
int ProfileGetInt(const std::wstring& section, const std::wstring& entry, int def);
bool ProfileWriteInt(const std::wstring& section, const std::wstring& entry, int value);

}  // namespace kovra
