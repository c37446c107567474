// JSON writer.
#include "cli/json.h"

#include "cli/commands.h"

#include <cmath>
#include <cstdio>

#include "base/file_io.h"

void JsonWriter::Separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back()) m_out += ',';
        m_first.back() = false;
    }
}

JsonWriter& JsonWriter::Open(char c) {
    Separate();
    m_out += c;
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::Close(char c) {
    m_out += c;
    if (!m_first.empty()) m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Raw(const char* text) {
    Separate();
    m_out += text;
    return *this;
}

JsonWriter& JsonWriter::Key(const char* key) {
    String(std::string(key));
    m_out += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& utf8) {
    Separate();
    m_out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': m_out += "\\\""; break;
            case '\\': m_out += "\\\\"; break;
            case '\n': m_out += "\\n"; break;
            case '\r': m_out += "\\r"; break;
            case '\t': m_out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    m_out += buf;
                } else {
                    m_out += char(c);
                }
        }
    }
    m_out += '"';
    return *this;
}

JsonWriter& JsonWriter::String(const std::wstring& text) { return String(kovra::ToUtf8(text)); }

JsonWriter& JsonWriter::Int(int64_t v) {
    Separate();
    m_out += std::to_string(v);
    return *this;
}

JsonWriter& JsonWriter::Double(double v) {
    if (!std::isfinite(v)) return Null();
    Separate();
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    m_out += buf;
    return *this;
}

void WriteStdout(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}
