#include "lifecycle/machine_status_blocks.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "lifecycle/driver_context.h"

namespace {

struct BlockRegistry {
  std::mutex mutex;
  std::vector<std::unique_ptr<std::int16_t[]>> blocks;
};

BlockRegistry& Registry() {
  static BlockRegistry registry;
  return registry;
}

}  // namespace

std::int16_t* ObtainMachineStatusBlock(std::int16_t* current) {
  BlockRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const auto known = std::find_if(registry.blocks.begin(), registry.blocks.end(),
                                   [current](const auto& block) { return block.get() == current; });
  if (current != nullptr && known != registry.blocks.end()) return current;
  std::unique_ptr<std::int16_t[]> block(new (std::nothrow) std::int16_t[kMachineSlots]);
  if (!block) return nullptr;
  try {
    registry.blocks.push_back(std::move(block));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return registry.blocks.back().get();
}
