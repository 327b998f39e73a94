#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "driver/driver_library.h"

namespace tool {

std::unique_ptr<DriverLibrary> DriverLibrary::Load(const std::string& path, std::string* error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    *error = dlerror();
    return nullptr;
  }
  auto kelMain = reinterpret_cast<KelMainFunction>(dlsym(module, "KelMain"));
  if (kelMain == nullptr) {
    *error = path + " has no KelMain";
    dlclose(module);
    return nullptr;
  }
  return std::unique_ptr<DriverLibrary>(new DriverLibrary(module, kelMain));
}

std::string DriverLibrary::DefaultPath() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "libtorva.so";
  std::string directory(self, static_cast<std::size_t>(length));
  return directory.substr(0, directory.rfind('/') + 1) + "libtorva.so";
}

DriverLibrary::~DriverLibrary() { dlclose(module_); }

}  // namespace tool
