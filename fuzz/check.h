// Invariants of the fuzz targets: a broken one stops the run with a message,
// which libFuzzer reports as a crash together with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void Broken(const char* invariant, const char* file, int line) {
  std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", invariant, file, line);
  std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzz::Broken(#condition, __FILE__, __LINE__))
