// Shared helpers of the wizard: the program folder, paths, fonts, text fitting, the version.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "framework/handles.h"

// The program's folder without a trailing backslash (at most 255 units); filled by
// InitModuleDir. User-interface thread only.
extern wchar_t g_szModuleDir[256];

void InitModuleDir();

// The program's folder without a trailing backslash, empty when it cannot be had. Safe on any
// thread.
std::wstring GetModuleDir();

// Whether a file or folder exists at path. Null or empty: false; exactly "\": true without a
// lookup. Otherwise ONE trailing backslash is first removed from the caller's buffer.
bool PathExists(wchar_t* path);

// Whether a and b are the same text without regard to case.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

// The part of path after its last backslash, or, when it has none, after its last slash, or the
// whole path. False (out unchanged) for an empty path.
bool GetFileNameFromPath(const std::wstring& path, std::wstring& out);

// Shortens text with trailing dots so that it fits rect's width in dc's current font; false
// (text unchanged) when it already fits. The rules keep as many characters as fit beside
// "..."; a very narrow rectangle gets fewer dots, or none.
bool FitTextToWidth(std::wstring& text, HDC dc, const RECT& rect);

// "Arial" of character height size pixels and the given weight, draft quality.
ScopedFont CreateArialFont(int size, int weight);

// The program's version from its version resource, "1.0.10.1". Safe on any thread.
std::wstring GetAppVersion();

// Each byte of the zero-terminated text becomes one UTF-16 unit of the same value.
std::wstring BytesToWideString(const char* bytes);

// A text-table format with its arguments put in: each "%s" or "%d" takes the next argument as
// it stands (callers pass numbers already written out), "%%" is a percent sign. Missing
// arguments leave the rest of the format out, so a translated text can never read past them.
std::wstring FormatText(const wchar_t* format, std::initializer_list<std::wstring> args);

// Opens the file or folder with the program the shell has for it, without the shell's own
// error boxes. False when nothing could open it.
bool OpenWithShell(HWND hOwner, const std::wstring& path);
