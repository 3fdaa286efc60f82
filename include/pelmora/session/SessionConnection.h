#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"
#include "pelmora/session/Transcript.h"

namespace pelmora {

// The connection a session gives its device: it forwards to the target's real connection,
// writes what passes both ways to the transcript (when there is one), counts the physical
// sessions it opened, and ends a waiting command when the session is cancelled.
//
// A physical session that the device ended (after "exit", a reset, a dropped line) is opened
// again at the next send only where the owner allows it; otherwise that send fails with the
// connection error, since a new session starts from another state of the shell (a login, a
// half-done change) and a caller that relied on the old one must not carry on unawares.
class SessionConnection : public Connection {
 public:
  SessionConnection(std::shared_ptr<Connection> target, std::shared_ptr<Transcript> transcript);
  ~SessionConnection() override;

  // How a pending cancel ends the command that waits (the device object's abort).
  void SetAbort(std::function<void()> abort) { abort_ = std::move(abort); }
  void AllowReopen(bool allow) noexcept { allowReopen_ = allow; }
  bool ReopenAllowed() const noexcept { return allowReopen_; }

  void Poll() override;
  bool IsBusy() const override { return target_->IsBusy(); }
  std::string Endpoint() const override { return target_->Endpoint(); }
  // Whether any bytes went out, in any session: after that, running the command again could
  // repeat what the device already did.
  bool SentAnything() const noexcept { return sentAnything_; }
  // How many physical sessions were opened so far.
  std::uint64_t PhysicalSessions() const noexcept { return physicalSessions_; }

 protected:
  void OpenSession() override;
  void CloseSession() override;
  void Transmit(const std::string& bytes) override;

 private:
  void OpenTarget(const char* note);
  void OnTargetReceive();
  bool CancelPending() const;

  std::shared_ptr<Connection> target_;
  std::shared_ptr<Transcript> transcript_;
  std::function<void()> abort_;
  bool allowReopen_ = false;
  bool sentAnything_ = false;
  std::uint64_t physicalSessions_ = 0;
  Event<>::Subscription receiveSubscription_;
};

}  // namespace pelmora
