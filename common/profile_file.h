// Windows profile (INI) files, with the rules of GetPrivateProfileStringA and
// WritePrivateProfileStringA: GBK on disk, CR LF line ends, ASCII-case-
// insensitive section and key names, blanks and one pair of matching quotes
// dropped around a read value, values read cut to 10239 GBK bytes, a
// written key replaced in place or added at the end of its section, a new
// section added at the end of the file. Names and values given and returned
// here are UTF-8.
//
// Details: lines end at LF (a CR before it is a blank, so LF-only files read
// the same); blanks around names, "=" and inside "[ ]" are ignored; the first
// section of a name and the first key of a name in it count; a value cut to
// the limit never ends in half a character; names given are also stripped
// of trailing bytes <= 32. A CR or LF in a written name or value is stored as
// a blank, and a key starting with "[" or holding "=" is neither written nor
// read (it could not be read back and would change the file's structure).
// Lines that no write touches stay byte for byte.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace common {

inline constexpr std::size_t kMaxIniValueBytes = 10239;

// "" for a missing file, section or key. Leading bytes <= 32 are skipped in
// the file, section and key names; when one of them is empty after that,
// nothing is read.
std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key);

// One write; the file is replaced atomically (never torn).
void WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value);

struct IniWrite {
  std::string section;
  std::string key;
  std::string value;
};

// Applies the writes in order, as the same sequence of WriteIniValue calls
// would, and replaces the file once, atomically: after a crash the file holds
// either the old or the whole new content.
bool WriteIniValues(const std::string& file, const std::vector<IniWrite>& writes);

// Pure forms on file contents (GBK bytes), for tests and fuzzing.
std::string ReadIniValueFromContent(const std::string& gbkContent, const std::string& section,
                                    const std::string& key);
std::string ApplyIniWrite(const std::string& gbkContent, const std::string& section,
                          const std::string& key, const std::string& value);
// The writes in order on one content (what WriteIniValues stores).
std::string ApplyIniWrites(const std::string& gbkContent, const std::vector<IniWrite>& writes);

}  // namespace common
