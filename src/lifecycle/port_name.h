// Port names as the host passes them: at most 11 characters and a NUL in a
// 12-byte field.
#pragma once

#include <cstring>

#include "lifecycle/lifecycle.h"

// Copies the name with its NUL. A name that does not end within the field is
// cut to 11 characters and reported as unusable (false).
inline bool CopyPortName(char (&target)[kPortNameSize], const char (&source)[kPortNameSize]) {
  const void* end = std::memchr(source, '\0', kPortNameSize);
  std::memcpy(target, source, kPortNameSize);
  target[kPortNameSize - 1] = '\0';
  return end != nullptr;
}

inline bool IsTerminatedPortName(const char (&name)[kPortNameSize]) {
  return std::memchr(name, '\0', kPortNameSize) != nullptr;
}
