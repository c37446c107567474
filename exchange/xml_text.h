// Text for the XML files we write (KML, GPX, SVG).
#pragma once

#include <string>

namespace exchange {

// Appends the UTF-8 text escaped for element content and attribute values. Byte sequences
// that are not UTF-8 and characters XML 1.0 forbids become U+FFFD, so that a file name of any
// bytes still gives a well-formed document.
void AppendXmlText(std::string& out, const std::string& utf8);
std::string XmlText(const std::string& utf8);

}  // namespace exchange
