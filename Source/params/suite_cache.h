// Suites acquired on first use and kept for the rest of one call; everything acquired is
// released when the cache goes. A suite the host refuses raises 516 (a bad callback parameter).
#pragma once
#include <cstring>
#include <vector>

#include "HostSDK.h"

class SuiteCache {
 public:
  explicit SuiteCache(const PF_InData* in_data);
  ~SuiteCache();
  SuiteCache(const SuiteCache&) = delete;
  SuiteCache& operator=(const SuiteCache&) = delete;

  template <class Suite>
  const Suite& Get(const char* name, int32_t version) {
    return *static_cast<const Suite*>(Acquire(name, version));
  }

 private:
  const void* Acquire(const char* name, int32_t version);

  struct Entry {
    const char* name;
    int32_t version;
    const void* suite;
  };
  SPBasicSuite* basic_;
  std::vector<Entry> held_;
};
