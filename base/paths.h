// The program folder, path joining with the platform's separator, and file times.
#pragma once

#include <string>
#include <vector>

namespace kovra {

#ifdef _WIN32
const char kPathSeparator = '\\';
#else
const char kPathSeparator = '/';
#endif

// The folder of the running executable, without a trailing separator.
std::string GetProgramFolder();
std::wstring GetProgramFolderW();

// folder + separator + name. The program's own file names are written "\name" in the
// wizard's terms; a leading separator of either kind in name is taken as that one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// The text after the path's last "\", failing that its last "/": the file name of a Windows
// path, a POSIX path or an address. The whole path when it has neither.
std::wstring FileNameOf(const std::wstring& path);
// The path up to and with the separator before FileNameOf; empty when it has none.
std::wstring FolderOf(const std::wstring& path);

// The program's arguments after its name, as UTF-8. On Windows they are taken from the wide
// command line: the 8-bit argv holds only what the ANSI code page can name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Month (1-12) and day (1-31) of the file's last-write time in UTC. False when the file's
// time cannot be read.
bool GetFileWriteDateUtc(const std::string& path, int* month, int* day);

}  // namespace kovra
