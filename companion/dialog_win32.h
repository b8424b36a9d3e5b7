// The two companions' dialogs: modeless dialogs of the system's dialog class (the plug-in looks
// for the companion's window by that class), built from a template in memory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

/// A dialog template without controls: the header, no menu, the default class, the caption and,
/// when a font is named, DS_SETFONT's point size and face name.
std::vector<WORD> DialogTemplate(const std::wstring& caption, DWORD style, short width,
                                 short height, const wchar_t* font = nullptr, WORD points = 0);

/// Creates the dialog from the template, shows it in front and runs its messages until it is
/// destroyed. False when it could not be created.
bool RunModelessDialog(std::vector<WORD>& dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM parameter);
