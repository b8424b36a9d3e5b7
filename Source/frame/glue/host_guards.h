// Scope guards for what the plug-in borrows from the host: a locked or newly made handle, an AEGP
// effect reference, stream or stream value, a checked-out layer or parameter, exclusive use of a
// GPU device. Each gives back what it holds when its block ends, on every path including a thrown
// error code; where the host's answer to the give-back matters, the caller gives back early
// through Dispose() / CheckIn() / Unlock() and reads the result.
#pragma once
#include "HostSDK.h"

// A destructor gives back what is left; a host callback that throws there is ignored, as nothing
// may be thrown out of a destructor.
#define TG_GIVE_BACK(call) \
  try {                    \
    call;                  \
  } catch (...) {          \
  }

class NonCopyable {
 protected:
  NonCopyable() = default;
  ~NonCopyable() = default;

 public:
  NonCopyable(const NonCopyable&) = delete;
  NonCopyable& operator=(const NonCopyable&) = delete;
};

// A handle locked for the block. A failed lock (null contents) holds nothing to unlock.
class LockedHandle : NonCopyable {
 public:
  LockedHandle(const PF_HandleSuite1& suite, PF_Handle handle)
      : suite_(suite), handle_(handle), data_(suite.host_lock_handle(handle)) {}
  ~LockedHandle() { TG_GIVE_BACK(Unlock()); }
  void* data() const { return data_; }
  void Unlock() {
    if (data_ != nullptr) suite_.host_unlock_handle(handle_);
    data_ = nullptr;
  }

 private:
  const PF_HandleSuite1& suite_;
  PF_Handle handle_;
  void* data_;
};

// A handle the plug-in made: disposed at the end of the block unless handed to the host.
class OwnedHandle : NonCopyable {
 public:
  OwnedHandle(const PF_HandleSuite1& suite, A_HandleSize size)
      : suite_(suite), handle_(suite.host_new_handle(size)) {}
  ~OwnedHandle() {
    if (handle_ != nullptr) TG_GIVE_BACK(suite_.host_dispose_handle(handle_));
  }
  PF_Handle get() const { return handle_; }
  // The host owns the handle from now on.
  PF_Handle Release() {
    const PF_Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  const PF_HandleSuite1& suite_;
  PF_Handle handle_;
};

// An AEGP object the plug-in obtained (effect reference, stream) and must dispose of.
template <class H>
class HostRef : NonCopyable {
 public:
  using DisposeFn = A_Err (*)(H);
  explicit HostRef(DisposeFn dispose) : dispose_(dispose) {}
  ~HostRef() { TG_GIVE_BACK(Dispose()); }
  H* out() { return &ref_; }  // where the host's getter writes the reference
  H get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  // Disposes now; the host's answer, 0 when nothing was held.
  A_Err Dispose() {
    const H ref = ref_;
    ref_ = nullptr;
    return ref != nullptr ? dispose_(ref) : A_Err_NONE;
  }

 private:
  DisposeFn dispose_;
  H ref_ = nullptr;
};
using EffectRef = HostRef<AEGP_EffectRefH>;
using StreamRef = HostRef<AEGP_StreamRefH>;

// A stream value the host filled in; its contents are the host's until disposed.
class StreamValue : NonCopyable {
 public:
  using DisposeFn = A_Err (*)(AEGP_StreamValue2*);
  explicit StreamValue(DisposeFn dispose) : dispose_(dispose) {}
  ~StreamValue() { TG_GIVE_BACK(Dispose()); }
  // Where the host's getter writes; the value counts as held once Obtained() is called.
  AEGP_StreamValue2* out() { return &value_; }
  void Obtained() { held_ = true; }
  AEGP_StreamValue2& value() { return value_; }
  A_Err Dispose() {
    if (!held_) return A_Err_NONE;
    held_ = false;
    return dispose_(&value_);
  }

 private:
  DisposeFn dispose_;
  AEGP_StreamValue2 value_{};
  bool held_ = false;
};

// The smart-render input layer, checked back in at the end of the block once a world came out.
class LayerCheckout : NonCopyable {
 public:
  LayerCheckout(const PF_SmartRenderCallbacks& cb, PF_ProgPtr effect, A_long id)
      : cb_(cb), effect_(effect), id_(id) {}
  ~LayerCheckout() { TG_GIVE_BACK(CheckIn()); }
  PF_Err CheckOut() { return cb_.checkout_layer_pixels(effect_, id_, &world_); }
  PF_EffectWorld* world() const { return world_; }
  // Checks the layer in now; the host's answer, 0 when nothing was checked out.
  PF_Err CheckIn() {
    if (world_ == nullptr) return PF_Err_NONE;
    world_ = nullptr;
    return cb_.checkin_layer_pixels(effect_, id_);
  }

 private:
  const PF_SmartRenderCallbacks& cb_;
  PF_ProgPtr effect_;
  A_long id_;
  PF_EffectWorld* world_ = nullptr;
};

// One parameter's definition at a time, starting cleared (a cleared definition reads 0).
class ParamCheckout : NonCopyable {
 public:
  explicit ParamCheckout(const PF_InData& in_data) : in_data_(in_data) {}
  ~ParamCheckout() {
    if (checked_out_) TG_GIVE_BACK(CheckIn());
  }
  PF_Err CheckOut(PF_ParamIndex index) {
    const PF_Err err =
        in_data_.inter.checkout_param(in_data_.effect_ref, index, in_data_.current_time,
                                      in_data_.time_step, in_data_.time_scale, &def_);
    checked_out_ = err == PF_Err_NONE;
    return err;
  }
  const PF_ParamDef& def() const { return def_; }
  // The host wants every requested definition back, also one whose checkout failed.
  PF_Err CheckIn() {
    checked_out_ = false;
    return in_data_.inter.checkin_param(in_data_.effect_ref, &def_);
  }

 private:
  const PF_InData& in_data_;
  PF_ParamDef def_{};
  bool checked_out_ = false;
};

// Exclusive use of a GPU device while a render's kernel arguments are set and its launch queued.
class ExclusiveDeviceAccess : NonCopyable {
 public:
  ExclusiveDeviceAccess(const PF_GPUDeviceSuite1& suite, PF_ProgPtr effect, A_u_long device)
      : suite_(suite), effect_(effect), device_(device) {}
  ~ExclusiveDeviceAccess() { TG_GIVE_BACK(Release()); }
  PF_Err Acquire() {
    const PF_Err err = suite_.AcquireExclusiveDeviceAccess(effect_, device_);
    held_ = err == PF_Err_NONE;
    return err;
  }
  PF_Err Release() {
    if (!held_) return PF_Err_NONE;
    held_ = false;
    return suite_.ReleaseExclusiveDeviceAccess(effect_, device_);
  }

 private:
  const PF_GPUDeviceSuite1& suite_;
  PF_ProgPtr effect_;
  A_u_long device_;
  bool held_ = false;
};
