#include "TelnetShellSession.h"

#include <algorithm>
#include <asio/write.hpp>
#include <utility>

namespace pelmora::simulator_detail {

using Clock = std::chrono::steady_clock;

TelnetShellSession::TelnetShellSession(asio::ip::tcp::socket socket,
                                       std::shared_ptr<PrintServerState> device,
                                       const ShellFaults& faults, DeliveryPlan plan, Hooks hooks)
    : socket_(std::move(socket)),
      timer_(socket_.get_executor()),
      lingerTimer_(socket_.get_executor()),
      engine_(
          std::move(device), [this](std::string_view chunk) { OnShellOutput(chunk); },
          [this] { OnShellClose(); }),
      plan_(std::move(plan)),
      hooks_(std::move(hooks)) {
  engine_.Faults() = faults;
}

// A client that wrote before its connection was accepted (the usual case on a busy server) is
// answered in the same write as the option offer, which still goes first: one segment and one
// wake-up of the client instead of two.
void TelnetShellSession::Start() {
  std::error_code error;
  // Pieces of a split answer must leave one by one, not wait to be coalesced.
  socket_.set_option(asio::ip::tcp::no_delay(true), error);
  codec_.OfferOptions();
  socket_.non_blocking(true, error);
  const std::size_t size = error ? 0 : socket_.read_some(asio::buffer(readBuffer_), error);
  if (!error) OnReceived(std::string_view(readBuffer_.data(), size));
  FlushWire();
  if (error && error != asio::error::would_block) return Finish();
  if (!finished_) Read();
}

void TelnetShellSession::Close() {
  queue_.clear();
  Finish();
}

void TelnetShellSession::Read() {
  socket_.async_read_some(asio::buffer(readBuffer_),
                          [self = shared_from_this()](std::error_code error, std::size_t size) {
                            if (self->finished_) return;
                            if (error) return self->Finish();
                            self->OnReceived(std::string_view(self->readBuffer_.data(), size));
                            if (!self->finished_) self->Read();
                          });
}

// Once the shell has ended the session, what still arrives was sent to a closed session.
void TelnetShellSession::OnReceived(std::string_view raw) {
  if (shellEnded_) return;
  codec_.Receive(raw);
  // The option answers leave with the shell's first output piece when there is one.
  const std::string data = codec_.TakeData();
  if (!data.empty()) engine_.Feed(data);
  FlushWire();
}

void TelnetShellSession::OnShellOutput(std::string_view chunk) {
  auto due = std::max(Clock::now() + plan_.delay, lastDue_);
  for (std::string& piece : plan_.Split(chunk)) {
    queue_.push_back({due, std::move(piece), false});
    lastDue_ = due;
    due += plan_.gap;
  }
  Deliver();
}

void TelnetShellSession::OnShellClose() {
  shellEnded_ = true;
  queue_.push_back({std::max(Clock::now(), lastDue_), {}, true});
  if (engine_.State() == ShellEngine::ShellState::Restarting && hooks_.restarting) {
    hooks_.restarting(engine_.RestartDelay());
  }
  Deliver();
}

void TelnetShellSession::Deliver() {
  const auto now = Clock::now();
  while (!queue_.empty() && queue_.front().due <= now) {
    Outgoing next = std::move(queue_.front());
    queue_.pop_front();
    if (next.close) {
      closeAfterWrite_ = true;
    } else {
      // Each piece is its own write, so that a split answer reaches the client in pieces.
      codec_.Send(next.bytes);
      TakeWire();
    }
  }
  FlushWire();
  ArmTimer();
}

void TelnetShellSession::ArmTimer() {
  if (queue_.empty() || timerArmed_ || finished_) return;
  timerArmed_ = true;
  timer_.expires_at(queue_.front().due);
  timer_.async_wait([self = shared_from_this()](std::error_code error) {
    self->timerArmed_ = false;
    if (!error && !self->finished_) self->Deliver();
  });
}

void TelnetShellSession::TakeWire() {
  std::string wire = codec_.TakeWire();
  if (!wire.empty()) wireQueue_.push_back(std::move(wire));
}

void TelnetShellSession::FlushWire() {
  TakeWire();
  if (finished_ || writeInFlight_) return;
  if (wireQueue_.empty()) {
    if (closeAfterWrite_) HalfClose();
    return;
  }
  writeInFlight_ = true;
  writing_ = std::move(wireQueue_.front());
  wireQueue_.pop_front();
  asio::async_write(socket_, asio::buffer(writing_),
                    [self = shared_from_this()](std::error_code error, std::size_t) {
                      self->writeInFlight_ = false;
                      if (error) return self->Finish();
                      self->FlushWire();
                    });
}

// The shell's output is all written: the FIN goes behind it, and the session reads on (dropping
// what comes) until the client closes its end too. Closing the socket at once instead would
// answer bytes still on their way from the client (the rest of its input, option answers) with
// a reset instead of the FIN, and some systems drop the unread output of a connection that was
// reset. A client that never closes is cut off after the linger time.
void TelnetShellSession::HalfClose() {
  if (finished_ || halfClosed_) return;
  halfClosed_ = true;
  std::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
  lingerTimer_.expires_after(kLinger);
  lingerTimer_.async_wait([self = shared_from_this()](std::error_code error) {
    if (!error) self->Finish();
  });
}

void TelnetShellSession::Finish() {
  if (finished_) return;
  finished_ = true;
  timer_.cancel();
  lingerTimer_.cancel();
  std::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  if (hooks_.ended) hooks_.ended(*this);
}

}  // namespace pelmora::simulator_detail
