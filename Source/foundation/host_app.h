// The host applications the plug-in knows, shared by the plug-in's host detection and devhost.
#pragma once
#include <cstdint>

enum class HostApp : std::int32_t {
  OtherHost = 0,
  AfterEffects = 1,
  PremierePro = 2,
  MediaEncoder = 3,
};
