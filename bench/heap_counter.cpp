#include "heap_counter.h"

#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
}

namespace {

thread_local bool counting = false;
thread_local long allocations = 0;

void Count() {
  if (counting) ++allocations;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  Count();
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  Count();
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  Count();
  return __libc_realloc(block, size);
}
}

void StartCountingAllocations() {
  allocations = 0;
  counting = true;
}

long StopCountingAllocations() {
  counting = false;
  return allocations;
}

bool AllocationCounterSees() {
  StartCountingAllocations();
  void* volatile block = std::malloc(16);
  std::free(block);
  long* volatile object = new long(1);
  delete object;
  return StopCountingAllocations() == 2;
}
