// Host suites are held for one block of work: acquired by name and version through the host's
// basic suite, released when the scope ends. What happens when the host cannot give one depends
// on the caller: the host's missing-suite code (13), with a message to the user when the
// command's output record is at hand; another code of the caller's choosing; or an empty scope.
#pragma once
#include <new>

#include "HostSDK.h"

// Marks the output record so the host shows "Not able to acquire AEFX Suite." and throws 13.
[[noreturn]] void RaiseMissingSuite(const PF_InData* in_data, PF_OutData* out_data);

// The untyped acquisition shared by every SuiteScope.
class SuiteHold {
 public:
  SuiteHold(const SuiteHold&) = delete;
  SuiteHold& operator=(const SuiteHold&) = delete;
  ~SuiteHold() {
    if (suite_ != nullptr) basic_->ReleaseSuite(name_, version_);
  }
  explicit operator bool() const { return suite_ != nullptr; }

 protected:
  SuiteHold(const PF_InData* in_data, const char* name, int32_t version);
  // Raises 13, reporting through out_data when it is given.
  void RequireOrReport(const PF_InData* in_data, PF_OutData* out_data) const {
    if (suite_ == nullptr) RaiseMissingSuite(in_data, out_data);
  }
  void RequireOr(PF_Err code) const {
    if (suite_ == nullptr) throw code;
  }
  const void* suite_ = nullptr;

 private:
  SPBasicSuite* basic_;
  const char* name_;
  int32_t version_;
};

template <class Suite>
class SuiteScope : public SuiteHold {
 public:
  // Raises 13 when the suite is missing; out_data may be null when the command has no output
  // record to report through.
  SuiteScope(const PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version)
      : SuiteHold(in_data, name, version) {
    RequireOrReport(in_data, out_data);
  }
  // Raises `missing` when the suite is missing, and tells the user nothing.
  SuiteScope(const PF_InData* in_data, const char* name, int32_t version, PF_Err missing)
      : SuiteHold(in_data, name, version) {
    RequireOr(missing);
  }
  // For callers that silently do without the suite: test the scope before use.
  SuiteScope(const PF_InData* in_data, const char* name, int32_t version, std::nothrow_t)
      : SuiteHold(in_data, name, version) {}

  const Suite* operator->() const { return static_cast<const Suite*>(suite_); }
  const Suite& operator*() const { return *static_cast<const Suite*>(suite_); }
};
