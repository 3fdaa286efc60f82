#pragma once

#include <memory>

#include "pelmora/protocol/CommandReply.h"

namespace pelmora {

// How the protocol handler reports to its owner. Every method does nothing here, so the class
// can be created on its own; the device object overrides what it needs.
class IProtocolHndCallback : public std::enable_shared_from_this<IProtocolHndCallback> {
 public:
  virtual ~IProtocolHndCallback();

  // Terminal data is waiting (the library does not feed the terminal path, so nothing calls it).
  virtual void TerminalReceived();

  // A command succeeded; the record is the one the reply collection holds.
  virtual void CommandProtocolReceived(const std::shared_ptr<CommandReply>& commandReplyObj);

  // Called whenever the handler waits: let pending events run, then return.
  virtual void ProcessEvents();
};

}  // namespace pelmora
