// Shared objects carry no resources for a host to read, and a refused host leaves them alone.
#include "host/module_image.h"

void PinModule(ModuleHandle) {}

bool HideModuleResources(ModuleHandle) { return false; }
