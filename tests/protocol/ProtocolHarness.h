#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pelmora/protocol/ProtocolHandler.h"
#include "pelmora/transport/PipeConnection.h"
#include "support/ExpectError.h"

namespace pelmora::testing {

// A protocol handler on an in-memory connection whose peer answers each text sent with the
// script's chunks; the harness is the handler's callback, as the device object is.
class ProtocolHarness : public IProtocolHndCallback {
 public:
  using Script = std::map<std::string, std::vector<std::string>>;

  ProtocolHarness(std::initializer_list<Script::value_type> script = {}) : script_(script) {
    handler->SetCallback(this);
    receive_ = pipe->OnReceive.Subscribe([this] { handler->ReceiveBytes(pipe->ReadBytes()); });
    pipe->SetPeer([this](std::string_view sent) {
      const auto answer = script_.find(std::string(sent));
      if (answer == script_.end()) return;
      for (const auto& chunk : answer->second) pipe->PeerWrite(chunk);
    });
  }
  ~ProtocolHarness() override { handler->SetCallback(nullptr); }
  ProtocolHarness(const ProtocolHarness&) = delete;
  ProtocolHarness& operator=(const ProtocolHarness&) = delete;

  void Answer(const std::string& sent, std::vector<std::string> chunks) {
    script_[sent] = std::move(chunks);
  }

  std::string Run(const std::string& line, std::int32_t timeout = 0, bool silent = false,
                  const std::shared_ptr<Progress>& progress = nullptr) {
    return handler->Command(line, pipe, progress, timeout, silent);
  }
  std::string Fails(const std::string& line, std::int32_t timeout = 0) {
    return ErrorOf([&] { Run(line, timeout); });
  }

  void ProcessEvents() override {
    ++passes;
    pipe->Poll();
    if (duringWait) duringWait();
  }
  void CommandProtocolReceived(const std::shared_ptr<CommandReply>& reply) override {
    if (onReply) onReply();
    received.push_back(reply);
  }

  std::shared_ptr<PipeConnection> pipe = std::make_shared<PipeConnection>();
  std::shared_ptr<ProtocolHandler> handler = std::make_shared<ProtocolHandler>();
  std::function<void()> duringWait;
  std::function<void()> onReply;
  std::vector<std::shared_ptr<CommandReply>> received;
  long passes = 0;

 private:
  Script script_;
  Event<>::Subscription receive_;
};

}  // namespace pelmora::testing
