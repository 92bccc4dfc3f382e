// Any fetched body parses into rows without crashing: every cell is
// well-formed UTF-8, a size cell is empty or ends in "KB", and no line gives
// more than one row.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalog/catalog.h"
#include "common/text.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const auto rows = catalog::ParseCatalog(body);

  const std::string_view text = common::BodyUpToZero(body);
  std::size_t lines = text.empty() ? 0 : 1;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", at + 2))
    ++lines;
  FUZZ_CHECK(rows.size() <= lines);

  for (const auto& row : rows) {
    for (const auto& cell : row) FUZZ_CHECK(fuzz::IsUtf8(cell));
    const std::string_view size = row[1];
    FUZZ_CHECK(size.empty() || (size.size() >= 2 && size.substr(size.size() - 2) == "KB"));
  }
  return 0;
}
