// How far a piece of work raised the process's resident size.
#pragma once

#include <cstring>
#include <fstream>
#include <functional>
#include <string>

namespace skarvo::testing {

inline long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  return -1;
}

// How far the resident size rose above its level at the start while work ran, in MB;
// -1 when the peak cannot be reset on this system.
inline long PeakGrowthMb(const std::function<void()>& work) {
  if (!std::ofstream("/proc/self/clear_refs") || !(std::ofstream("/proc/self/clear_refs") << "5"))
    return -1;
  const long before = StatusKb("VmRSS:");
  work();
  const long peak = StatusKb("VmHWM:");
  return before < 0 || peak < 0 ? -1 : (peak - before) / 1024;
}

}  // namespace skarvo::testing

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace skarvo::testing {

// The address sanitizer sets freed memory aside, so the resident size grows with all that was
// ever allocated: there the bytes allocated now say what is held.
#if defined(__SANITIZE_ADDRESS__)
inline size_t LiveHeapBytes() { return __sanitizer_get_current_allocated_bytes(); }
constexpr bool kResidentSizeMisleads = true;
#else
inline size_t LiveHeapBytes() { return 0; }
constexpr bool kResidentSizeMisleads = false;
#endif

}  // namespace skarvo::testing
