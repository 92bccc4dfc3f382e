// The one splitting rule of every "\r\n"- or "|"-separated text: an empty
// text has no parts; each separator ends the part before it, also an empty
// one; after the last separator the rest is a part only when not empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

// On GBK bytes: the scan steps over double-byte characters as units, so the
// byte after a byte with its high bit set never starts a separator (a GBK
// trail byte can equal "|").
// An empty separator gives the whole text as one part.
std::vector<std::string> SplitText(std::string_view gbk, std::string_view separator);

// On UTF-8 text, where an ASCII separator can never sit inside a character;
// gives the same parts as SplitText on the GBK form of the same text.
std::vector<std::string> SplitTextUtf8(std::string_view utf8, std::string_view separator);

// A fetched GBK body split into lines on "\r\n" and each line into fields on
// "|", every field converted to UTF-8.
std::vector<std::vector<std::string>> SplitRecords(std::string_view body);

}  // namespace common
