#pragma once

#include <memory>
#include <string>

#include "pelmora/protocol/LineBreaks.h"
#include "pelmora/protocol/ProtocolHandler.h"

namespace pelmora {

// Runs one command's receive side on a protocol handler, minus the send and the wait: Begin
// records the command as Command's set-up does (no progress), the caller hands over the
// received chunks through ReceiveBytes, Tick is the receive timer's tick (the framing pass),
// and End takes the framed answer as Command's finish does. What is left out is the sleep.
class ProtocolHandlerProbe {
 public:
  explicit ProtocolHandlerProbe(ProtocolHandler& handler) : handler_(handler) {}

  void Begin(const std::string& line) {
    handler_.mbInCommand = true;
    handler_.mbReplyOverflow = false;
    reply_ = std::make_shared<CommandReply>();
    reply_->MsgID = handler_.NextMsgID();
    reply_->MessageText = line;
    reply_ = handler_.moReplies.Add(reply_);
  }

  void Tick() { handler_.ReceiveTimerTick(); }

  bool Replied() const { return reply_ && reply_->Replied; }

  std::string End() {
    handler_.mbInCommand = false;
    std::string answer = LineBreaks::Trim(reply_->ReplyText);
    reply_.reset();
    return answer;
  }

 private:
  ProtocolHandler& handler_;
  std::shared_ptr<CommandReply> reply_;
};

}  // namespace pelmora
