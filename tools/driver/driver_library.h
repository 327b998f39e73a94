// The driver library, loaded the way a host loads it: by file name at run
// time, with KelMain as its only entry.
#pragma once

#include <memory>
#include <string>

#include "host/torva.h"

namespace tool {

using KelMainFunction = ResultCode(TORVA_STDCALL*)(HostRequest*);

class DriverLibrary {
 public:
  // Null, with the reason in `*error`, when the file cannot be loaded or has
  // no KelMain.
  static std::unique_ptr<DriverLibrary> Load(const std::string& path, std::string* error);
  // The driver beside the tool's own executable.
  static std::string DefaultPath();

  ~DriverLibrary();
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;

  KelMainFunction kelMain() const { return kelMain_; }

 private:
  DriverLibrary(void* module, KelMainFunction kelMain) : module_(module), kelMain_(kelMain) {}

  void* module_;
  KelMainFunction kelMain_;
};

}  // namespace tool
