#include "pelmora/transport/PipeConnection.h"

#include <algorithm>
#include <asio/steady_timer.hpp>

#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

// One timer for the whole delivery queue keeps the pieces in order.
struct PipeConnection::Scheduler {
  explicit Scheduler(PipeConnection* owner) : owner(owner), timer(Apartment::Current().Context()) {}
  PipeConnection* owner;
  asio::steady_timer timer;
  bool armed = false;
};

PipeConnection::PipeConnection(PeerInput peer)
    : peer_(std::move(peer)), scheduler_(std::make_shared<Scheduler>(this)) {}

PipeConnection::~PipeConnection() {
  scheduler_->owner = nullptr;
  scheduler_->timer.cancel();
  MarkSessionEnded();
}

void PipeConnection::SetDelivery(std::chrono::milliseconds delay, std::size_t chunkSize,
                                 std::chrono::milliseconds gap) {
  delay_ = delay;
  chunkSize_ = chunkSize;
  gap_ = gap;
}

void PipeConnection::PeerWrite(std::string_view bytes) {
  const std::size_t step = chunkSize_ == 0 ? bytes.size() : chunkSize_;
  for (std::size_t at = 0; at < bytes.size(); at += step) {
    Enqueue(std::string(bytes.substr(at, step)), false);
  }
}

void PipeConnection::PeerDrop() {
  Enqueue({}, true);
}

void PipeConnection::Enqueue(std::string bytes, bool drop) {
  auto due = std::chrono::steady_clock::now() + delay_;
  if (!queue_.empty()) due = std::max(due, queue_.back().due + gap_);
  queue_.push_back({due, std::move(bytes), drop});
  ArmScheduler();
}

void PipeConnection::ArmScheduler() {
  if (queue_.empty() || scheduler_->armed) return;
  scheduler_->armed = true;
  scheduler_->timer.expires_at(queue_.front().due);
  scheduler_->timer.async_wait([weak = std::weak_ptr<Scheduler>(scheduler_)](std::error_code ec) {
    auto scheduler = weak.lock();
    if (!scheduler || ec || scheduler->owner == nullptr) return;
    scheduler->armed = false;
    scheduler->owner->DeliverDue();
  });
}

// One piece per turn of the event loop, as a network delivers one segment per readiness event:
// timers that fall due between two pieces run between them, even when the pieces follow each
// other without a gap.
void PipeConnection::DeliverDue() {
  if (!queue_.empty() && queue_.front().due <= std::chrono::steady_clock::now()) {
    Piece piece = std::move(queue_.front());
    queue_.pop_front();
    if (piece.drop) {
      SessionLost(AutomationError(errors::kConnectionClosedByDevice, "Connection",
                                  Endpoint() + ": the device closed the session"));
    } else if (SessionActive()) {
      Deliver(piece.bytes);
    }
  }
  ArmScheduler();
}

void PipeConnection::OpenSession() {
  ++sessionsOpened_;
  if (onOpen_) onOpen_();
}

void PipeConnection::CloseSession() {
  queue_.clear();
  if (onClose_) onClose_();
}

void PipeConnection::Transmit(const std::string& bytes) {
  if (failSends_ > 0) {
    --failSends_;
    RaiseConnectionError(failNumber_, "send failed");
  }
  sent_ += bytes;
  if (peer_) peer_(bytes);
}

}  // namespace pelmora
