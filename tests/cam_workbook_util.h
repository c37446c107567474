// Building camera workbooks for tests: a copy of the template, edited through the library.
#pragma once

#include <initializer_list>
#include <string>

#include "spreadsheet/excel_file.h"

namespace kovra_test {

// The template workbook (sheets "note" and "data", three sample rows).
std::string TemplatePath();

// Copies the template to path. False when that fails.
bool CopyTemplate(const std::string& path);

// Writes values into columns 1, 2, ... of the row (as reals; NaN leaves the cell empty).
void PutRow(ExcelSheet* sheet, int row, std::initializer_list<double> values);

// Sets the file's last-write time (UTC).
bool SetFileTimeUtc(const std::string& path, int year, int month, int day, int hour);

// Reads a whole file as bytes; empty when missing.
std::string ReadFileBytes(const std::string& path);

}  // namespace kovra_test
