// A small streaming JSON writer: commas and escaping are its business, structure the caller's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : m_out(out) {}

    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    // The key of the next value inside an object.
    JsonWriter& Key(const char* key);

    JsonWriter& String(const std::string& utf8);
    JsonWriter& String(const std::wstring& text);  // UTF-16 code units (or UTF-32) to UTF-8
    JsonWriter& Int(int64_t v);
    // 17 significant digits, so the value reads back exactly; non-finite values as null.
    JsonWriter& Double(double v);
    // A number already in JSON's form, written as it is: values whose exact text matters.
    JsonWriter& Number(const std::string& text) { return Raw(text.c_str()); }
    JsonWriter& Bool(bool v) { return Raw(v ? "true" : "false"); }
    JsonWriter& Null() { return Raw("null"); }

private:
    JsonWriter& Open(char c);
    JsonWriter& Close(char c);
    JsonWriter& Raw(const char* text);
    void Separate();

    std::string& m_out;
    std::vector<bool> m_first;  // per open container: no value written yet
    bool m_afterKey = false;
};
