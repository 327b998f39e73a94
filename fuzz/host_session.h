// One driver instance driven through KelMain as a host drives it, with the
// records fenced by guard bytes and every request checked afterwards: the
// result is one of the three codes, nothing outside the records changed, the
// frames sent are well formed, and what a read or write answers agrees with
// the bytes the line brought.
#pragma once

#include <cstdint>

#include "guarded.h"
#include "wire.h"
#include "host/torva.h"

namespace fuzz {

class HostSession {
 public:
  // A context block as a host allocates it: `fill` in every byte but the
  // table pointer, which a block never started holds null.
  explicit HostSession(std::uint8_t fill = 0, const PortSettings* settings = nullptr);

  const DriverContext& Context() const { return context_.value; }

  ResultCode ColdStart(const ColdStartParams& params);
  ResultCode WarmStart(const WarmStartParams& params);
  ResultCode ChangeKelParams(const ChangeParams& params);
  // CloseCom, ReOpenCom or EndKel.
  ResultCode PortOperation(std::uint32_t operation);
  // A read or a write of `spec` while the line brings `incoming`; `data`
  // null passes no buffer.
  ResultCode Transfer(std::uint32_t operation, const AddressSpec& spec, std::int32_t count,
                      GuardedWords* data, Bytes incoming);

 private:
  template <class Params>
  ResultCode Call(std::uint32_t operation, Guarded<Params>* params);
  // A start, check or port request: no traffic, 0 or 2, its record unchanged.
  template <class Params>
  ResultCode Lifecycle(std::uint32_t operation, const Params* params);

  Guarded<DriverContext> context_;
  std::uint32_t hostPort_;  // the port field as the host's block held it
};

}  // namespace fuzz
