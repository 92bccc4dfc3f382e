// The INI reader and writer on arbitrary file contents and names: what a
// write stores, a read of the same names gives back (within the read rules),
// and no other value changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/profile_file.h"
#include "common/text.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// What a read gives for a value written as `utf8`.
std::string ExpectedRead(const std::string& utf8) {
  std::string gbk = common::Utf8ToGbk(common::BodyUpToZero(utf8));
  for (char& c : gbk)
    if (c == '\r' || c == '\n') c = ' ';
  std::string_view v = gbk;
  while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
  while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return common::GbkToUtf8(common::CutGbk(v, common::kMaxIniValueBytes));
}

// Names compare as the file compares them (ASCII case folded), after the
// same normalisation; good enough to tell whether two names may match.
std::string Folded(const std::string& name) {
  std::string gbk = common::Utf8ToGbk(common::BodyUpToZero(name));
  std::string_view s = gbk;
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (static_cast<unsigned char>(out[i]) >= 0x80) {
      ++i;
    } else if (out[i] >= 'a' && out[i] <= 'z') {
      out[i] = static_cast<char>(out[i] - 'a' + 'A');
    } else if (out[i] == '\r' || out[i] == '\n') {
      out[i] = ' ';
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(16);
  const std::string key = in.ConsumeRandomLengthString(16);
  const std::string value = in.ConsumeRandomLengthString(64);
  const std::string otherSection = in.ConsumeRandomLengthString(16);
  const std::string otherKey = in.ConsumeRandomLengthString(16);
  const std::string content = in.ConsumeRemainingBytesAsString();

  const std::string before = common::ReadIniValueFromContent(content, otherSection, otherKey);
  FUZZ_CHECK(common::Utf8ToGbk(before).size() <= common::kMaxIniValueBytes);
  const std::string after = common::ApplyIniWrite(content, section, key, value);
  const std::string read = common::ReadIniValueFromContent(after, section, key);

  const std::string s = Folded(section), k = Folded(key);
  const bool storable =
      !s.empty() && !k.empty() && k.front() != '[' && k.find('=') == std::string::npos;
  if (!storable) {
    FUZZ_CHECK(after == content);
    return 0;
  }
  FUZZ_CHECK(read == ExpectedRead(value));
  // Other names keep their values.
  if (Folded(otherSection) != s || Folded(otherKey) != k)
    FUZZ_CHECK(common::ReadIniValueFromContent(after, otherSection, otherKey) == before);
  // A batch gives what the same writes one by one give.
  const std::string second = common::ApplyIniWrite(after, otherSection, otherKey, section);
  FUZZ_CHECK(common::ApplyIniWrites(
                 content, {{section, key, value}, {otherSection, otherKey, section}}) == second);
  // Writing the same again changes nothing more.
  FUZZ_CHECK(common::ApplyIniWrite(after, section, key, value) == after);
  return 0;
}
