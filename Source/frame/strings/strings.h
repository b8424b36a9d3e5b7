// The user-visible strings of the effect, by id.
#pragma once
#include <cstdint>

enum StringId : int32_t {
  StrID_NONE = 0,
  StrID_Name = 1,
  StrID_Description = 2,
  StrID_Scale_Param_Name = 3,
  StrID_Interpolation_Param_Name = 4,
  StrID_Interpolation_Choices = 5,
  StrID_EdgeBlur_Param_Name = 6,
  StrID_GPU_Param_Name = 7,
  StrID_CenterOnAnchor_Param_Name = 8,
  StrID_Instance_Param_Name = 9,
  StrID_Download_Param_Name = 10,
  StrID_PixelShape_Param_Name = 11,
  StrID_PixelShape_Choices = 12,
  StrID_Settings_Button = 13,
  StrID_Update_Button = 15,
};

// The text of a string id; an unknown id throws std::out_of_range.
const char* GetString(int32_t id);
