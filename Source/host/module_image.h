// Changes to a loaded module that a refused host must not undo: keeping it mapped and hiding its
// resources in memory. Nothing to do on POSIX systems, where modules carry no resources.
#pragma once

#include "foundation/module_info.h"

/// Loads the module's file once more, so that it stays mapped when the host frees it.
void PinModule(ModuleHandle module);

/// Zeroes the entry counts of the in-memory image's root resource directory, so that resource
/// look-ups find nothing; the file is untouched. True when the counts were written.
bool HideModuleResources(ModuleHandle module);
