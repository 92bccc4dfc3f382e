#include "common/profile_file.h"

#include <optional>
#include <string_view>

#include "common/paths.h"
#include "common/text.h"

namespace common {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Text of a C string: callers of the classic interface could not pass
// anything after a zero byte.
std::string_view UpToZero(const std::string& s) { return BodyUpToZero(s); }

// A section or key name as given by the caller, in GBK: leading bytes of
// value 32 or below are skipped; trailing ones are dropped as well, since a
// name read from the file never ends in a blank. A line break inside would
// split the line, so it stands as a blank. "" when nothing is left.
std::string NameForFile(const std::string& utf8) {
  const std::string gbk = Utf8ToGbk(UpToZero(utf8));
  std::string_view s = gbk;
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  std::string name(s);
  for (char& c : name)
    if (c == '\r' || c == '\n') c = ' ';
  return name;
}

// A key line is found by its first "=", and a line that starts with "[" is
// a section header: keys like these could never be read back, and writing
// one would change what the lines after it belong to.
bool StorableKey(std::string_view key) {
  return !key.empty() && key.front() != '[' && key.find('=') == std::string_view::npos;
}

// A file name as given: leading bytes of value 32 or below are skipped.
std::string_view NormalizeFileName(const std::string& s) {
  std::string_view v = UpToZero(s);
  while (!v.empty() && static_cast<unsigned char>(v.front()) <= 32) v.remove_prefix(1);
  return v;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Names match without regard to the case of ASCII letters. Double-byte
// characters compare exactly: their trail bytes may look like ASCII letters.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  while (i < a.size()) {
    if (static_cast<unsigned char>(a[i]) >= 0x80) {
      std::size_t len = (i + 1 < a.size()) ? 2 : 1;
      if (a.compare(i, len, b.substr(i, len)) != 0) return false;
      i += len;
    } else {
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
      ++i;
    }
  }
  return true;
}

// Position of the first (or last) byte `c` in GBK text that is not the
// second byte of a double-byte character.
std::size_t FindGbk(std::string_view s, char c, bool last) {
  std::size_t found = std::string_view::npos;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == c) {
      found = i;
      if (!last) return found;
    }
    i += (static_cast<unsigned char>(s[i]) >= 0x80) ? 2 : 1;
  }
  return found;
}

enum class LineKind { kBlank, kSection, kKey, kOther };

// One line of the file, kept byte for byte with its line end so that lines
// no write touches are written back unchanged.
struct Line {
  std::string raw;
  LineKind kind = LineKind::kOther;
  std::size_t nameAt = 0, nameSize = 0;    // section or key name in `raw`
  std::size_t valueAt = 0, valueSize = 0;  // key lines: value without blanks

  std::string_view name() const { return std::string_view(raw).substr(nameAt, nameSize); }
  std::string_view value() const { return std::string_view(raw).substr(valueAt, valueSize); }
  bool terminated() const { return !raw.empty() && raw.back() == '\n'; }
};

// A CR before the LF counts as a blank, so files with LF alone read the
// same as files with CR LF.
Line MakeLine(std::string raw) {
  Line line;
  line.raw = std::move(raw);
  const std::string_view all = line.raw;
  const std::string_view text = TrimBlanks(all);
  auto place = [&](std::string_view part, std::size_t* at, std::size_t* size) {
    *at = static_cast<std::size_t>(part.data() - all.data());
    *size = part.size();
  };
  if (text.empty()) {
    line.kind = LineKind::kBlank;
  } else if (text.front() == '[') {
    std::size_t close = FindGbk(text, ']', /*last=*/true);
    if (close != std::string_view::npos) {
      line.kind = LineKind::kSection;
      place(TrimBlanks(text.substr(1, close - 1)), &line.nameAt, &line.nameSize);
    }
  } else if (std::size_t eq = FindGbk(text, '=', /*last=*/false); eq != std::string_view::npos) {
    line.kind = LineKind::kKey;
    place(TrimBlanks(text.substr(0, eq)), &line.nameAt, &line.nameSize);
    place(TrimBlanks(text.substr(eq + 1)), &line.valueAt, &line.valueSize);
  }
  return line;
}

// Lines end at LF.
std::vector<Line> ParseLines(std::string_view content) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t lf = content.find('\n', pos);
    std::size_t next = lf == std::string_view::npos ? content.size() : lf + 1;
    lines.push_back(MakeLine(std::string(content.substr(pos, next - pos))));
    pos = next;
  }
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::size_t size = 0;
  for (const Line& line : lines) size += line.raw.size();
  std::string out;
  out.reserve(size);
  for (const Line& line : lines) out += line.raw;
  return out;
}

struct Location {
  std::optional<std::size_t> section;  // index of the header line
  std::size_t lastInSection = 0;       // last non-blank line of the section
  std::optional<std::size_t> key;      // index of the key line
};

// The first section of that name and the first key of that name in it.
Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location at;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != LineKind::kSection || !SameName(lines[i].name(), section)) continue;
    at.section = i;
    at.lastInSection = i;
    for (std::size_t j = i + 1; j < lines.size() && lines[j].kind != LineKind::kSection; ++j) {
      if (lines[j].kind != LineKind::kBlank) at.lastInSection = j;
      if (!at.key && lines[j].kind == LineKind::kKey && SameName(lines[j].name(), key)) at.key = j;
    }
    break;
  }
  return at;
}

// The value of a key as a read gives it: one pair of matching quotes
// dropped, cut to the limit without splitting a character, as UTF-8.
std::string ValueIn(const std::vector<Line>& lines, const std::string& section,
                    const std::string& key) {
  const std::string sectionName = NameForFile(section);
  const std::string keyName = NameForFile(key);
  if (sectionName.empty() || !StorableKey(keyName)) return {};
  const Location at = Find(lines, sectionName, keyName);
  if (!at.key) return {};
  std::string_view value = lines[*at.key].value();
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return GbkToUtf8(CutGbk(value, kMaxIniValueBytes));
}

std::string ValueForDisk(const std::string& utf8) {
  std::string gbk = Utf8ToGbk(UpToZero(utf8));
  // A line break inside a value would end its line and let the rest be read
  // as keys or sections of its own.
  for (char& c : gbk)
    if (c == '\r' || c == '\n') c = ' ';
  return gbk;
}

// One write on the lines of a file. False when the names cannot be stored.
bool ApplyWrite(std::vector<Line>& lines, const IniWrite& write) {
  const std::string sectionName = NameForFile(write.section);
  const std::string keyName = NameForFile(write.key);
  if (sectionName.empty() || !StorableKey(keyName)) return false;
  const std::string valueText = ValueForDisk(write.value);

  const Location at = Find(lines, sectionName, keyName);
  if (!at.section) {
    if (!lines.empty() && !lines.back().terminated()) lines.back().raw += "\r\n";
    lines.push_back(MakeLine("[" + sectionName + "]\r\n"));
    lines.push_back(MakeLine(keyName + "=" + valueText + "\r\n"));
  } else if (at.key) {
    // Replace the line in place; the key keeps its spelling in the file.
    Line& line = lines[*at.key];
    line = MakeLine(std::string(line.name()) + "=" + valueText + "\r\n");
  } else {
    // A new key goes after the section's last non-blank line, so that blank
    // lines before the next section stay where they are.
    Line& last = lines[at.lastInSection];
    if (!last.terminated()) last.raw += "\r\n";
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at.lastInSection + 1),
                 MakeLine(keyName + "=" + valueText + "\r\n"));
  }
  return true;
}

// A file's bytes with its lines, for reads of many values in a row.
struct ParsedFile {
  std::string path;
  std::string content;
  std::vector<Line> lines;
};

}  // namespace

std::string ReadIniValueFromContent(const std::string& gbkContent, const std::string& section,
                                    const std::string& key) {
  return ValueIn(ParseLines(gbkContent), section, key);
}

std::string ApplyIniWrite(const std::string& gbkContent, const std::string& section,
                          const std::string& key, const std::string& value) {
  std::vector<Line> lines = ParseLines(gbkContent);
  if (!ApplyWrite(lines, IniWrite{section, key, value})) return gbkContent;
  return JoinLines(lines);
}

std::string ApplyIniWrites(const std::string& gbkContent, const std::vector<IniWrite>& writes) {
  std::vector<Line> lines = ParseLines(gbkContent);
  bool changed = false;
  for (const IniWrite& w : writes) changed = ApplyWrite(lines, w) || changed;
  return changed ? JoinLines(lines) : gbkContent;
}

std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key) {
  std::string_view path = NormalizeFileName(file);
  if (path.empty()) return {};
  std::string content;
  if (!ReadFileBytes(std::string(path), &content)) return {};
  // A restore reads many values of one file in a row: the file is read every
  // time, but parsed again only when its bytes changed.
  thread_local ParsedFile parsed;
  if (parsed.path != path || parsed.content != content) {
    parsed.lines.clear();
    parsed.path = path;
    parsed.content = std::move(content);
    parsed.lines = ParseLines(parsed.content);
  }
  return ValueIn(parsed.lines, section, key);
}

void WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  WriteIniValues(file, {IniWrite{section, key, value}});
}

bool WriteIniValues(const std::string& file, const std::vector<IniWrite>& writes) {
  std::string_view pathView = NormalizeFileName(file);
  if (pathView.empty()) return false;
  const std::string path(pathView);
  std::string old;
  bool missing = false;
  // A file that exists but cannot be read is left alone rather than replaced
  // by one that holds only these writes.
  if (!ReadFileBytes(path, &old, &missing) && !missing) return false;
  const std::string content = ApplyIniWrites(old, writes);
  if (content == old) return !missing;  // nothing to change (or nothing to create)
  return ReplaceFileAtomically(path, content);
}

}  // namespace common
