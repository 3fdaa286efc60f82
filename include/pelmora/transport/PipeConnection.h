#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pelmora/components/Connection.h"

namespace pelmora {

// An in-memory connection. Its peer is any bytes-in/bytes-out engine (normally the simulated
// print server): what the library sends is handed to the peer at once; what the peer writes back
// arrives asynchronously on the apartment, after an optional delay and in chunks of a chosen
// size, just as a network would deliver it.
class PipeConnection : public Connection {
 public:
  using PeerInput = std::function<void(std::string_view bytes)>;

  explicit PipeConnection(PeerInput peer = {});
  ~PipeConnection() override;

  void SetPeer(PeerInput peer) { peer_ = std::move(peer); }
  void SetOnSessionOpen(std::function<void()> hook) { onOpen_ = std::move(hook); }
  void SetOnSessionClose(std::function<void()> hook) { onClose_ = std::move(hook); }

  // How the peer's output is delivered: after `delay`, in pieces of `chunkSize` bytes (0: as
  // written), `gap` apart. Each piece arrives in a turn of the event loop of its own.
  void SetDelivery(std::chrono::milliseconds delay, std::size_t chunkSize,
                   std::chrono::milliseconds gap);

  // Bytes from the peer to the library.
  void PeerWrite(std::string_view bytes);
  // The peer ends the session (after what it wrote before has been delivered).
  void PeerDrop();

  // Everything the library has sent, for tests that check the bytes on the wire.
  const std::string& Sent() const noexcept { return sent_; }
  void ClearSent() { sent_.clear(); }

  // Makes the next send fail with this error (for tests of the send recovery).
  void FailNextSends(int count, std::int32_t number = 3003) {
    failSends_ = count;
    failNumber_ = number;
  }
  void SetBusy(bool busy) { busy_ = busy; }
  bool IsBusy() const override { return busy_; }
  int SessionsOpened() const noexcept { return sessionsOpened_; }

  std::string Endpoint() const override { return "pipe"; }

 protected:
  void OpenSession() override;
  void CloseSession() override;
  void Transmit(const std::string& bytes) override;

 private:
  struct Piece {
    std::chrono::steady_clock::time_point due;
    std::string bytes;
    bool drop = false;
  };
  struct Scheduler;

  void Enqueue(std::string bytes, bool drop);
  void ArmScheduler();
  void DeliverDue();

  PeerInput peer_;
  std::function<void()> onOpen_;
  std::function<void()> onClose_;
  std::chrono::milliseconds delay_{0};
  std::size_t chunkSize_ = 0;
  std::chrono::milliseconds gap_{0};
  std::deque<Piece> queue_;
  std::shared_ptr<Scheduler> scheduler_;
  std::string sent_;
  int failSends_ = 0;
  std::int32_t failNumber_ = 3003;
  bool busy_ = false;
  int sessionsOpened_ = 0;
};

}  // namespace pelmora
