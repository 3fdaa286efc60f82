#pragma once

#include <asio/read.hpp>
#include <chrono>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/transport/TelnetDialer.h"
#include "support/ExpectError.h"
#include "support/PumpUntil.h"

namespace pelmora::testing {

// Up to `count` bytes from the device's end of a stream on the apartment: as many as arrived
// within the limit, fewer when the stream ended first.
template <typename Stream>
std::string ReceiveFrom(const std::shared_ptr<Stream>& stream, std::size_t count,
                        std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
  auto data = std::make_shared<std::string>();
  auto done = std::make_shared<bool>(false);
  asio::async_read(*stream, asio::dynamic_buffer(*data, count), asio::transfer_exactly(count),
                   [data, done, stream](std::error_code, std::size_t) { *done = true; });
  if (!PumpUntil([&] { return *done; }, limit)) stream->cancel();
  PumpUntil([&] { return *done; });
  return *data;
}

// At least `count` bytes that the connection received, unless the limit passed first.
inline std::string ReceiveText(Connection& connection, std::size_t count) {
  std::string text;
  PumpUntil([&] { return (text += connection.ReadText()).size() >= count; });
  return text;
}

// The error that the next Poll raises once the connection has lost its session.
inline AutomationError LostSessionError(Connection& connection) {
  PumpUntil([&] { return !connection.SessionActive(); });
  return CatchError([&] { connection.Poll(); });
}

// A dialer that plays the faults of a network the tests must not reach: a name server that
// fails or never answers, a connect that the system fails at once.
struct FaultyDialer : TelnetDialer {
  void Resolve(const std::string& host, const std::string& port, ResolveHandler handler) override {
    if (silentNameServer) {
      pending = std::move(handler);
    } else if (lookupError) {
      Apartment::Current().Post([handler, error = lookupError] { handler(error, {}); });
    } else {
      TelnetDialer::Resolve(host, port, std::move(handler));
    }
  }
  void Connect(asio::ip::tcp::socket& socket, const Endpoints& endpoints,
               ConnectHandler handler) override {
    if (!connectError) return TelnetDialer::Connect(socket, endpoints, std::move(handler));
    Apartment::Current().Post([handler, error = connectError] { handler(error); });
  }
  void Cancel() override {
    if (!pending) return;
    Apartment::Current().Post(
        [handler = std::exchange(pending, {})] { handler(asio::error::operation_aborted, {}); });
  }

  bool silentNameServer = false;
  std::error_code lookupError;
  std::error_code connectError;
  ResolveHandler pending;
};

}  // namespace pelmora::testing
