#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "pelmora/device/PelmoraT2.h"
#include "pelmora/platform/Apartment.h"

namespace pelmora::cli {

// The exporter's running probes, so that stopping the exporter ends their waits at once instead
// of letting each run to its time limit. A probe registers its device on the thread it runs on;
// cancelling posts an abort to that thread's apartment, where the waiting command notices it.
class ProbeCancels {
 public:
  class Registration {
   public:
    Registration(ProbeCancels& owner, std::uint64_t id) : owner_(&owner), id_(id) {}
    ~Registration() { owner_->Remove(id_); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

   private:
    ProbeCancels* owner_;
    std::uint64_t id_;
  };

  // Registers a device of the calling thread. Once CancelAll has run, the device is aborted at
  // once, so that a probe that starts late does not outlive the stop.
  std::unique_ptr<Registration> Add(const std::shared_ptr<PelmoraT2>& device);
  void CancelAll();

 private:
  struct Entry {
    std::shared_ptr<Apartment> apartment;
    std::weak_ptr<PelmoraT2> device;
  };
  static void Abort(const Entry& entry);
  void Remove(std::uint64_t id);

  std::mutex mutex_;
  std::map<std::uint64_t, Entry> entries_;
  std::uint64_t nextId_ = 0;
  bool cancelled_ = false;
};

}  // namespace pelmora::cli
