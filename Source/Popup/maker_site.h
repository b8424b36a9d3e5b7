// The maker's web site, named in the messages that send the user there.
#pragma once

inline constexpr char kMakerSite[] = "https://www.mirelune.com";
inline constexpr wchar_t kUpdatePageUrl[] = L"https://www.mirelune.com/Orbisk/UpdateTessgrain";
