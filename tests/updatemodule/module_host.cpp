// A plain host program without Qt that uses the update module the way an
// outside program does: it loads the library by its file name, looks the
// export up by its GBK name and calls it.
//
//   module_host <module file> [export calls, default 1] [unload|exit]
//
// Prints one line per step on stdout ("loaded", "export found",
// "export returned", "unloaded"), flushed at once, so that a test can follow
// it. Exit code 0 when every step worked.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <module file> [export calls] [unload|exit]\n", argv[0]);
    return 2;
  }
  const int calls = argc > 2 ? std::atoi(argv[2]) : 1;
  const bool unload = argc > 3 && std::strcmp(argv[3], "unload") == 0;

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
  }
  return 0;
}
