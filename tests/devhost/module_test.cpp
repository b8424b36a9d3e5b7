// The loaded module end to end, as After Effects and Premiere Pro sessions drive it: registration,
// global set-up, parameter set-up, UI updates, rendering; compatibility levels; failing hosts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "devhost/host/host.h"
#include "frame/glue/global_data.h"
#include "params/table/param_table.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

using devhost::Depth;
using devhost::Host;
using devhost::HostApp;
using support::Pattern;

namespace {

GlobalData Global(const Host& host) { return PeekGlobalData(host.GlobalDataHandle()); }

TEST(Registration, ExportsAndTheRegistrationValues) {
  EXPECT_NE(LoadedModule().NvOptimusEnablementCuda(), nullptr);
  EXPECT_EQ(*LoadedModule().NvOptimusEnablementCuda(), 1);

  const devhost::Registration r =
      devhost::Register(LoadedModule().PluginDataEntry(), "After Effects", "25.0");
  EXPECT_EQ(r.result, 0);
  ASSERT_TRUE(r.called);
  EXPECT_EQ(r.name, "Orbisk Tessgrain");
  EXPECT_EQ(r.match_name, "ML_Tessgrain");
  EXPECT_EQ(r.category, "Mirelune");
  EXPECT_EQ(r.entry_point, "EffectMain");
  EXPECT_EQ(r.kind, 0x65464B54);
  EXPECT_EQ(r.api_major, 13);
  EXPECT_EQ(r.api_minor, 29);
  EXPECT_EQ(r.reserved_info, 8);

  // The callback's own answer is passed on.
  EXPECT_EQ(devhost::Register(LoadedModule().PluginDataEntry(), "Premiere Pro", "24.0", 7).result,
            7);
}

TEST(Registration, TooOldHostsAreRefusedWithoutCallingBack) {
  for (const char* version : {"16.1x3", "12.0"}) {
    const devhost::Registration r =
        devhost::Register(LoadedModule().PluginDataEntry(), "After Effects", version);
    EXPECT_EQ(r.result, PF_Err_INVALID_CALLBACK) << version;
    EXPECT_FALSE(r.called) << version;
  }
  // An unknown host, or a version that does not parse, is let in.
  EXPECT_TRUE(
      devhost::Register(LoadedModule().PluginDataEntry(), "After Effects 2024", "1.0").called);
  EXPECT_TRUE(devhost::Register(LoadedModule().PluginDataEntry(), "After Effects", "beta").called);
}

// What hosts keep of a declared parameter in their projects, and its start in the UI.
struct Stored {
  A_long id;
  PF_ParamType type;
  double min, max, dephault;
  PF_ParamFlags flags;
  PF_ParamUIFlags ui;
};

void ExpectStored(const std::vector<PF_ParamDef>& declared, const std::vector<Stored>& expected) {
  ASSERT_EQ(declared.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const PF_ParamDef& d = declared[i];
    const Stored& e = expected[i];
    SCOPED_TRACE("parameter with id " + std::to_string(e.id));
    EXPECT_EQ(d.uu.id, e.id);
    EXPECT_EQ(d.param_type, e.type);
    EXPECT_EQ(d.flags, e.flags);
    EXPECT_EQ(d.ui_flags, e.ui);
    switch (e.type) {
      case PF_Param_FLOAT_SLIDER:
        EXPECT_EQ(d.u.fs_d.valid_min, e.min);
        EXPECT_EQ(d.u.fs_d.slider_max, e.max);
        EXPECT_EQ(d.u.fs_d.dephault, e.dephault);
        EXPECT_EQ(d.u.fs_d.value, e.dephault);
        EXPECT_EQ(d.u.fs_d.precision, 2);
        break;
      case PF_Param_POPUP:
        EXPECT_EQ(d.u.pd.num_choices, 3);
        EXPECT_EQ(d.u.pd.dephault, e.dephault);
        EXPECT_EQ(d.u.pd.value, e.dephault);
        break;
      case PF_Param_CHECKBOX:
        EXPECT_EQ(d.u.bd.dephault, e.dephault);
        EXPECT_EQ(d.u.bd.value, e.dephault);
        break;
      case PF_Param_FIX_SLIDER:  // 16.16 fixed point
        EXPECT_EQ(d.u.fd.valid_max, static_cast<A_long>(e.max) << 16);
        EXPECT_EQ(d.u.fd.dephault, static_cast<A_long>(e.dephault) << 16);
        break;
      default:
        break;
    }
  }
}

TEST(AfterEffectsSession, SetUpUpdateAndRender) {
  Host host(Effect(), HostApp::AfterEffects);
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.out_data.my_version, 0x00088024u);
  EXPECT_EQ(host.out_data.out_flags, 0x060006A0);
  EXPECT_EQ(host.out_data.out_flags2, 0x0A001400);
  EXPECT_EQ(Global(host).plugin_id, 77);
  EXPECT_EQ(Global(host).compat_state, 0u);
  EXPECT_EQ(host.registered_name, "Orbisk Tessgrain");
  EXPECT_TRUE(host.declared_formats.empty());

  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
  ASSERT_EQ(host.declared_params.size(), 8u);
  EXPECT_EQ(host.out_data.num_params, 9);
  const auto& p = host.declared_params;
  EXPECT_STREQ(p[0].name, "v1.1.0");
  EXPECT_STREQ(p[0].u.button_d.u.namesptr, "Settings");
  EXPECT_STREQ(p[2].u.pd.u.namesptr, "Nearest|Linear|Nearest AA");
  EXPECT_STREQ(p[7].u.pd.u.namesptr, "Point (AEfx)|Square (PrPro)|Circle");
  ExpectStored(
      p, {{9, PF_Param_BUTTON, 0, 0, 0, PF_ParamFlag_SUPERVISE, 0},
          {1, PF_Param_FLOAT_SLIDER, 1, 64, 1, 0, 0},
          {3, PF_Param_POPUP, 0, 0, 1, PF_ParamFlag_CANNOT_TIME_VARY, 0},
          {4, PF_Param_FLOAT_SLIDER, 0, 64, 1, 0, PF_PUI_INVISIBLE},
          {2, PF_Param_CHECKBOX, 0, 0, 1, PF_ParamFlag_CANNOT_TIME_VARY, 0},
          {5, PF_Param_FIX_SLIDER, 0, 32767, 0, PF_ParamFlag_CANNOT_TIME_VARY, PF_PUI_INVISIBLE},
          {6, PF_Param_POINT, 0, 0, 0, 0, PF_PUI_INVISIBLE},
          {7, PF_Param_POPUP, 0, 0, 1, 0, PF_PUI_INVISIBLE}});

  // Edge Blur follows the interpolation through the stream's HIDDEN flag; the anchor point
  // lands in the hidden point parameter.
  host.anchor_x = 12.5;
  host.anchor_y = -3.0;
  host.params.interpolation = INTERPOLATION_NEAREST_AA;
  ASSERT_EQ(host.UpdateParamsUI(), PF_Err_NONE);
  EXPECT_FALSE(host.effect_streams[PARAM_EDGE_BLUR].hidden);
  host.params.interpolation = INTERPOLATION_LINEAR;
  ASSERT_EQ(host.UpdateParamsUI(), PF_Err_NONE);
  EXPECT_TRUE(host.effect_streams[PARAM_EDGE_BLUR].hidden);
  EXPECT_TRUE(host.ui_updates.empty());
  const AEGP_StreamVal2& anchor = host.effect_streams[PARAM_ANCHOR].value.val;
  EXPECT_EQ(anchor.two_d.x, 12.5);
  EXPECT_EQ(anchor.two_d.y, -3.0);

  host.params.scale = 2;
  host.params.interpolation = INTERPOLATION_NEAREST;
  host.params.pixel_shape = 2;
  host.anchor_x = host.anchor_y = 0;
  const devhost::RenderResult r = host.RenderSmart(Pattern(3, 2, Depth::U8));
  ASSERT_EQ(r.err, PF_Err_NONE);
  ASSERT_EQ(r.image.width, 6);
  EXPECT_EQ(r.image.Get(5, 3, 0), 2);
  EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETDOWN, nullptr, nullptr, nullptr), PF_Err_NONE);
}

TEST(PremiereSession, FormatsParametersUpdatesAndRender) {
  Host host(Effect(), HostApp::PremierePro);
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host.out_data.out_flags2, 0x08001400);
  ASSERT_EQ(host.declared_formats.size(), 2u);
  EXPECT_EQ(host.declared_formats[0], PrPixelFormat_BGRA_4444_32f);
  EXPECT_EQ(host.declared_formats[1], PrPixelFormat_BGRA_4444_8u);
  EXPECT_EQ(Global(host).plugin_id, 0);
  EXPECT_TRUE(host.registered_name.empty());

  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
  ASSERT_EQ(host.declared_params.size(), 8u);
  // GPU off and hidden, Square pixels.
  ExpectStored({host.declared_params[4], host.declared_params[7]},
               {{2, PF_Param_CHECKBOX, 0, 0, 0, PF_ParamFlag_CANNOT_TIME_VARY, PF_PUI_INVISIBLE},
                {7, PF_Param_POPUP, 0, 0, 2, 0, PF_PUI_INVISIBLE}});

  host.params.interpolation = INTERPOLATION_NEAREST_AA;
  ASSERT_EQ(host.UpdateParamsUI(), PF_Err_NONE);
  host.params.interpolation = INTERPOLATION_NEAREST;
  ASSERT_EQ(host.UpdateParamsUI(), PF_Err_NONE);
  ASSERT_EQ(host.ui_updates.size(), 2u);
  EXPECT_EQ(host.ui_updates[0].first, PARAM_EDGE_BLUR);
  EXPECT_EQ(host.ui_updates[0].second.ui_flags & PF_PUI_INVISIBLE, 0);
  EXPECT_NE(host.ui_updates[1].second.ui_flags & PF_PUI_INVISIBLE, 0);
  EXPECT_TRUE(host.effect_streams.empty());  // no AEGP streams in Premiere Pro

  host.params.scale = 2;
  const devhost::RenderResult r = host.RenderLegacy(Pattern(3, 2, Depth::U8));
  ASSERT_EQ(r.err, PF_Err_NONE);
  EXPECT_EQ(r.image.width, 6);
}

TEST(Compatibility, TooOldPluginHidesTheControlsAndRendersRed) {
  Host host(Effect(), HostApp::AfterEffects);
  host.api_minor = 33;
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(Global(host).compat_state, 2u);
  // The notice reaches the user: the effect asks the host to display it.
  ASSERT_EQ(host.shown_messages.size(), 1u);
  EXPECT_EQ(host.shown_messages[0].rfind("Incompatible Tessgrain version\n\n", 0), 0u);

  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
  ASSERT_EQ(host.declared_params.size(), 9u);
  EXPECT_EQ(host.out_data.num_params, 10);
  for (int i : {1, 2, 4}) {
    EXPECT_EQ(host.declared_params[i].ui_flags, PF_PUI_DISABLED | PF_PUI_INVISIBLE) << i;
  }
  EXPECT_EQ(host.declared_params[4].u.bd.value, 0);
  EXPECT_STREQ(host.declared_params[8].name, "Download Online");
  EXPECT_STREQ(host.declared_params[8].u.button_d.u.namesptr, "Please Update !");
  EXPECT_EQ(host.declared_params[8].uu.id, 8);

  host.params.gpu = true;
  host.params.scale = 2;
  const devhost::RenderResult r = host.RenderSmart(Pattern(2, 2, Depth::U8));
  ASSERT_EQ(r.err, PF_Err_NONE);
  EXPECT_EQ(r.pre_render->output.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
  EXPECT_EQ(r.image.Get(0, 0, 0), 255);
  EXPECT_EQ(r.image.Get(0, 0, 1), 0);

  Host advised(Effect(), HostApp::AfterEffects);
  advised.api_minor = 31;
  ASSERT_EQ(advised.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(Global(advised).compat_state, 1u);
  ASSERT_EQ(advised.ParamsSetup(), PF_Err_NONE);
  EXPECT_EQ(advised.out_data.num_params, 9);
}

TEST(FailingHosts, RefusedSuitesAnswer13WithTheMessageWhereTheOutputIsAtHand) {
  struct Case {
    HostApp app;
    const char* suite;
    bool message;
  };
  for (const Case& c : {Case{HostApp::PremierePro, kPFPixelFormatSuite, true},
                        Case{HostApp::AfterEffects, kPFHandleSuite, true},
                        Case{HostApp::AfterEffects, kAEGPUtilitySuite, false}}) {
    Host host(Effect(), c.app);
    host.RefuseSuite(c.suite);
    EXPECT_EQ(host.GlobalSetup(), A_Err_MISSING_SUITE) << c.suite;
    EXPECT_EQ(std::string(host.out_data.return_msg) == "Not able to acquire AEFX Suite.", c.message)
        << c.suite;
    EXPECT_EQ(host.GlobalDataHandle(), nullptr) << c.suite;
  }

  // The UI update's own suites report through the output record; the AEGP ones do not.
  for (const Case& c : {Case{HostApp::AfterEffects, kPFParamUtilsSuite, true},
                        Case{HostApp::AfterEffects, kAEGPDynamicStreamSuite, false},
                        Case{HostApp::AfterEffects, kAEGPEffectSuite, false}}) {
    Host ui(Effect(), c.app);
    ASSERT_EQ(ui.GlobalSetup(), PF_Err_NONE);
    ASSERT_EQ(ui.ParamsSetup(), PF_Err_NONE);
    ui.out_data.return_msg[0] = '\0';
    ui.RefuseSuite(c.suite);
    EXPECT_EQ(ui.UpdateParamsUI(), A_Err_MISSING_SUITE) << c.suite;
    EXPECT_EQ((ui.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0, c.message)
        << c.suite;
  }
}

TEST(FailingHosts, RegistrationFailureAndAnchorFailuresKeepEverythingBalanced) {
  Host host(Effect(), HostApp::AfterEffects);
  host.FailCallback("AEGP_RegisterWithAEGP", 21);
  EXPECT_EQ(host.GlobalSetup(), 21);
  EXPECT_STREQ(host.out_data.return_msg, "Cannot register plugin with AEGP!");
  EXPECT_NE(host.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
  EXPECT_EQ(host.GlobalDataHandle(), nullptr);

  // Without registration the UI update changes nothing and reports success.
  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
  EXPECT_EQ(host.UpdateParamsUI(), PF_Err_NONE);
  EXPECT_TRUE(host.effect_streams.empty());

  Host anchor(Effect(), HostApp::AfterEffects);
  ASSERT_EQ(anchor.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(anchor.ParamsSetup(), PF_Err_NONE);
  anchor.anchor_x = anchor.anchor_y = 4;
  anchor.FailCallback("AEGP_GetLayerStreamValue", 30);
  EXPECT_EQ(anchor.UpdateParamsUI(), PF_Err_NONE);  // the anchor copy's result is not used
  EXPECT_EQ(anchor.effect_streams[PARAM_ANCHOR].value.val.two_d.x, 0.0);

  // A suite the anchor copy cannot get ends the command with 516.
  Host refused(Effect(), HostApp::AfterEffects);
  ASSERT_EQ(refused.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(refused.ParamsSetup(), PF_Err_NONE);
  refused.RefuseSuite(kAEGPLayerSuite);
  EXPECT_EQ(refused.UpdateParamsUI(), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(EffectMain, AboutMissingInputsAndHostExceptions) {
  Host host(Effect(), HostApp::AfterEffects);
  EXPECT_EQ(host.Send(PF_Cmd_ABOUT, nullptr, nullptr, nullptr), PF_Err_NONE);
  EXPECT_STREQ(host.out_data.return_msg, "Orbisk Tessgrain\n\nUpscaling effect");

  EXPECT_EQ(host.Send(PF_Cmd_UPDATE_PARAMS_UI, nullptr, nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);

  // Whatever a handler meets that is not a host error code becomes 1.
  Host throwing(Effect(), HostApp::AfterEffects);
  throwing.ThrowFromCallback("checkout_param");
  EXPECT_EQ(throwing.SmartPreRender(Pattern(2, 2, Depth::U8)).err, A_Err_GENERIC);
}

}  // namespace
