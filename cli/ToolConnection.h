#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Transcript.h"
#include "pelmora/components/Connection.h"

namespace pelmora::cli {

// The connection the tool gives the device: it forwards to the target's real connection,
// writes what passes both ways to the transcript (when there is one), and runs a hook at every
// poll of a waiting command, through which a pending interrupt aborts that command.
//
// The physical session is the target's: it is opened at the first command, reopened on the next
// send after the device ended it (for example after "exit"), and closed at teardown.
class ToolConnection : public Connection {
 public:
  ToolConnection(std::shared_ptr<Connection> target, std::shared_ptr<Transcript> transcript);
  ~ToolConnection() override;

  void SetPollHook(std::function<void()> hook) { pollHook_ = std::move(hook); }

  void Poll() override;
  bool IsBusy() const override { return target_->IsBusy(); }
  std::string Endpoint() const override { return target_->Endpoint(); }
  // Whether any bytes went out, in any session: after that, running the command again could
  // repeat what the device already did.
  bool SentAnything() const noexcept { return sentAnything_; }

 protected:
  void OpenSession() override;
  void CloseSession() override;
  void Transmit(const std::string& bytes) override;

 private:
  void OnTargetReceive();

  std::shared_ptr<Connection> target_;
  std::shared_ptr<Transcript> transcript_;
  std::function<void()> pollHook_;
  bool sentAnything_ = false;
  Event<>::Subscription receiveSubscription_;
};

}  // namespace pelmora::cli
