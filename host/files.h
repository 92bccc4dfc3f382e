// The few file operations the program uses. Paths are UTF-8. Results are
// reported but the callers of the product mostly ignore them.
#pragma once

#include <string>

namespace host {

// True when a file or folder of that name exists.
bool FileExists(const std::string& path);
// Deletes a file; false when it did not exist or could not be deleted.
bool DeleteFile(const std::string& path);
// Creates one folder level; false when it could not be created.
bool CreateFolder(const std::string& path);

}  // namespace host
