// Asking python3-xlrd, an independent reader, about files the tests wrote (Linux only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cfb_test {

// True where python3 with xlrd can be run (not under Wine).
bool XlrdAvailable();
// The named stream as xlrd reads it; false when xlrd refuses the file.
bool XlrdStream(const std::string& file, const std::string& name, std::vector<uint8_t>& out);
// Sheet names and all cell values as xlrd reads the workbook; false when it refuses it.
bool XlrdCells(const std::string& file, std::string& out);

bool ReadBytes(const std::string& file, std::vector<uint8_t>& out);
bool WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes);

}  // namespace cfb_test
