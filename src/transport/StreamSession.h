#pragma once

#include <sys/socket.h>

#include <array>
#include <asio/error.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/post.hpp>
#include <asio/write.hpp>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora::transport_detail {

// One physical session over an Asio byte stream (a TCP socket, a serial port): a continuous read
// and a send queue. The pending Asio handlers hold the session alive, so closing it never leaves
// a handler that touches freed memory; once closed, the session calls back no more, which is
// what lets its owner close or destroy it from inside one of those callbacks.
template <typename Stream>
class StreamSession : public std::enable_shared_from_this<StreamSession<Stream>> {
 public:
  using ReceiveHandler = std::function<void(std::string_view bytes)>;
  using FailureHandler = std::function<void(const AutomationError& error)>;

  explicit StreamSession(Stream stream) : stream_(std::move(stream)) {}

  Stream& GetStream() noexcept { return stream_; }

  // `endpoint` names the far end in the connection errors the session reports.
  void Start(std::string endpoint, ReceiveHandler onReceive, FailureHandler onFailure) {
    endpoint_ = std::move(endpoint);
    onReceive_ = std::move(onReceive);
    onFailure_ = std::move(onFailure);
    ReadNext();
  }

  void Send(std::string_view bytes) {
    if (closed_ || bytes.empty()) return;
    if (inFlight_.empty() && outgoing_.empty() && !WriteAtOnce(bytes)) return;
    if (bytes.empty()) return;
    outgoing_.append(bytes);
    if (inFlight_.empty()) WriteNext();
  }

  // Bytes handed to Send and not yet confirmed written.
  std::size_t QueuedBytes() const noexcept { return outgoing_.size() + inFlight_.size(); }

  // Ends the session and reports why; the owner hears of it through the failure handler.
  void Fail(std::int32_t number, const std::string& reason) {
    Close();
    onFailure_(AutomationError(number, "Connection", endpoint_ + ": " + reason));
  }

  void Close() noexcept {
    if (closed_) return;
    closed_ = true;
    std::error_code ignored;
    stream_.close(ignored);
  }

 private:
  // Writes to a socket what it takes without waiting and drops that from `bytes`. A short line
  // nearly always goes whole, and then no completion is queued on the loop (each one costs the
  // next pump a poll of the reactor). What is left goes the asynchronous way. An error is
  // reported from the loop, as a failed asynchronous write reports it: never from inside Send,
  // whose caller may still use the session. False when the bytes are dropped for an error.
  bool WriteAtOnce(std::string_view& bytes) {
    if constexpr (std::is_same_v<Stream, asio::ip::tcp::socket>) {
      const ssize_t sent =
          ::send(stream_.native_handle(), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (sent >= 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        const std::error_code error(errno, asio::error::get_system_category());
        asio::post(stream_.get_executor(), [self = this->shared_from_this(), error] {
          if (!self->closed_) self->Fail(errors::kSendFailed, error.message());
        });
        return false;
      }
    }
    return true;
  }

  void ReadNext() {
    stream_.async_read_some(asio::buffer(readBuffer_), [self = this->shared_from_this()](
                                                           std::error_code ec, std::size_t size) {
      if (self->closed_) return;
      if (ec == asio::error::eof) {
        self->Fail(errors::kConnectionClosedByDevice, "the device closed the session");
      } else if (ec == asio::error::connection_reset) {
        // A device that closes while our input is still unread resets the connection.
        self->Fail(errors::kConnectionClosedByDevice, ec.message());
      } else if (ec) {
        self->Fail(errors::kReceiveFailed, ec.message());
      } else {
        self->onReceive_(std::string_view(self->readBuffer_.data(), size));
        if (!self->closed_) self->ReadNext();
      }
    });
  }

  void WriteNext() {
    if (outgoing_.empty()) return;
    inFlight_.swap(outgoing_);
    asio::async_write(stream_, asio::buffer(inFlight_),
                      [self = this->shared_from_this()](std::error_code ec, std::size_t) {
                        if (self->closed_) return;
                        self->inFlight_.clear();
                        if (ec) {
                          self->Fail(errors::kSendFailed, ec.message());
                        } else {
                          self->WriteNext();
                        }
                      });
  }

  Stream stream_;
  std::string endpoint_;
  ReceiveHandler onReceive_;
  FailureHandler onFailure_;
  std::array<char, 4096> readBuffer_{};
  std::string outgoing_;
  std::string inFlight_;
  bool closed_ = false;
};

}  // namespace pelmora::transport_detail
