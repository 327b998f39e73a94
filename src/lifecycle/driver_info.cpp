// The driver's description for the host.
#include "lifecycle/lifecycle.h"

namespace {

constexpr char kVendor[] = "Cincinnati Milacron";

// A box in code page 437 box-drawing characters, 152 bytes.
#define TORVA_RULE46                                                                        \
  "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4" \
  "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4"
constexpr char kBanner[] =
    "\r\n"
    "\xDA" TORVA_RULE46 "\xBF\r\n"
    "\xB3" " TORVA: Cincinnati            (32 bit driver) " "\xB3\r\n"
    "\xC0" TORVA_RULE46 "\xD9\r\n";
#undef TORVA_RULE46
static_assert(sizeof kBanner - 1 == 152, "the banner is 152 bytes");

constexpr LineSettings kDefaultLine{19200, 8, 0, 0};

}  // namespace

ResultCode GetKelInfo(HostRequest* request) {
  auto& info = *static_cast<DriverInfo*>(request->params);
  info.hostCodeA = 70;
  info.vendor = kVendor;
  info.banner = kBanner;
  info.contextSize = static_cast<std::int32_t>(sizeof(DriverContext));
  info.hostCodeB = 4;
  info.line = kDefaultLine;
  info.hostCodeC = 3;
  return kResultDone;
}
