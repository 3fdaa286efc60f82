#pragma once

#include <asio/read.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "pelmora/components/Connection.h"
#include "support/PumpUntil.h"

namespace pelmora::testing {

// Up to `count` bytes from the device's end of a stream on the apartment: as many as arrived
// within the limit, fewer when the stream ended first.
template <typename Stream>
std::string ReceiveFrom(const std::shared_ptr<Stream>& stream, std::size_t count,
                        std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
  struct Read {
    std::string data;
    bool done = false;
  };
  auto read = std::make_shared<Read>();
  asio::async_read(*stream, asio::dynamic_buffer(read->data, count), asio::transfer_exactly(count),
                   [read, stream](std::error_code, std::size_t) { read->done = true; });
  if (!PumpUntil([&] { return read->done; }, limit)) stream->cancel();
  PumpUntil([&] { return read->done; });
  return read->data;
}

// At least `count` bytes that the connection received, unless the limit passed first.
inline std::string ReceiveText(Connection& connection, std::size_t count) {
  std::string text;
  PumpUntil([&] {
    text += connection.ReadText();
    return text.size() >= count;
  });
  return text;
}

// Polls the connection as a waiting command does, until it raises or the limit has passed.
inline std::optional<AutomationError> PollUntilRaised(Connection& connection) {
  std::optional<AutomationError> raised;
  PumpUntil([&] {
    try {
      connection.Poll();
    } catch (const AutomationError& error) {
      raised = error;
    }
    return raised.has_value();
  });
  return raised;
}

// The error that opening the connection raises, if any.
inline std::optional<AutomationError> OpenError(Connection& connection) {
  try {
    connection.SetIsOpen(true);
  } catch (const AutomationError& error) {
    return error;
  }
  return std::nullopt;
}

}  // namespace pelmora::testing
