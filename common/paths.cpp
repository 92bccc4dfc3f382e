#include "common/paths.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace common {
namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

// Everything before the last separator ("" when there is none, or when the
// separator is the first byte: "/x" lies in the root, which JoinPath("",
// "x") names again).
std::string DirectoryPart(const std::string& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  if (i == 0) return {};
  return path.substr(0, i - 1);
}

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// Distinguishes temporary files of threads of one process.
std::atomic<unsigned> tempCounter{0};

std::atomic<void (*)()> beforeReplaceHook{nullptr};

void RunBeforeReplaceHook() {
  if (auto hook = beforeReplaceHook.load()) hook();
}

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
  return s;
}

std::string ModuleFileName(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return Utf8(buffer);
    }
    buffer.resize(buffer.size() * 2);  // the name was cut: try a larger buffer
  }
}

#else

std::string ExecutablePath() {
  std::string buffer(PATH_MAX, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

#endif

// Anchor for RunDirectory: an object of the module this code is linked into.
const char kModuleAnchor = 0;

}  // namespace

const char* PathSeparator() {
#ifdef _WIN32
  return "\\";
#else
  return "/";
#endif
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  return dir + PathSeparator() + name;
}

// The library is linked statically into each deliverable, so the module
// that holds this code is the executable in the programs and the library
// file in the update module.
std::string RunDirectory() { return ModuleDirectory(&kModuleAnchor); }

std::string ModuleDirectory(const void* addressInModule) {
#ifdef _WIN32
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(addressInModule), &module))
    module = nullptr;  // the executable
  return DirectoryPart(ModuleFileName(module));
#else
  Dl_info info{};
  link_map* map = nullptr;
  if (addressInModule != nullptr &&
      dladdr1(addressInModule, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 &&
      map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
    // A shared object: its name as loaded, made absolute where possible.
    std::string name = map->l_name;
    if (char* real = realpath(name.c_str(), nullptr)) {
      name = real;
      free(real);
    }
    return DirectoryPart(name);
  }
  // The main program has no name of its own in the link map.
  return DirectoryPart(ExecutablePath());
#endif
}

std::string ResourceFolder(const std::string& runDirectory) {
  return JoinPath(runDirectory, kResourceFolderName);
}

std::string DownloadListIniPath() {
#ifdef _WIN32
  return "C:\\Windows\\情况.ini";
#else
  // The per-user configuration folder of the platform.
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    std::string homeDir = home != nullptr ? home : "";
    if (homeDir.empty()) {
      if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        homeDir = pw->pw_dir;
    }
    base = homeDir + "/.config";
  }
  return base + "/resourcebox/情况.ini";
#endif
}

void SetBeforeReplaceHookForTesting(void (*hook)()) { beforeReplaceHook = hook; }

std::string ParentDirectory(const std::string& path) { return DirectoryPart(path); }

bool ReadFileBytes(const std::string& path, std::string* content, bool* missing) {
  content->clear();
  if (missing != nullptr) *missing = false;
#ifdef _WIN32
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (missing != nullptr)
      *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
      ok = false;
      break;
    }
    if (n == 0) break;
    content->append(buffer, n);
  }
  CloseHandle(file);
  return ok;
#else
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (missing != nullptr) *missing = errno == ENOENT || errno == ENOTDIR;
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;  // also a folder of that name
      break;
    }
    if (n == 0) break;
    content->append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  if (!ok) content->clear();
  return ok;
#endif
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content) {
  if (path.empty()) return false;
  std::string target = path;
  const std::string folder = DirectoryPart(target);
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(folder), ec);
  }
#ifdef _WIN32
  std::string temp;
  std::wstring wideTemp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = target + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(tempCounter++) + ".tmp";
    wideTemp = Wide(temp);
    file = CreateFileW(wideTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < content.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
    DWORD written = 0;
    ok = WriteFile(file, content.data() + done, chunk, &written, nullptr) && written > 0;
    done += written;
  }
  ok = ok && FlushFileBuffers(file);
  CloseHandle(file);
  if (ok) RunBeforeReplaceHook();
  ok = ok && MoveFileExW(wideTemp.c_str(), Wide(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(wideTemp.c_str());
  return ok;
#else
  // Replace what a symbolic link points at, not the link.
  struct stat linkInfo {};
  if (lstat(target.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target = real;
      free(real);
    }
  }
  struct stat oldInfo {};
  const bool hadFile = stat(target.c_str(), &oldInfo) == 0;
  if (hadFile && !S_ISREG(oldInfo.st_mode)) return false;

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(tempCounter++) + ".tmp";
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  if (hadFile) fchmod(fd, oldInfo.st_mode & 07777);  // keep the old file's permissions
  bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) RunBeforeReplaceHook();
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  const std::string dir = DirectoryPart(target);
  int dirFd = open(dir.empty() ? (target[0] == '/' ? "/" : ".") : dir.c_str(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return true;
#endif
}

}  // namespace common
