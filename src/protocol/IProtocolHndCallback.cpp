#include "pelmora/protocol/IProtocolHndCallback.h"

namespace pelmora {

// Defined here so the class's virtual table lives in one object file.
IProtocolHndCallback::~IProtocolHndCallback() = default;

void IProtocolHndCallback::TerminalReceived() {}

void IProtocolHndCallback::CommandProtocolReceived(
    const std::shared_ptr<CommandReply>& /*commandReplyObj*/) {}

void IProtocolHndCallback::ProcessEvents() {}

}  // namespace pelmora
