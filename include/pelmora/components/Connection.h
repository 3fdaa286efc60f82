#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "pelmora/components/Progress.h"
#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/Event.h"
#include "pelmora/platform/TextBytes.h"

namespace pelmora {

class Apartment;
class CancelToken;

// The connection component: carries bytes between the library and a print server.
//
// IsOpen is the logical state that the protocol handler raises before each command and lowers
// after it. The physical session (a TCP connection, an open serial port) is opened at the first
// IsOpen = true and kept across those per-command closes, so the shell's state carries from one
// command to the next. It ends at Teardown, at destruction, or when the device closes it; the
// next IsOpen = true after that opens a new session.
//
// Received bytes wait here until read; OnReceive is raised on the owner's thread after each
// chunk arrives. When the device drops the session, the next Poll raises the connection error,
// so a waiting command fails at once instead of running into its time limit.
//
// A connection holds a counted reference to the apartment it was created on, and its transport's
// sockets and timers are destroyed before that reference: a connection that outlives its thread
// is still safe to destroy.
class Connection {
 public:
  virtual ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The component's "OnReceive" event.
  Event<> OnReceive;

  // All bytes received and not read before; each byte is handed out once.
  ByteArray ReadBytes();
  std::string ReadText();
  std::size_t PendingCount() const noexcept { return pending_.size(); }

  // Pumps the calling thread's apartment once (one ready event, or a sleep until the next event
  // or the earliest registered deadline), then raises a pending session failure.
  virtual void Poll();

  bool IsOpen() const noexcept { return isOpen_; }
  void SetIsOpen(bool open);
  // Opens the session, if none is active, within at most `limit` (a command's own time limit):
  // a transport whose connect may take longer gives up at the shorter of this and its own limit.
  void OpenWithin(std::chrono::milliseconds limit);

  virtual bool IsBusy() const { return false; }

  // The session's cancellation, which ends an open in progress (a name lookup, a connect) with
  // error 113; none by default.
  void SetCancelToken(std::shared_ptr<CancelToken> token) { cancel_ = std::move(token); }
  const std::shared_ptr<CancelToken>& Cancellation() const noexcept { return cancel_; }

  void SendText(const std::string& text, const std::shared_ptr<Progress>& progress);

  // Ends the physical session, if any.
  void Teardown();
  bool SessionActive() const noexcept { return sessionActive_; }

  // The most bytes kept unread; older bytes beyond it are dropped (a device that streams without
  // pause must not grow memory without bound).
  static constexpr std::size_t kMaxPending = 4 * 1024 * 1024;

  // A short description of the far end, used in error descriptions ("127.0.0.1:23").
  virtual std::string Endpoint() const = 0;

 protected:
  Connection();

  // Transport hooks. OpenSession establishes the physical session (it may pump the apartment
  // while it waits) and raises a connection error when it cannot; Transmit sends on it.
  virtual void OpenSession() = 0;
  virtual void CloseSession() = 0;
  virtual void Transmit(const std::string& bytes) = 0;

  // Called by the transport on the owner's thread.
  void Deliver(const std::uint8_t* data, std::size_t size);
  void Deliver(std::string_view bytes);
  void SessionLost(const AutomationError& reason);

  // Ends the session from a destructor of the transport (virtual calls are gone by then).
  void MarkSessionEnded() noexcept { sessionActive_ = false; }

  // The time limit of the open in progress, when OpenWithin gave one; zero otherwise.
  std::chrono::milliseconds OpenTimeLimit() const noexcept { return openTimeLimit_; }

  [[noreturn]] void RaiseConnectionError(std::int32_t number, const std::string& reason) const;

 private:
  std::shared_ptr<Apartment> apartment_;
  std::string pending_;
  std::optional<AutomationError> failure_;
  bool isOpen_ = false;
  std::chrono::milliseconds openTimeLimit_{0};
  bool sessionActive_ = false;
  std::shared_ptr<CancelToken> cancel_;
};

}  // namespace pelmora
