#include <windows.h>

#include "driver/driver_library.h"

namespace tool {

std::unique_ptr<DriverLibrary> DriverLibrary::Load(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    *error = "Windows error " + std::to_string(GetLastError()) + " loading " + path;
    return nullptr;
  }
  auto kelMain = reinterpret_cast<KelMainFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "KelMain")));
  if (kelMain == nullptr) {
    *error = path + " has no KelMain";
    FreeLibrary(module);
    return nullptr;
  }
  return std::unique_ptr<DriverLibrary>(new DriverLibrary(module, kelMain));
}

std::string DriverLibrary::DefaultPath() {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return "torva.dll";
  std::string directory(self, length);
  return directory.substr(0, directory.find_last_of("\\/") + 1) + "torva.dll";
}

DriverLibrary::~DriverLibrary() { FreeLibrary(static_cast<HMODULE>(module_)); }

}  // namespace tool
