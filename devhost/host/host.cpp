// The Host itself: its records, the command it sends and the balance checked after it, the
// global data and GPU device it keeps for the effect, failure injection, and where its
// imbalances go in the end.
#include "devhost/host/host.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "devhost/host/host_internal.h"

namespace devhost {

namespace {

thread_local Host* g_current = nullptr;
std::atomic<ImbalanceHandler> g_imbalance_handler{nullptr};

// Runs a piece of host work that may reach the callbacks (which find their Host this way).
class AsCurrent {
 public:
  explicit AsCurrent(Host* host) : previous_(g_current) { g_current = host; }
  ~AsCurrent() { g_current = previous_; }
  AsCurrent(const AsCurrent&) = delete;
  AsCurrent& operator=(const AsCurrent&) = delete;

 private:
  Host* previous_;
};

}  // namespace

void SetImbalanceHandler(ImbalanceHandler handler) { g_imbalance_handler = handler; }

Host* Host::Current() { return g_current; }

PF_Err Host::Injected(const char* callback) { return FailurePoint(callback); }

PF_Err Host::FailurePoint(const std::string& what) {
  calls.push_back(what);
  if (throwing_ == what) throw std::runtime_error("devhost: " + what + " throws");
  points_.push_back(what);
  if (static_cast<int>(points_.size()) == fail_at_) return fail_code_;
  const auto it = failing_.find(what);
  return it == failing_.end() ? PF_Err_NONE : it->second;
}

Host::Host(PF_EffectMainFunc entry, HostApp app)
    : entry_(entry), app_(app), impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  InstallCallbacks(m);
  PF_InData& in = m.in_data;
  in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
  // Media Encoder renders through Premiere Pro's effect host and says so; any other host has an
  // id of its own.
  switch (app) {
    case HostApp::AfterEffects:
      in.appl_id = PF_APPL_ID_AFTER_EFFECTS;
      break;
    case HostApp::PremierePro:
    case HostApp::MediaEncoder:
      in.appl_id = PF_APPL_ID_PREMIERE;
      break;
    default:
      in.appl_id = kOtherHostId;
      break;
  }
  // An effect API version each host of today reports.
  if (in.appl_id == PF_APPL_ID_PREMIERE) api_minor = 5;
  in.num_params = 9;
  in.time_step = 100;
  in.time_scale = 2400;
  in.total_time = 2400;
  in.pixel_aspect_ratio = {1, 1};
}

Host::~Host() {
  // A host unloading the effect sets its devices down first, then the effect itself.
  EndGpu();
  EndGlobal();
  const ImbalanceHandler handler = g_imbalance_handler;
  for (const std::string& message : impl_->ledger.imbalances) {
    if (handler != nullptr) {
      handler(message);
    } else {
      std::fprintf(stderr, "devhost: %s\n", message.c_str());
    }
  }
}

GpuSession& Host::Gpu() { return impl_->gpu; }

bool Host::OpenGpu(std::string* why) {
  GpuSession& g = impl_->gpu;
  if (!g.device) g.device = GpuDevice::Open(gpu, why);
  return g.device != nullptr;
}

PF_Err Host::EndGpu() {
  GpuSession& g = impl_->gpu;
  if (!g.set_up || g.borrowed) return PF_Err_NONE;
  g.set_up = g.accepted = false;
  PF_GPUDeviceSetdownInput input{g.gpu_data, g.device->Framework(), 0};
  PF_GPUDeviceSetdownExtra extra{&input};
  g.gpu_data = nullptr;
  return Send(PF_Cmd_GPU_DEVICE_SETDOWN, nullptr, nullptr, &extra);
}

void Host::EndGlobal() {
  if (impl_->global_set_up) Send(PF_Cmd_GLOBAL_SETDOWN, nullptr, nullptr, nullptr);
}

void Host::SetGlobalData(int32_t plugin_id, uint32_t compat_state) {
  Ledger& ledger = impl_->ledger;
  PF_Handle h = ledger.NewHandle(sizeof(int32_t) + sizeof(uint32_t), false);
  ledger.HostKeeps(h, "the global data");
  impl_->global_data = h;
  std::memcpy(*h, &plugin_id, 4);
  std::memcpy(static_cast<uint8_t*>(*h) + 4, &compat_state, 4);
}

PF_Handle Host::GlobalDataHandle() const { return impl_->global_data; }

std::unique_ptr<Host> Host::NewRenderThread() const {
  auto thread = std::make_unique<Host>(entry_, app_);
  thread->params = params;
  thread->anchor_x = anchor_x;
  thread->anchor_y = anchor_y;
  thread->downsample_x = downsample_x;
  thread->downsample_y = downsample_y;
  thread->field = field;
  thread->source_origin_x = source_origin_x;
  thread->source_origin_y = source_origin_y;
  thread->output_origin_x = output_origin_x;
  thread->output_origin_y = output_origin_y;
  thread->max_world_pixels = max_world_pixels;
  thread->row_padding_bytes = row_padding_bytes;
  thread->api_major = api_major;
  thread->api_minor = api_minor;
  thread->aegp_plugin_id = aegp_plugin_id;
  thread->declared_params = declared_params;
  // Only read by the thread's commands; this host keeps and finally disposes of it.
  thread->impl_->global_data = impl_->global_data;
  // The device this host set up, with its exclusive access; this host sets it down.
  thread->gpu = gpu;
  const GpuSession& g = impl_->gpu;
  if (g.set_up) {
    GpuSession& t = thread->impl_->gpu;
    t.device = g.device;
    t.exclusive = g.exclusive;
    t.set_up = t.borrowed = true;
    t.accepted = g.accepted;
    t.setup_err = g.setup_err;
    t.gpu_data = g.gpu_data;
  }
  return thread;
}

const CommandCounts& Host::LastCounts() const { return impl_->ledger.Counts(); }

std::vector<std::string> Host::TakeImbalances() {
  std::vector<std::string> taken;
  taken.swap(impl_->ledger.imbalances);
  return taken;
}

PF_Err Host::Send(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  Impl& m = *impl_;
  m.in_data.version = {api_major, api_minor};
  m.in_data.downsample_x = downsample_x;
  m.in_data.downsample_y = downsample_y;
  m.in_data.field = field;
  m.in_data.global_data = m.global_data;
  out_data.global_data = m.global_data;
  m.in_data.pre_effect_source_origin_x = source_origin_x;
  m.in_data.pre_effect_source_origin_y = source_origin_y;
  m.in_data.output_origin_x = output_origin_x;
  m.in_data.output_origin_y = output_origin_y;
  PresentParams(declared_params, this->params, m.defs);

  // A device set down gives its gpu_data back: the effect must dispose of it now.
  if (cmd == PF_Cmd_GPU_DEVICE_SETDOWN && extra != nullptr) {
    const PF_GPUDeviceSetdownInput& setdown = *static_cast<PF_GPUDeviceSetdownExtra*>(extra)->input;
    m.ledger.HostReturns(static_cast<PF_Handle>(setdown.gpu_data));
  }
  m.ledger.Begin(cmd);
  PF_Err err;
  {
    const AsCurrent current(this);
    err = entry_(cmd, &m.in_data, &out_data, params, output, extra);
  }
  // A host shows the message buffer only when the effect asks it to.
  if ((out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) && out_data.return_msg[0] != '\0') {
    shown_messages.emplace_back(out_data.return_msg,
                                strnlen(out_data.return_msg, sizeof(out_data.return_msg)));
  }
  // What the effect handed over stays with the host until set-down.
  if (cmd == PF_Cmd_GLOBAL_SETUP) {
    m.global_data = out_data.global_data;
    m.ledger.HostKeeps(m.global_data, "the global data");
    m.global_set_up = err == PF_Err_NONE;
  } else if (cmd == PF_Cmd_GLOBAL_SETDOWN) {
    // The effect leaves its global data to the host, which disposes of it now.
    m.ledger.HostDisposes(m.global_data);
    m.global_data = nullptr;
    m.global_set_up = false;
  } else if (cmd == PF_Cmd_GPU_DEVICE_SETUP && extra != nullptr) {
    const PF_GPUDeviceSetupExtra& setup = *static_cast<PF_GPUDeviceSetupExtra*>(extra);
    m.ledger.HostKeeps(static_cast<PF_Handle>(setup.output->gpu_data),
                       "the gpu_data of GPU device " + std::to_string(setup.input->device_index));
  }
  // Access the effect kept is reported and taken back, so other render threads go on.
  if (m.ledger.Outstanding(Resource::ExclusiveAccess, DeviceAccessName(0)) > 0) {
    m.gpu.exclusive->unlock();
  }
  m.ledger.End();
  return err;
}

}  // namespace devhost
