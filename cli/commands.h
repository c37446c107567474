// The subcommands of kovracli. Each takes the arguments after its name and returns the exit
// status: 0 success, 1 the input could not be used, 2 a usage error.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int RunImport(const Args& args);
int RunDumpRaw(const Args& args);
int RunConvert(const Args& args);
int RunDumpXls(const Args& args);
int RunExport(const Args& args);
int RunDiff(const Args& args);
int RunMap(const Args& args);

// Writes text to stdout in binary mode (no CR LF translation on Windows).
void WriteStdout(const std::string& text);
