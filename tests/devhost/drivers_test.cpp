// The render commands end to end: devhost drives the effect through EffectMain as After Effects
// (smart pre-render and render) and Premiere Pro (frame set-up and render) would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "devhost/host/host.h"
#include "engine/core/settings.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

using devhost::Depth;
using devhost::Host;
using devhost::HostApp;
using devhost::Image;
using devhost::Resource;
using support::Pattern;

namespace {

bool SamePixel(const Image& a, int ax, int ay, const Image& b, int bx, int by) {
  return std::memcmp(a.Pixel(ax, ay), b.Pixel(bx, by), a.PixelBytes()) == 0;
}

bool AllRed(const Image& image, double one, int rows = -1) {
  for (int y = 0; y < (rows < 0 ? image.height : rows); ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.Get(x, y, 0) != one || image.Get(x, y, 1) != 0 || image.Get(x, y, 2) != 0 ||
          image.Get(x, y, 3) != one) {
        return false;
      }
    }
  }
  return true;
}

class SmartRenderDepth : public ::testing::TestWithParam<Depth> {};
INSTANTIATE_TEST_SUITE_P(Drivers, SmartRenderDepth,
                         ::testing::Values(Depth::U8, Depth::U16, Depth::F32));

TEST_P(SmartRenderDepth, NearestSquareAboutTheCornerReplicatesBlocks) {
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {3.0, 1, 1.0, false, 2};  // scale 3, Nearest, Square
  host.anchor_x = host.anchor_y = 0;
  host.row_padding_bytes = 24;
  const Image layer = Pattern(5, 4, GetParam());
  const devhost::RenderResult r = host.RenderSmart(layer);
  ASSERT_EQ(r.err, PF_Err_NONE);
  const PF_PreRenderOutput& pre = r.pre_render->output;
  EXPECT_EQ(pre.result_rect.left, 0);
  EXPECT_EQ(pre.result_rect.right, 15);
  EXPECT_EQ(pre.result_rect.bottom, 12);
  EXPECT_EQ(pre.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
  ASSERT_EQ(r.image.width, 15);
  ASSERT_EQ(r.image.height, 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 15; ++x) EXPECT_TRUE(SamePixel(r.image, x, y, layer, x / 3, y / 3));
  }
  EXPECT_TRUE(r.padding_intact);
}

TEST_P(SmartRenderDepth, TooOldPluginPaintsTheWholeOutputRed) {
  Host host(Effect(), HostApp::AfterEffects);
  host.SetGlobalData(0, 2);
  host.params = {2.0, 2, 1.0, true, 1};
  const devhost::RenderResult r = host.RenderSmart(Pattern(4, 4, GetParam()));
  ASSERT_EQ(r.err, PF_Err_NONE);
  // No GPU render is offered to a plug-in that is too old.
  EXPECT_EQ(r.pre_render->output.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
  const double one = GetParam() == Depth::U8 ? 255 : GetParam() == Depth::U16 ? 32768 : 1.0;
  EXPECT_TRUE(AllRed(r.image, one));
}

TEST(SmartPreRender, GpuFlagAnchorPhaseAndRecordOwnership) {
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {2.5, 3, 9.0, true, 1};  // Nearest AA with a blur above the scale
  host.anchor_x = host.anchor_y = 3.3;
  const devhost::PreRenderResult r = host.SmartPreRender(Pattern(10, 10, Depth::U8));
  ASSERT_EQ(r.err, PF_Err_NONE);
  EXPECT_EQ(r.output.flags,
            PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS | PF_RenderOutputFlag_GPU_RENDER_POSSIBLE);
  EXPECT_EQ(r.output.result_rect.left, -7);
  EXPECT_EQ(r.output.result_rect.right, 22);
  ASSERT_NE(r.output.pre_render_data, nullptr);
  const ScaleInfo* info = static_cast<const ScaleInfo*>(r.output.pre_render_data);
  EXPECT_EQ(info->settings.scale, 2.5f);
  EXPECT_EQ(info->settings.type, SCALE_NEAREST_NEIGHBOR_AA);
  EXPECT_EQ(info->settings.edge_blur, 2.5f);
  EXPECT_EQ(info->settings.pixel_shape, PIXEL_SHAPE_POINT);
  EXPECT_NEAR(info->anchor_x, 0.8f, 1e-5f);
  EXPECT_TRUE(info->settings.gpu);
  r.output.delete_pre_render_data_func(r.output.pre_render_data);
}

TEST(SmartPreRender, DownsampledPreviewWorksInDownsampledPixels) {
  Host host(Effect(), HostApp::AfterEffects);
  host.params = {2.0, 1, 1.0, false, 2};
  host.downsample_x = host.downsample_y = {1, 2};
  host.anchor_x = host.anchor_y = 50;  // full-resolution layer pixels
  const devhost::RenderResult r = host.RenderSmart(Pattern(100, 100, Depth::U8));
  ASSERT_EQ(r.err, PF_Err_NONE);
  EXPECT_EQ(r.output_rect.left, -25);
  EXPECT_EQ(r.output_rect.right, 75);
  EXPECT_EQ(r.image.width, 100);
}

TEST(SmartPreRender, FailuresFreeTheRecordAndStopEarly) {
  {
    Host host(Effect(), HostApp::AfterEffects);
    host.FailCallback("AEGP_GetLayerStreamValue", 42);
    const devhost::PreRenderResult r = host.SmartPreRender(Pattern(4, 4, Depth::U8));
    EXPECT_EQ(r.err, 42);
    EXPECT_EQ(r.output.pre_render_data, nullptr);  // freed; ASan would report a leak
  }
  {
    Host host(Effect(), HostApp::AfterEffects);
    host.FailCallback("checkout_param", 9);
    const devhost::PreRenderResult r = host.SmartPreRender(Pattern(4, 4, Depth::U8));
    EXPECT_EQ(r.err, 9);
    EXPECT_EQ(r.output.pre_render_data, nullptr);
    // No further checkout after the first failure, but every parameter is checked in.
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "checkout_param"), 1);
    EXPECT_EQ(host.LastCounts().Returned(Resource::ParamCheckout), 5);
    for (const std::string& c : host.calls) EXPECT_NE(c, "AEGP_GetEffectLayer");
  }
  {
    // The layer suite is asked for at version 14 and no other.
    Host older(Effect(), HostApp::AfterEffects);
    older.RefuseSuite(kAEGPLayerSuite, 13);
    EXPECT_EQ(older.RenderSmart(Pattern(4, 4, Depth::U8)).err, PF_Err_NONE);
    Host host(Effect(), HostApp::AfterEffects);
    host.RefuseSuite(kAEGPLayerSuite, 14);
    const devhost::PreRenderResult r = host.SmartPreRender(Pattern(4, 4, Depth::U8));
    EXPECT_EQ(r.err, A_Err_MISSING_SUITE);
    EXPECT_EQ(r.output.pre_render_data, nullptr);
    EXPECT_EQ(host.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);  // no message here
  }
}

TEST(SmartRender, RefusedSuitesGiveTheMissingSuiteCodeAndMessage) {
  for (const char* suite : {kPFWorldSuite, kPFPixelDataSuite}) {
    Host host(Effect(), HostApp::AfterEffects);
    host.RefuseSuite(suite);
    const devhost::RenderResult r = host.RenderSmart(Pattern(4, 4, Depth::U16));
    EXPECT_EQ(r.err, A_Err_MISSING_SUITE) << suite;
    EXPECT_NE(host.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    EXPECT_STREQ(host.out_data.return_msg, "Not able to acquire AEFX Suite.");
  }
}

TEST(SmartRender, CheckoutFailuresAndMissingPreRenderData) {
  {
    Host host(Effect(), HostApp::AfterEffects);
    host.FailCallback("checkout_layer_pixels", 77);
    const devhost::RenderResult r = host.RenderSmart(Pattern(4, 4, Depth::U8));
    EXPECT_EQ(r.err, 77);
    for (const std::string& c : host.calls) EXPECT_NE(c, "checkin_layer_pixels");
  }
  {
    Host host(Effect(), HostApp::AfterEffects);
    host.FailCallback("checkin_layer_pixels", 5);
    EXPECT_EQ(host.RenderSmart(Pattern(4, 4, Depth::U8)).err,
              5);  // reported when nothing else failed
  }
  {
    Host host(Effect(), HostApp::AfterEffects);
    EXPECT_EQ(host.RenderSmart(Pattern(4, 4, Depth::U8), false).err,
              PF_Err_INTERNAL_STRUCT_DAMAGED);
  }
}

TEST(SmartRender, ForeignFormatsAndUnknownInterpolationLeaveTheOutputAlone) {
  const PF_Pixel marker{9, 8, 7, 6};
  {
    Host host(Effect(), HostApp::AfterEffects);
    host.output_prefill = marker;
    host.output_format_override = 0x12345678;
    const devhost::RenderResult r = host.RenderSmart(Pattern(3, 3, Depth::U8));
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.image.Get(0, 0, 3), 9);
  }
  {
    Host host(Effect(), HostApp::AfterEffects);
    host.output_prefill = marker;
    host.params.interpolation = 7;
    const devhost::RenderResult r = host.RenderSmart(Pattern(3, 3, Depth::U8));
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.image.Get(1, 1, 0), 8);
  }
}

// ---- Premiere Pro ----------------------------------------------------------------------------

class LegacyDepth : public ::testing::TestWithParam<Depth> {};
INSTANTIATE_TEST_SUITE_P(Drivers, LegacyDepth, ::testing::Values(Depth::U8, Depth::F32));

TEST_P(LegacyDepth, ProgressiveFrameIsClearedThenScaledFromTheSourceOrigin) {
  Host host(Effect(), HostApp::PremierePro);
  host.params = {2.0, 1, 1.0, false, 2};  // Nearest, Square
  host.source_origin_x = 1;
  host.source_origin_y = 2;
  host.output_prefill = PF_Pixel{200, 100, 50, 25};
  host.row_padding_bytes = 16;
  const Image layer = Pattern(4, 3, GetParam());
  const devhost::RenderResult r = host.RenderLegacy(layer);
  ASSERT_EQ(r.err, PF_Err_NONE);
  ASSERT_EQ(r.image.width, 8 + 1);
  ASSERT_EQ(r.image.height, 6 + 2);
  for (int y = 0; y < r.image.height; ++y) {
    for (int x = 0; x < r.image.width; ++x) {
      if (x >= 1 && y >= 2) {
        EXPECT_TRUE(SamePixel(r.image, x, y, layer, (x - 1) / 2, (y - 2) / 2)) << x << "," << y;
      } else {
        EXPECT_EQ(r.image.Get(x, y, 3), 0) << x << "," << y;  // cleared to transparent black
      }
    }
  }
  EXPECT_TRUE(r.padding_intact);
  EXPECT_TRUE(host.notices.empty());
}

TEST_P(LegacyDepth, InterlacedFramesAreRedAndUpperFieldFirstRaisesANotice) {
  const double one = GetParam() == Depth::U8 ? 255 : 1.0;
  for (PF_Field field : {PF_Field_UPPER, PF_Field_LOWER}) {
    Host host(Effect(), HostApp::PremierePro);
    host.params = {2.0, 2, 1.0, false, 2};
    host.field = field;
    host.output_prefill = PF_Pixel{10, 20, 30, 40};
    const devhost::RenderResult r = host.RenderLegacy(Pattern(4, 4, GetParam()));
    ASSERT_EQ(r.err, PF_Err_NONE);
    ASSERT_EQ(r.image.width, 8);
    ASSERT_EQ(r.image.height, 16);  // a field render doubles the frame height
    // The whole doubled frame turns red, not only the scaled layer's top half.
    EXPECT_TRUE(AllRed(r.image, one));
    if (field == PF_Field_UPPER) {
      ASSERT_EQ(host.notices.size(), 1u);
      EXPECT_EQ(host.notices[0].event_type, 2u);
      EXPECT_EQ(host.notices[0].title.substr(0, 31), u"Tessgrain only works in Progres");
      EXPECT_NE(host.notices[0].text.find(u"\nTessgrain does not upscale interlaced sources."),
                std::u16string::npos);
    } else {
      EXPECT_TRUE(host.notices.empty());
    }
  }
}

TEST(LegacyRender, TooOldPluginIsRedAndUnknownFormatsAre514) {
  {
    Host host(Effect(), HostApp::PremierePro);
    host.SetGlobalData(0, 2);
    host.params = {3.0, 2, 1.0, false, 2};
    const devhost::RenderResult r = host.RenderLegacy(Pattern(3, 3, Depth::U8));
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_TRUE(AllRed(r.image, 255));
  }
  {
    Host host(Effect(), HostApp::PremierePro);
    host.output_format_override = PF_PixelFormat_ARGB32;
    EXPECT_EQ(host.RenderLegacy(Pattern(3, 3, Depth::U8)).err, PF_Err_UNRECOGNIZED_PARAM_TYPE);
  }
  {
    Host host(Effect(), HostApp::PremierePro);
    host.RefuseSuite(kPFPixelFormatSuite);
    EXPECT_EQ(host.RenderLegacy(Pattern(3, 3, Depth::U8)).err, A_Err_MISSING_SUITE);
    EXPECT_STREQ(host.out_data.return_msg, "Not able to acquire AEFX Suite.");
  }
}

TEST(LegacyRender, AnotherHostGetsNothingDone) {
  // RENDER from a host that is not Premiere Pro leaves the output as the host made it.
  Host host(Effect(), HostApp::AfterEffects);
  host.output_prefill = PF_Pixel{1, 2, 3, 4};
  const devhost::RenderResult r = host.RenderLegacy(Pattern(3, 3, Depth::U8));
  EXPECT_EQ(r.err, PF_Err_NONE);
  for (int y = 0; y < r.image.height; ++y) {
    for (int x = 0; x < r.image.width; ++x) EXPECT_EQ(r.image.Get(x, y, 3), 1);
  }
}

TEST(EffectMain, CommandsWithoutAHandlerAnswerZeroAndLeaveTheOutputAlone) {
  Host host(Effect(), HostApp::AfterEffects);
  const PF_OutData before = host.out_data;
  for (PF_Cmd cmd : {2, 12, 15, -1, 34}) EXPECT_EQ(host.Send(cmd, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(std::memcmp(&before, &host.out_data, sizeof(before)), 0);
}

}  // namespace
