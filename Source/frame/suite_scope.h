// Host suites are held for one block of work: acquired by name and version through the host's
// basic suite, released when the scope ends. A suite the host cannot give raises the host's
// missing-suite code (13); when the command's output record is at hand the user is told too.
#pragma once
#include <new>

#include "HostSDK.h"

// Marks the output record so the host shows "Not able to acquire AEFX Suite." and throws 13.
[[noreturn]] void RaiseMissingSuite(const PF_InData* in_data, PF_OutData* out_data);

template <class Suite>
class SuiteScope {
 public:
  // out_data may be null when the command has no output record to report through.
  SuiteScope(const PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version)
      : basic_(in_data ? in_data->pica_basicP : nullptr), name_(name), version_(version) {
    const void* suite = nullptr;
    if (basic_ == nullptr || basic_->AcquireSuite(name, version, &suite) != kSPNoError) {
      RaiseMissingSuite(in_data, out_data);
    }
    if (suite == nullptr) {  // acquired, but nothing to call through
      basic_->ReleaseSuite(name, version);
      RaiseMissingSuite(in_data, out_data);
    }
    suite_ = static_cast<const Suite*>(suite);
  }
  // Acquires without raising: for callers that silently do without the suite.
  SuiteScope(const PF_InData* in_data, const char* name, int32_t version, std::nothrow_t)
      : basic_(in_data ? in_data->pica_basicP : nullptr), name_(name), version_(version) {
    const void* suite = nullptr;
    if (basic_ == nullptr || basic_->AcquireSuite(name, version, &suite) != kSPNoError) return;
    if (suite == nullptr) {
      basic_->ReleaseSuite(name, version);
      return;
    }
    suite_ = static_cast<const Suite*>(suite);
  }
  ~SuiteScope() {
    if (suite_ != nullptr) basic_->ReleaseSuite(name_, version_);
  }

  explicit operator bool() const { return suite_ != nullptr; }

  SuiteScope(const SuiteScope&) = delete;
  SuiteScope& operator=(const SuiteScope&) = delete;

  const Suite* operator->() const { return suite_; }
  const Suite& operator*() const { return *suite_; }

 private:
  SPBasicSuite* basic_;
  const char* name_;
  int32_t version_;
  const Suite* suite_ = nullptr;
};
