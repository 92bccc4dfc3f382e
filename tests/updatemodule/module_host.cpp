// A plain host program without Qt that uses the update module the way an
// outside program does: it loads the library by its file name, looks the
// export up by its GBK name and calls it.
//
//   module_host <module file> [export calls, default 1] [unload|exit|linger]
//
// "linger" waits three seconds before the process ends (a transfer that the
// module started goes on meanwhile).
//
// Prints one line per step on stdout ("loaded", "export found",
// "export returned", "unloaded" followed by "unmapped" or "still mapped"),
// flushed at once, so that a test can follow it. Exit code 0 when every step worked.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <module file> [export calls] [unload|exit|linger]\n", argv[0]);
    return 2;
  }
  const int calls = argc > 2 ? std::atoi(argv[2]) : 1;
  const bool unload = argc > 3 && std::strcmp(argv[3], "unload") == 0;
  const bool linger = argc > 3 && std::strcmp(argv[3], "linger") == 0;

  // Returns only after the module's window has been closed.
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "dlopen: %s\n", dlerror());
    return 3;
  }
  Say("loaded");

  using Export = void (*)();
  auto check = reinterpret_cast<Export>(dlsym(module, "\xB8\xFC\xD0\xC2"));
  if (check == nullptr) {
    std::fprintf(stderr, "dlsym: %s\n", dlerror());
    return 4;
  }
  Say("export found");
  for (int i = 0; i < calls; ++i) {
    check();
    Say("export returned");
  }
  if (unload) {
    if (dlclose(module) != 0) {
      std::fprintf(stderr, "dlclose: %s\n", dlerror());
      return 5;
    }
    Say("unloaded");
    // Whether the library really left the process (or stays resident).
    Say(dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) == nullptr ? "unmapped" : "still mapped");
  }
  if (linger) {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    Say("ending");
  }
  return 0;
}
