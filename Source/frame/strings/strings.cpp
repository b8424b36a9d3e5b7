#include "frame/strings/strings.h"

#include <map>

const char* GetString(int32_t id) {
  // Built on first use; function-local statics are initialised once even with several threads.
  static const std::map<int32_t, const char*> table = {
      {StrID_NONE, ""},
      {StrID_Name, "Orbisk Tessgrain"},
      {StrID_Description, "Upscaling effect"},
      {StrID_Scale_Param_Name, "Scale"},
      {StrID_Interpolation_Param_Name, "Interpolation algo"},
      {StrID_Interpolation_Choices, "Nearest|Linear|Nearest AA"},
      {StrID_EdgeBlur_Param_Name, "Edge Blur"},
      {StrID_GPU_Param_Name, "GPU Acceleration"},
      {StrID_CenterOnAnchor_Param_Name, "Center on Anchor"},
      {StrID_Instance_Param_Name, "Instance"},
      {StrID_Download_Param_Name, "Download Online"},
      {StrID_PixelShape_Param_Name, "Pixel Shape"},
      {StrID_PixelShape_Choices, "Point (AEfx)|Square (PrPro)|Circle"},
      {StrID_Settings_Button, "Settings"},
      {StrID_Update_Button, "Please Update !"},
  };
  return table.at(id);
}
