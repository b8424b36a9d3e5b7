#include "params/suite_cache.h"

SuiteCache::SuiteCache(const PF_InData* in_data) : basic_(in_data ? in_data->pica_basicP : nullptr) {
  if (basic_ == nullptr) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
}

SuiteCache::~SuiteCache() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) basic_->ReleaseSuite(it->name, it->version);
}

const void* SuiteCache::Acquire(const char* name, int32_t version) {
  for (const Entry& e : held_) {
    if (e.version == version && std::strcmp(e.name, name) == 0) return e.suite;
  }
  const void* suite = nullptr;
  if (basic_->AcquireSuite(name, version, &suite) != kSPNoError) throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
  if (suite == nullptr) {
    basic_->ReleaseSuite(name, version);
    throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
  }
  held_.push_back({name, version, suite});
  return suite;
}
