// The driver's one export.
#include "host/operation_table.h"
#include "host/torva.h"

extern "C" TORVA_EXPORT ResultCode TORVA_STDCALL KelMain(HostRequest* request) {
  if (request == nullptr || request->operation >= kOperationSlots) return kResultFailed;
  const OperationEntry& entry = OperationTable[request->operation];
  if (entry.run == nullptr) return kResultFailed;
  // A host passes the records an operation needs; a missing one is refused.
  if ((entry.needsContext && request->context == nullptr) ||
      (entry.needsParams && request->params == nullptr)) {
    return kResultFailed;
  }
  try {
    return entry.run(request);
  } catch (...) {
    return kResultFailed;  // nothing may cross into the host as an exception
  }
}
