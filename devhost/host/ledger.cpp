#include "devhost/host/ledger.h"

namespace devhost {

namespace {

struct Verbs {
  const char* take;    // "acquired"
  const char* give;    // "released"
  const char* giving;  // "release"
};

Verbs VerbsOf(Resource kind) {
  switch (kind) {
    case Resource::Suite:
    case Resource::ExclusiveAccess:
      return {"acquired", "released", "release"};
    case Resource::LayerCheckout:
    case Resource::ParamCheckout:
      return {"checked out", "checked in", "check-in"};
    default:
      return {"obtained", "disposed", "dispose"};
  }
}

std::string Times(int n) { return n == 1 ? "" : " (" + std::to_string(n) + " times)"; }

}  // namespace

std::string CommandName(PF_Cmd cmd) {
  static const char* const kNames[] = {"ABOUT",
                                       "GLOBAL_SETUP",
                                       "UNUSED_0",
                                       "GLOBAL_SETDOWN",
                                       "PARAMS_SETUP",
                                       "SEQUENCE_SETUP",
                                       "SEQUENCE_RESETUP",
                                       "SEQUENCE_FLATTEN",
                                       "SEQUENCE_SETDOWN",
                                       "DO_DIALOG",
                                       "FRAME_SETUP",
                                       "RENDER",
                                       "FRAME_SETDOWN",
                                       "USER_CHANGED_PARAM",
                                       "UPDATE_PARAMS_UI",
                                       "EVENT",
                                       "GET_EXTERNAL_DEPENDENCIES",
                                       "COMPLETELY_GENERAL",
                                       "QUERY_DYNAMIC_FLAGS",
                                       "AUDIO_RENDER",
                                       "AUDIO_SETUP",
                                       "AUDIO_SETDOWN",
                                       "ARBITRARY_CALLBACK",
                                       "SMART_PRE_RENDER",
                                       "SMART_RENDER",
                                       "RESERVED1",
                                       "RESERVED2",
                                       "RESERVED3",
                                       "GET_FLATTENED_SEQUENCE_DATA",
                                       "TRANSLATE_PARAMS_TO_PREFS",
                                       "RESERVED4",
                                       "SMART_RENDER_GPU",
                                       "GPU_DEVICE_SETUP",
                                       "GPU_DEVICE_SETDOWN"};
  static_assert(std::size(kNames) == PF_Cmd_NUM_CMDS);
  if (cmd >= 0 && cmd < PF_Cmd_NUM_CMDS) return std::string("PF_Cmd_") + kNames[cmd];
  return "command " + std::to_string(cmd);
}

void Ledger::Begin(PF_Cmd cmd) {
  cmd_ = cmd;
  in_command_ = true;
  counts_ = CommandCounts{};
  counts_.cmd = cmd;
}

void Ledger::End() {
  for (const auto& r : handles_) {
    if (r->locks > 0) {
      Note(Describe(*r) + " was left locked (" + std::to_string(r->locks) + " lock" +
           (r->locks == 1 ? "" : "s") + " without an unlock)");
    }
    r->locks = 0;
    if (r->alive && r->by_plugin && !r->kept && !r->reported) {
      r->reported = true;  // once: the host adopts what it was left with
      if (r->role.empty()) {
        Note(Describe(*r) +
             " created by the plug-in is still alive and was not handed to the host");
      } else {
        Note(Describe(*r) + ", " + r->role + ", was given back to the plug-in and not disposed");
      }
    }
  }
  for (int k = 0; k < kResourceKinds; ++k) {
    const Verbs verbs = VerbsOf(static_cast<Resource>(k));
    for (const auto& [what, n] : outstanding_[k]) {
      Note(what + " " + verbs.take + " and not " + verbs.give + Times(n));
    }
    outstanding_[k].clear();
  }
  in_command_ = false;
}

void Ledger::Note(const std::string& what) {
  imbalances.push_back((in_command_ ? CommandName(cmd_) : std::string("between commands")) + ": " +
                       what);
}

Ledger::HandleRecord* Ledger::Find(PF_Handle h) const {
  for (const auto& r : handles_) {
    if (reinterpret_cast<PF_Handle>(&r->data) == h) return r.get();
  }
  return nullptr;
}

std::string Ledger::Describe(const HandleRecord& r) {
  return "handle #" + std::to_string(r.number) + " (" + std::to_string(r.size) + " bytes)";
}

PF_Handle Ledger::NewHandle(size_t size, bool by_plugin) {
  auto r = std::make_unique<HandleRecord>();
  r->bytes.assign(size, 0);
  r->size = size;
  r->data = r->bytes.data();
  r->number = static_cast<int>(handles_.size()) + 1;
  r->by_plugin = by_plugin;
  handles_.push_back(std::move(r));
  if (by_plugin) ++counts_.taken[static_cast<int>(Resource::Handle)];
  return reinterpret_cast<PF_Handle>(&handles_.back()->data);
}

void* Ledger::Lock(PF_Handle h) {
  ++counts_.taken[static_cast<int>(Resource::HandleLock)];
  HandleRecord* r = Find(h);
  if (r == nullptr || !r->alive) {
    Note(r ? "lock of " + Describe(*r) + ", which was disposed" : "lock of an unknown handle");
    return nullptr;
  }
  ++r->locks;
  return r->data;
}

void Ledger::Unlock(PF_Handle h) {
  ++counts_.returned[static_cast<int>(Resource::HandleLock)];
  HandleRecord* r = Find(h);
  if (r == nullptr || !r->alive) {
    Note(r ? "unlock of " + Describe(*r) + ", which was disposed" : "unlock of an unknown handle");
  } else if (r->locks == 0) {
    Note("unlock of " + Describe(*r) + ", which is not locked");
  } else {
    --r->locks;
  }
}

void Ledger::Dispose(PF_Handle h) {
  ++counts_.returned[static_cast<int>(Resource::Handle)];
  HandleRecord* r = Find(h);
  if (r == nullptr || !r->alive) {
    Note(r ? "dispose of " + Describe(*r) + ", which was already disposed"
           : "dispose of an unknown handle");
    return;
  }
  HostDisposes(h);
}

void Ledger::HostKeeps(PF_Handle h, const std::string& role) {
  if (HandleRecord* r = Find(h); r != nullptr && r->alive) {
    r->kept = true;
    r->role = role;
  }
}

void Ledger::HostReturns(PF_Handle h) {
  if (HandleRecord* r = Find(h)) r->kept = false;
}

void Ledger::HostDisposes(PF_Handle h) {
  HandleRecord* r = Find(h);
  if (r == nullptr || !r->alive) return;
  r->alive = false;
  r->data = nullptr;
  r->bytes.clear();
  r->bytes.shrink_to_fit();
}

bool Ledger::Size(PF_Handle h, size_t* size) const {
  const HandleRecord* r = Find(h);
  if (r == nullptr || !r->alive) return false;
  *size = r->bytes.size();
  return true;
}

bool Ledger::Resize(PF_Handle h, size_t size) {
  HandleRecord* r = Find(h);
  if (r == nullptr || !r->alive) return false;
  r->bytes.resize(size);
  r->size = size;
  r->data = r->bytes.data();
  return true;
}

void Ledger::Take(Resource kind, const std::string& what) {
  ++counts_.taken[static_cast<int>(kind)];
  if (kind == Resource::Suite) ++counts_.suites_acquired[what];
  ++outstanding_[static_cast<int>(kind)][what];
}

void Ledger::Return(Resource kind, const std::string& what) {
  ++counts_.returned[static_cast<int>(kind)];
  if (kind == Resource::Suite) ++counts_.suites_released[what];
  auto& open = outstanding_[static_cast<int>(kind)];
  const auto it = open.find(what);
  if (it == open.end()) {
    const Verbs verbs = VerbsOf(kind);
    Note(std::string(verbs.giving) + " of " + what + ", which was not " + verbs.take);
    return;
  }
  if (--it->second == 0) open.erase(it);
}

}  // namespace devhost
