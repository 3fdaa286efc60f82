#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pelmora/platform/CancelToken.h"
#include "pelmora/session/SessionConnection.h"
#include "pelmora/session/SessionDevice.h"
#include "pelmora/session/Target.h"
#include "pelmora/session/Transcript.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

namespace pelmora {

// One print server as the tool, fleets, the exporter and the Python module use it: the
// connection for a target, the device object on it, the login, an optional masked transcript
// and the session's cancellation, with one lifetime. Made, used and destroyed on one thread (the
// one whose event loop its waits run on); only the cancel handle may be used from elsewhere.
//
//   Session session(Target::Host("printer-7"), {});
//   session.Open();                      // connect errors come here
//   session.Login();                     // with the target's password, when it has one
//   session.Device().SetSSID("Office");
//
// Nothing is opened by the constructor. The physical session opens at Open or at the first
// command; when the device ends it, later commands fail with the connection error unless the
// owner allowed a reopen. PhysicalSessions tells a caller that needs one unbroken session (an
// apply) whether the device ended one under it.
class Session {
 public:
  struct Options {
    std::shared_ptr<Transcript> transcript;  // none: no transcript
    bool allowReopen = false;
    // A token of the caller's (a fleet worker's); the session makes its own when none.
    std::shared_ptr<CancelToken> cancel;
  };

  // Checks the target (TargetError when it can never be opened) and resolves its password
  // source (TargetError naming the variable or file); sends nothing.
  Session(Target target, Options options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Opens the physical session now, within the command time limit.
  void Open();
  // Logs in with the target's password, when it has one.
  void Login();
  // Logs in (the device sends the password only when its shell is read-only) and fails with
  // error 9999 when the shell is still read-only afterwards: a wrong password. The password
  // never reaches the transcript.
  void Login(const std::string& password);
  // Hides a value from the transcript, for a secret a command is about to send.
  void HideFromTranscript(const std::string& secret);
  // Ends the physical session cleanly; later commands fail. Closing twice is harmless.
  void Close();

  SessionDevice& Device() noexcept { return *device_; }
  const std::shared_ptr<SessionDevice>& DeviceObject() const noexcept { return device_; }
  const Target& GetTarget() const noexcept { return target_; }
  const std::shared_ptr<Apartment>& Owner() const noexcept { return cancel_->Owner(); }

  // Usable from any thread, and Cancel from a signal handler: ends what the session waits on
  // with error 113 (see CancelToken).
  const std::shared_ptr<CancelToken>& CancelHandle() const noexcept { return cancel_; }
  void Cancel() noexcept { cancel_->Cancel(); }

  std::uint64_t PhysicalSessions() const noexcept { return connection_->PhysicalSessions(); }
  bool SentAnything() const noexcept { return connection_->SentAnything(); }
  void AllowReopen(bool allow) noexcept { connection_->AllowReopen(allow); }
  bool ReopenAllowed() const noexcept { return connection_->ReopenAllowed(); }

  // For a run of commands that must share one physical session (an apply): no reopen while it
  // lives; the reopen setting it found is put back at its end.
  class OneSession {
   public:
    explicit OneSession(Session& session) : session_(session), allowed_(session.ReopenAllowed()) {
      session_.AllowReopen(false);
    }
    ~OneSession() { session_.AllowReopen(allowed_); }
    OneSession(const OneSession&) = delete;
    OneSession& operator=(const OneSession&) = delete;

   private:
    Session& session_;
    bool allowed_;
  };

 private:
  std::shared_ptr<Connection> OpenTarget();

  Target target_;
  std::string password_;
  std::shared_ptr<Transcript> transcript_;
  std::shared_ptr<CancelToken> cancel_;
  // Declared before the connection, destroyed after it: the connection may still reach it.
  std::unique_ptr<EmbeddedPrintServer> embedded_;
  std::shared_ptr<SessionConnection> connection_;
  std::shared_ptr<SessionDevice> device_;
};

}  // namespace pelmora
