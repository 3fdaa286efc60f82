#pragma once

#include <array>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pelmora/simulator/DeliveryPlan.h"
#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellEngine.h"
#include "pelmora/simulator/ShellFaults.h"
#include "pelmora/transport/TelnetCodec.h"

namespace pelmora::simulator_detail {

// One TCP connection to the simulated print server: its own shell engine on its own device
// state, the delivery plan applied with a timer, and the connection ended when the shell ends
// the session: the output before it written, then a half-close, then the close once the client
// has closed its end. Lives on the server's loop only.
class TelnetShellSession : public std::enable_shared_from_this<TelnetShellSession> {
 public:
  struct Hooks {
    // Called once, when the connection has ended for whatever reason.
    std::function<void(TelnetShellSession&)> ended;
    // The shell restarts the device (INI) and stays away for this long.
    std::function<void(std::chrono::milliseconds)> restarting;
  };

  // How long a session that the shell ended waits for the client to close its end.
  static constexpr std::chrono::milliseconds kLinger{2000};

  TelnetShellSession(asio::ip::tcp::socket socket, std::shared_ptr<PrintServerState> device,
                     const ShellFaults& faults, DeliveryPlan plan, Hooks hooks);
  TelnetShellSession(const TelnetShellSession&) = delete;
  TelnetShellSession& operator=(const TelnetShellSession&) = delete;

  void Start();
  // Ends the connection at once, without the pending output.
  void Close();

 private:
  struct Outgoing {
    std::chrono::steady_clock::time_point due;
    std::string bytes;
    bool close = false;
  };

  void Read();
  void OnReceived(std::string_view raw);
  void OnShellOutput(std::string_view chunk);
  void OnShellClose();
  void Deliver();
  void ArmTimer();
  void TakeWire();
  void FlushWire();
  void HalfClose();
  void Finish();

  asio::ip::tcp::socket socket_;
  asio::steady_timer timer_;
  asio::steady_timer lingerTimer_;
  TelnetCodec codec_{TelnetCodec::Role::Server};
  ShellEngine engine_;
  DeliveryPlan plan_;
  Hooks hooks_;
  std::deque<Outgoing> queue_;
  std::chrono::steady_clock::time_point lastDue_{};
  std::array<char, 4096> readBuffer_{};
  std::deque<std::string> wireQueue_;  // each its own write
  std::string writing_;
  bool timerArmed_ = false;
  bool writeInFlight_ = false;
  bool shellEnded_ = false;
  bool closeAfterWrite_ = false;
  bool halfClosed_ = false;
  bool finished_ = false;
};

}  // namespace pelmora::simulator_detail
