// devhost's accounts of what an effect takes from the host and gives back: handles and their
// locks, suites, AEGP references, checkouts and exclusive device access. Counted per command; at
// the end of each command the balance is checked and each imbalance becomes a message naming the
// command and the resource. Misuse (giving back what was never taken) is an imbalance too.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devhost/host/host.h"

namespace devhost {

// "PF_Cmd_GLOBAL_SETUP" for 1; a number for a command devhost has no name for.
std::string CommandName(PF_Cmd cmd);

class Ledger {
 public:
  void Begin(PF_Cmd cmd);
  // Checks the balance of the command begun last and starts its counts afresh next time.
  void End();
  const CommandCounts& Counts() const { return counts_; }

  // ---- Handles ----
  // by_plugin: made through the effect's callbacks (the host's own handles are never a leak).
  PF_Handle NewHandle(size_t size, bool by_plugin);
  void* Lock(PF_Handle h);  // null for a handle that is unknown or disposed
  void Unlock(PF_Handle h);
  void Dispose(PF_Handle h);  // by the effect
  // The host holds the handle for the effect from now on (global data, a device's gpu_data);
  // role says what it is.
  void HostKeeps(PF_Handle h, const std::string& role);
  // The host gives a kept handle back for the effect to dispose of within this command.
  void HostReturns(PF_Handle h);
  void HostDisposes(PF_Handle h);
  // Size and resizing of a live handle; false for any other.
  bool Size(PF_Handle h, size_t* size) const;
  bool Resize(PF_Handle h, size_t size);

  // ---- Everything else: taken and returned by a description ("parameter 3") ----
  void Take(Resource kind, const std::string& what);
  // Misuse when nothing of that description is outstanding.
  void Return(Resource kind, const std::string& what);
  // How many of that description are taken and not returned in this command.
  int Outstanding(Resource kind, const std::string& what) const {
    const auto& open = outstanding_[static_cast<int>(kind)];
    const auto it = open.find(what);
    return it == open.end() ? 0 : it->second;
  }
  // Counts a return the host cannot match to anything taken and does not hold against the effect.
  void CountReturn(Resource kind) { ++counts_.returned[static_cast<int>(kind)]; }

  std::vector<std::string> imbalances;

 private:
  struct HandleRecord {
    void* data;  // first member: a PF_Handle points here
    std::vector<uint8_t> bytes;
    size_t size;  // kept when disposed, for naming it
    int number;
    bool by_plugin;
    bool alive = true;
    bool kept = false;      // the host holds it for the effect
    bool reported = false;  // its leak was reported once already
    int locks = 0;          // locks not matched by an unlock in this command
    std::string role;
  };

  HandleRecord* Find(PF_Handle h) const;
  static std::string Describe(const HandleRecord& r);
  void Note(const std::string& what);

  PF_Cmd cmd_ = -1;
  bool in_command_ = false;
  CommandCounts counts_;
  // Never shrinks: a disposed handle stays known, so that a later use of it is recognised.
  std::vector<std::unique_ptr<HandleRecord>> handles_;
  std::map<std::string, int> outstanding_[kResourceKinds];
};

}  // namespace devhost
