#pragma once

#include <cstdint>
#include <string>

namespace pelmora {

// The record of one command sent to the print server: the line as sent, its message id and,
// once the shell has answered, the answer text and the Replied flag. Held by std::shared_ptr, so
// the collection, the protocol handler and a client can refer to the same record. The fields not
// used by the library are carried for clients unchanged.
class CommandReply {
 public:
  std::int32_t MsgID = 0;  // 1 to 99, given by the protocol handler; the record's key
  std::string ReplyText;   // the answer between the echo and the prompt
  std::string LineBreakStr;
  std::int32_t VerbosityLevel = 0;
  std::int32_t ErrorMsgType = 0;
  std::int32_t ErrorCount = 0;
  std::string LeadingGarbage;
  std::string TailingGarbage;
  std::string MessageText;  // the command line exactly as sent
  bool Replied = false;     // true once the answer has been framed
  std::int32_t Stdio = 0;
  std::int32_t LegacyMode = 0;
  std::int32_t StartUp = 0;
  std::string UserName;
};

}  // namespace pelmora
