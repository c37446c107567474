// Runs tests/spreadsheet/xlrd_probe.py with the system's python3, where xlrd is a Debian
// package.
#include "tests/spreadsheet/xlrd_probe.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/file_io.h"

namespace cfb_test {

namespace {

std::string Python() {
#ifdef _WIN32
    return "";
#else
    // The Debian interpreter first: another python3 on the path may lack the package.
    return kovra::FileExists(std::string("/usr/bin/python3")) ? "/usr/bin/python3" : "python3";
#endif
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

bool Run(const std::string& args) {
    std::string py = Python();
    if (py.empty()) return false;
    return std::system(
               (py + " " + Quote(KOVRA_XLRD_PROBE) + " " + args + " 2>/dev/null").c_str()) == 0;
}

}  // namespace

bool XlrdAvailable() {
#ifdef _WIN32
    return false;
#else
    static const bool available =
        std::system((Python() + " -c 'import xlrd' 2>/dev/null").c_str()) == 0;
    return available;
#endif
}

bool ReadBytes(const std::string& file, std::vector<uint8_t>& out) {
    return kovra::ReadWholeFile(file, out);
}

bool WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

bool XlrdStream(const std::string& file, const std::string& name, std::vector<uint8_t>& out) {
    std::string tmp = file + ".xlrd-stream";
    bool ok =
        Run("stream " + Quote(file) + " " + Quote(name) + " " + Quote(tmp)) && ReadBytes(tmp, out);
    std::remove(tmp.c_str());
    return ok;
}

bool XlrdCells(const std::string& file, std::string& out) {
    std::string tmp = file + ".xlrd-cells";
    bool ok = Run("cells " + Quote(file) + " " + Quote(tmp));
    if (ok) {
        std::ifstream f(tmp);
        std::stringstream ss;
        ss << f.rdbuf();
        out = ss.str();
    }
    std::remove(tmp.c_str());
    return ok;
}

}  // namespace cfb_test
