// A library carrying only a PiPL-typed resource, for the resource-hiding and cache-reset tests.
extern "C" __declspec(dllexport) int ResourceModuleMarker() { return 1; }
