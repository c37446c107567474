// kovracli dump-xls: a workbook's sheets, cells and merged ranges as JSON.
#pragma once

#include <cstdio>
#include <string>

// Writes the JSON of the workbook at path to out; an unreadable workbook gets a one-line
// message on err and status 1.
int DumpXls(const std::string& path, std::FILE* out, std::FILE* err);
