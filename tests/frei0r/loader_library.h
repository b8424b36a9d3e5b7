// A library loaded by path for the lifetime of the object, as a frei0r host loads a filter.
#pragma once

class LoaderLibrary {
 public:
  explicit LoaderLibrary(const char* path);
  ~LoaderLibrary();
  LoaderLibrary(const LoaderLibrary&) = delete;
  LoaderLibrary& operator=(const LoaderLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  void* Symbol(const char* name) const;

 private:
  void* handle_;
};
