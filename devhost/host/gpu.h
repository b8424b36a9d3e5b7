// devhost's GPU: one device of a real framework (OpenCL through the machine's ICD, e.g. PoCL;
// CUDA through the driver library, or the tests' stand-in for it), the "PF GPU Device Suite" over
// it, and GPU worlds in device memory. devhost owns the device, context and queue or stream; the
// effect only borrows them.
#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "HostSDK.h"
#include "devhost/host/image.h"

namespace devhost {

class World;

enum class GpuChoice { Off, OpenCL, Cuda };

// A device as the host holds it. Memory handles are cl_mem or CUDA device pointers.
class GpuDevice {
 public:
  // The first device of the framework; null, with the reason, when there is none.
  static std::unique_ptr<GpuDevice> Open(GpuChoice choice, std::string* why);
  virtual ~GpuDevice() = default;

  virtual PF_GPU_Framework Framework() const = 0;
  virtual std::string Name() const = 0;
  virtual void Describe(PF_GPUDeviceInfo* info) const = 0;
  virtual void* Allocate(size_t bytes) = 0;  // null when the device has no room
  virtual void Free(void* memory) = 0;
  virtual bool Upload(void* memory, const void* data, size_t bytes) = 0;
  // Waits for the work queued on the device, then copies.
  virtual bool Download(const void* memory, void* data, size_t bytes) = 0;
};

// The CUDA half of Open (devhost/gpu_cuda.cpp): the first device of the driver library.
std::unique_ptr<GpuDevice> OpenCudaDevice(std::string* why);

// A device of the framework announced with nothing behind it: null handles and no memory. For
// seeing an effect decline a device, or accept one it needs nothing of at set-up.
std::unique_ptr<GpuDevice> MakeUnbackedDevice(PF_GPU_Framework framework);

// A host world whose pixels live in device memory (PF_PixelFormat_GPU_BGRA128 unless a test
// asks for another format); the World keeps a host copy for upload and read-back.
class GpuWorld {
 public:
  GpuWorld(GpuDevice& device, World& world);
  ~GpuWorld();
  GpuWorld(const GpuWorld&) = delete;
  GpuWorld& operator=(const GpuWorld&) = delete;

  bool Valid() const { return memory_ != nullptr; }
  void* Memory() const { return memory_; }
  PF_EffectWorld* Get() const;
  bool Upload();
  bool Download();

 private:
  GpuDevice& device_;
  World& world_;
  void* memory_ = nullptr;
};

// What the effect did with the host's device.
struct GpuSession {
  std::shared_ptr<GpuDevice> device;
  // Exclusive access to the device, held between the effect's acquire and release; render
  // threads of one host share it with the device.
  std::shared_ptr<std::mutex> exclusive = std::make_shared<std::mutex>();
  bool set_up = false;    // GPU_DEVICE_SETUP was sent
  bool borrowed = false;  // a render thread's: its host sets the device up and down
  bool accepted = false;  // ... and the effect declared it renders there
  PF_Err setup_err = PF_Err_NONE;
  void* gpu_data = nullptr;  // what set-up handed back
  int world_data_calls = 0;  // GetGPUWorldData calls
  GpuWorld* worlds[2] = {};  // the render's input and output
};

// Exclusive access to a device, as the ledger names it.
std::string DeviceAccessName(A_u_long index);

// The suite devhost hands out as "PF GPU Device Suite" version 1.
extern const PF_GPUDeviceSuite1 kGpuDeviceSuite;

// Images of any depth to and from float (0..1), as a host converts for a GPU render.
Image ToFloat(const Image& image);
Image FromFloat(const Image& image, Depth depth);

}  // namespace devhost
