#pragma once

#include <asio/read.hpp>
#include <chrono>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"
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

}  // namespace pelmora::testing
