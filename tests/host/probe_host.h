// What the probe host (a program named like the After Effects host) saw of the module it loaded,
// as bits of its exit code.
#pragma once

enum ProbeHostResult : unsigned {
  kProbeResourcesHidden = 1,         // the module's PiPL could not be found
  kProbeStillMapped = 2,             // the module stayed loaded after the host freed it
  kProbeSystemBeforeWin10 = 4,       // the system reported a version below 10.0
  kProbeRegistrationRefused = 8,     // PluginDataEntryFunction answered 515 without registering
  kProbeRegistered = 16,             // PluginDataEntryFunction called the registration callback
  kProbeLoadedUnderLoaderLock = 32,  // the module asked for a library not yet mapped from inside
                                     // its process- or thread-attach notification
  kProbeNotWatched = 64,             // the module's library loads could not be watched
  kProbeLoadFailed = 0x100,
};
