#include "pelmora/device/PelmoraT2.h"

#include <algorithm>
#include <cctype>

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/reports/ReportRetrieval.h"

namespace pelmora {

namespace {

constexpr std::string_view kShellErrorPrefix = "%cfgerr:";
constexpr std::string_view kSyntaxMarker = "%cfgerr: syntax <>";

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

std::string TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace

PelmoraT2::PelmoraT2() : PrintServerSettings(static_cast<CommandRoad&>(*this)) {}

PelmoraT2::~PelmoraT2() {
  if (moProtocolHandler) moProtocolHandler->SetCallback(nullptr);
  moProtocolHandler.reset();
  receiveSubscription_.Reset();
  moConnection.reset();
}

void PelmoraT2::SetConnection(const std::shared_ptr<pelmora::Connection>& connection) {
  if (connection == moConnection) return;
  if (connection && !moProtocolHandler) {
    moProtocolHandler = std::make_shared<pelmora::ProtocolHandler>();
    moProtocolHandler->SetCallback(&callback_);
    moProtocolHandler->SetDefaultTimeout(10000);
  } else if (!connection && moProtocolHandler) {
    moProtocolHandler->SetCallback(nullptr);
  }
  receiveSubscription_.Reset();
  moConnection = connection;
  if (moConnection) {
    receiveSubscription_ = moConnection->OnReceive.Subscribe([this] { moConnection_OnReceive(); });
  }
}

pelmora::ProtocolHandler& PelmoraT2::RequireHandler(const char* member) const {
  if (!moProtocolHandler) {
    ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet, member);
  }
  return *moProtocolHandler;
}

std::shared_ptr<pelmora::ProtocolHandler> PelmoraT2::ProtocolHandler() const {
  return moProtocolHandler;
}

// Members that may wait (a connect, a dialogue of several lines, a report) hold a counted
// reference to this object until they return: a client may let go of it from an event handler
// during the wait.

void PelmoraT2::Connect() {
  const auto held = KeepAlive();
  if (!moConnection) ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet, "Connect");
  moConnection->SetIsOpen(true);
}

void PelmoraT2::Disconnect() {
  if (!moConnection) {
    ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet, "Disconnect");
  }
  const auto held = KeepAlive();
  moConnection->SetIsOpen(false);
}

void PelmoraT2::AbortCommand() {
  RequireHandler("AbortCommand").Abort();
}

std::string PelmoraT2::Command(const std::string& expression,
                               const std::shared_ptr<Progress>& progress, bool silentCommand,
                               std::int32_t timeout, bool /*translateLineBreaks*/,
                               bool /*raiseErrorFromBrivex*/) {
  const auto held = KeepAlive();
  if (mbCommandActive) {
    throw AutomationError(errors::kLibraryError, "Command", "Command is already active");
  }
  const auto handler = moProtocolHandler;
  if (!handler) ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet, "Command");
  const auto connection = moConnection;
  mbCommandActive = true;
  std::string reply;
  try {
    reply = handler->Command(expression, connection, progress, timeout, silentCommand);
  } catch (...) {
    mbCommandActive = false;
    throw;
  }
  mbCommandActive = false;
  return CheckShellError(reply);
}

// An answer holding the shell's error line becomes error 9998 with the rest of that line; an
// answer that mentions the syntax marker is returned as it is.
std::string PelmoraT2::CheckShellError(const std::string& reply) {
  const std::string lowered = Lowered(reply);
  if (lowered.find(kSyntaxMarker) != std::string::npos) return reply;
  const auto at = lowered.find(kShellErrorPrefix);
  if (at == std::string::npos) return reply;
  const auto textStart = at + kShellErrorPrefix.size();
  const auto lineEnd = reply.find('\r', at);
  const std::string text = lineEnd == std::string::npos
                               ? TrimBlanks(std::string_view(reply).substr(textStart))
                               : reply.substr(textStart, lineEnd - textStart);
  throw AutomationError(errors::kDeviceReportedError, "Command", "Device reported error: " + text);
}

void PelmoraT2::moConnection_OnReceive() {
  if (!moConnection) return;
  if (mbCommandActive && moProtocolHandler) {
    moProtocolHandler->ReceiveBytes(moConnection->ReadBytes());
    return;
  }
  msTrappedText += moConnection->ReadText();
  if (msTrappedText.size() > kMaxTrappedText) {
    msTrappedText.erase(0, msTrappedText.size() - kMaxTrappedText);
  }
}

void PelmoraT2::IProtocolHndCallback_ProcessEvents() {
  if (!moConnection) {
    ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet, "ProcessEvents");
  }
  // Counted for the call: an event handler inside Poll may detach the connection.
  const auto connection = moConnection;
  connection->Poll();
}

std::string PelmoraT2::TrappedMessage() {
  const auto last = msTrappedText.rfind('\r');
  if (last == std::string::npos) return {};
  std::string lines = msTrappedText.substr(0, last);
  msTrappedText.erase(0, last);
  return lines;
}

ByteArray PelmoraT2::TerminalReceivedBinary() {
  try {
    return RequireHandler("TerminalReceivedBinary").TakeTerminalBytes();
  } catch (const AutomationError& e) {
    ErrorMessages::Current().RaiseNumberedError(e.Number(),
                                                "PelmoraT2:TerminalReceivedBinary Property Get");
  }
}

std::string PelmoraT2::TerminalReceived() {
  try {
    return TextBytes::ToText(RequireHandler("TerminalReceived").TakeTerminalBytes());
  } catch (const AutomationError& e) {
    ErrorMessages::Current().RaiseNumberedError(e.Number(),
                                                "PelmoraT2:TerminalReceived Property Get");
  }
}

void PelmoraT2::SaveSettings() {
  const auto held = KeepAlive();
  RequireHandler("SaveSettings");
  Command("\r");
  Command("SAVE\r\r");
}

void PelmoraT2::ResetPrintServer() {
  const auto held = KeepAlive();
  RequireHandler("ResetPrintServer");
  Command("\r");
  Command("INI\r\r");
}

void PelmoraT2::Login(const std::string& password) {
  RefuseLineBreak("Login", password);
  const auto held = KeepAlive();
  auto& handler = RequireHandler("Login");
  Command("\r");
  if (!handler.ReadOnlyMode()) return;
  Command("unpro\r");
  Command(password + "\r", nullptr, true);
}

void PelmoraT2::Logoff() {
  const auto held = KeepAlive();
  RequireHandler("Logoff");
  Command("\r");
  Command("exit\r");
}

bool PelmoraT2::IsReadOnlyMode() {
  const auto held = KeepAlive();
  auto& handler = RequireHandler("IsReadOnlyMode");
  Command("\r");
  return handler.ReadOnlyMode();
}

std::shared_ptr<VersionInfo> PelmoraT2::GetVersion() {
  const auto held = KeepAlive();
  RequireHandler("GetVersion");
  return ReportRetrieval::GetVersion(*this);
}

std::shared_ptr<IPInfo> PelmoraT2::GetIPInfo() {
  const auto held = KeepAlive();
  RequireHandler("GetIPInfo");
  return ReportRetrieval::GetIPInfo(*this);
}

std::shared_ptr<WirelessInfo> PelmoraT2::GetWirelessInfo() {
  const auto held = KeepAlive();
  RequireHandler("GetWirelessInfo");
  return ReportRetrieval::GetWirelessInfo(*this);
}

}  // namespace pelmora
