// Work the system runs while it holds its loader lock (a library's attach notifications) may use
// only code that is already mapped: loading a library there can deadlock the whole process.
#pragma once

/// Marks the calling thread as holding the loader lock while the scope lasts. Lower-casing on
/// that thread then uses the system's own per-character mapping, which is always mapped, instead
/// of loading ICU; both agree on the names the attach notifications compare.
class LoaderLockScope {
 public:
  LoaderLockScope();
  ~LoaderLockScope();
  LoaderLockScope(const LoaderLockScope&) = delete;
  LoaderLockScope& operator=(const LoaderLockScope&) = delete;

 private:
  unsigned long previous_;
};

/// Whether the calling thread is inside a LoaderLockScope.
bool UnderLoaderLock();
