#include "devhost/render/session.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "devhost/render/console.h"
#include "devhost/render/platform.h"
#include "engine/core/settings.h"

namespace fs = std::filesystem;

namespace devhost {

namespace {

// The sample shows what Nearest AA adds: at a whole scale an edge blur of 1 matches Nearest.
constexpr double kSampleScale = 8.0;
constexpr double kSampleEdgeBlur = 3.0;

}  // namespace

Session SetUp(const Options& o, bool sample) {
  const bool premiere = o.host == HostApp::PremierePro;
  Session s;
  std::string load_error;
  s.module = Module::Load(o.module, &load_error);
  if (!s.module) Fail(load_error);
  // Registration, as a host scanning its plug-ins does it.
  const char* host_name = premiere ? "Premiere Pro" : "After Effects";
  const Registration reg = Register(s.module->PluginDataEntry(), host_name, o.host_version.c_str());
  if (reg.result != PF_Err_NONE || !reg.called) {
    Fail(std::string("the plug-in refused to register with ") + host_name + " " + o.host_version +
         " (code " + std::to_string(reg.result) + ")");
  }
  s.host = std::make_unique<Host>(s.module->EffectMain(), o.host);
  Host& host = *s.host;
  if (o.api_version) {
    host.api_major = static_cast<A_short>(o.api_version->first);
    host.api_minor = static_cast<A_short>(o.api_version->second);
  }
  PF_Err setup = host.GlobalSetup();
  if (setup == PF_Err_NONE) setup = host.ParamsSetup();
  EffectParams& params = host.params;
  params.scale = o.scale.value_or(sample ? kSampleScale : 4.0);
  params.interpolation = o.interpolation.value_or(sample ? 3 : 1);
  params.edge_blur = o.edge_blur.value_or(sample ? kSampleEdgeBlur : 1.0);
  params.pixel_shape = o.shape.value_or(premiere ? 2 : 1);
  params.gpu = o.gpu != GpuChoice::Off;
  host.gpu = o.gpu;
  if (o.anchor) {
    host.anchor_x = o.anchor->first;
    host.anchor_y = o.anchor->second;
  }
  host.downsample_x = host.downsample_y = o.downsample;
  host.field = o.field;
  if (setup == PF_Err_NONE && !premiere) setup = host.UpdateParamsUI();
  if (setup != PF_Err_NONE) {
    ReportHostMessages(host);
    Fail("the effect's set-up failed: " + ErrorText(setup));
  }
  if (o.gpu != GpuChoice::Off) {
    if (premiere) Fail("--gpu renders through After Effects' smart render: use --host ae");
    std::string why;
    if (!host.OpenGpu(&why)) {
      Fail(o.gpu == GpuChoice::Cuda ? "--gpu cuda: no CUDA device was found (" + why + ")"
                                    : "--gpu opencl: " + why);
    }
  }
  return s;
}

void PrintGeometry(Host& host, const Image& layer) {
  PreRenderResult r = host.SmartPreRender(layer);
  ReportHostMessages(host);
  const PF_PreRenderOutput& out = r.output;
  if (r.err != PF_Err_NONE || out.pre_render_data == nullptr)
    Fail("pre-render failed: " + ErrorText(r.err));
  // A real host frees the record after the render; this run ends at the pre-render.
  struct Release {
    const PF_PreRenderOutput& out;
    ~Release() {
      if (out.delete_pre_render_data_func) out.delete_pre_render_data_func(out.pre_render_data);
    }
  } release{out};
  const ScaleInfo& p = *static_cast<const ScaleInfo*>(out.pre_render_data);
  std::printf(
      "{\"result_rect\":[%d,%d,%d,%d],\"max_result_rect\":[%d,%d,%d,%d],"
      "\"anchor_x\":%.9g,\"anchor_y\":%.9g,\"flags\":%d}\n",
      out.result_rect.left, out.result_rect.top, out.result_rect.right, out.result_rect.bottom,
      out.max_result_rect.left, out.max_result_rect.top, out.max_result_rect.right,
      out.max_result_rect.bottom, static_cast<double>(p.anchor_x), static_cast<double>(p.anchor_y),
      static_cast<int>(out.flags));
}

// The dialog command: the companion keeps a transcript of the exchange, since the effect keeps
// the answer to itself.
int RunDialog(const Options& o) {
  std::string load_error;
  const std::unique_ptr<Module> module = Module::Load(o.module, &load_error);
  if (!module) Fail(load_error);
  Host host(module->EffectMain(), o.host);
  const PF_Err setup = host.GlobalSetup();
  if (setup != PF_Err_NONE) {
    ReportHostMessages(host);
    Fail("the effect's set-up failed: " + ErrorText(setup));
  }
  const fs::path transcript =
      fs::temp_directory_path() / ("tessgrain-dialog-" + std::to_string(ProcessId()) + ".txt");
  fs::remove(transcript);
  SetEnvironment("ORBISK_TRANSCRIPT", transcript.string().c_str());
  const PF_Err err = host.DoDialog();
  SetEnvironment("ORBISK_TRANSCRIPT", nullptr);
  std::ifstream file(transcript, std::ios::binary);
  const std::string exchange((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  file.close();
  fs::remove(transcript);
  if (err != PF_Err_NONE) Fail("the dialog command failed: " + ErrorText(err));
  if (exchange.empty())
    Fail("the companion did not run: it belongs beside the effect module, named Orbisk.exe");
  std::fputs(exchange.c_str(), stdout);
  std::printf("tessgrain-render: dialog command done\n");
  return 0;
}

}  // namespace devhost
