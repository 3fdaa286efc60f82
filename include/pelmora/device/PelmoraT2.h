#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"
#include "pelmora/components/Progress.h"
#include "pelmora/device/PrintServerSettings.h"
#include "pelmora/protocol/CommandRoad.h"
#include "pelmora/protocol/IProtocolHndCallback.h"
#include "pelmora/protocol/ProtocolHandler.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"

namespace pelmora {

// The object a client holds to drive one wireless print server. It holds the client's
// connection, owns one protocol handler and is that handler's callback. Command is the single
// road by which anything reaches the shell: every setting, report and dialogue goes through it.
//
// Received data goes to the running command while one runs; otherwise it is kept as trapped
// text for TrappedMessage. The trapped text keeps at most kMaxTrappedText characters: when an
// idle device sends more, the oldest text is dropped.
//
// Hold it in a std::shared_ptr (Global::CreatePelmoraT2Obj does): every member that talks to
// the shell keeps the object alive until it returns, even if the client lets go of it from an
// event handler while the member waits.
//
// What only the library may do (attach a connection, reach the protocol handler) goes through
// DeviceInternals; the command road that settings and reports use is private.
class PelmoraT2 : public std::enable_shared_from_this<PelmoraT2>,
                  private CommandRoad,
                  public PrintServerSettings {
 public:
  static constexpr std::size_t kMaxTrappedText = 64 * 1024;

  PelmoraT2();
  ~PelmoraT2() override;
  PelmoraT2(const PelmoraT2&) = delete;
  PelmoraT2& operator=(const PelmoraT2&) = delete;

  std::shared_ptr<pelmora::Connection> Connection() const { return moConnection; }

  ByteArray TerminalReceivedBinary();
  std::string TerminalReceived();
  std::string Command(const std::string& expression,
                      const std::shared_ptr<Progress>& progress = nullptr,
                      bool silentCommand = false, std::int32_t timeout = 0,
                      bool translateLineBreaks = true, bool raiseErrorFromBrivex = true);
  bool TrapEvents() const noexcept { return false; }
  void SetTrapEvents(bool /*trap*/) noexcept {}

  void SaveSettings();
  void ResetPrintServer();
  std::shared_ptr<VersionInfo> GetVersion();
  std::shared_ptr<IPInfo> GetIPInfo();
  std::shared_ptr<WirelessInfo> GetWirelessInfo();

  void Login(const std::string& password);
  void Logoff();
  bool IsReadOnlyMode();
  void Connect();
  void Disconnect();
  void AbortCommand();
  std::string TrappedMessage();

 private:
  friend class DeviceInternals;

  // Every line of the settings and reports passes through here. A class that extends the device
  // may override it to add Command's optional arguments (the tool adds its progress display);
  // clients cannot call it.
  std::string RunCommand(const std::string& line) override { return Command(line); }

  // The handler's view of this object: IProtocolHndCallback's members, forwarded.
  class Callback : public IProtocolHndCallback {
   public:
    explicit Callback(PelmoraT2& owner) : owner_(owner) {}
    void ProcessEvents() override { owner_.IProtocolHndCallback_ProcessEvents(); }

   private:
    PelmoraT2& owner_;
  };

  // Attaches a connection (or detaches it, given none).
  void SetConnection(const std::shared_ptr<pelmora::Connection>& connection);
  std::shared_ptr<pelmora::ProtocolHandler> ProtocolHandler() const;
  // A counted reference to this object for the length of a member that may wait, or nothing
  // for an object that no shared_ptr owns.
  std::shared_ptr<const void> KeepAlive() override { return weak_from_this().lock(); }

  void IProtocolHndCallback_ProcessEvents();
  void moConnection_OnReceive();
  pelmora::ProtocolHandler& RequireHandler(const char* member) const;
  static std::string CheckShellError(const std::string& reply);

  std::shared_ptr<pelmora::ProtocolHandler> moProtocolHandler;
  bool mbCommandActive = false;
  std::string msTrappedText;
  std::shared_ptr<pelmora::Connection> moConnection;
  Event<>::Subscription receiveSubscription_;
  Callback callback_{*this};
};

}  // namespace pelmora
