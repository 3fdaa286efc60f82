#pragma once

// A standard header before asio's: see Apartment.h.
#include <cstddef>

#include <asio/ip/tcp.hpp>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace pelmora {

// How a telnet connection reaches its device: the name lookup, then the TCP connect, both
// asynchronous on the apartment of the creating thread, so that the connection can bound them by
// its time limit. Tests derive from it to play a slow name server or a connect that fails with a
// given system error; nothing else needs to.
//
// Each step calls its handler later from the apartment, never from inside the call, once, also
// after Cancel (then with operation_aborted or whatever the step had reached). An address
// written as numbers is taken as it stands; a name is looked up on the few threads that the
// process keeps for lookups, not on a thread per event loop.
class TelnetDialer {
 public:
  using Endpoints = std::vector<asio::ip::tcp::endpoint>;
  using ResolveHandler = std::function<void(std::error_code error, Endpoints endpoints)>;
  using ConnectHandler = std::function<void(std::error_code error)>;

  TelnetDialer();
  virtual ~TelnetDialer();
  TelnetDialer(const TelnetDialer&) = delete;
  TelnetDialer& operator=(const TelnetDialer&) = delete;

  // Looks up a host name or address text; the port is a number.
  virtual void Resolve(const std::string& host, const std::string& port, ResolveHandler handler);
  // Tries the endpoints in order until one accepts.
  virtual void Connect(asio::ip::tcp::socket& socket, const Endpoints& endpoints,
                       ConnectHandler handler);
  // Gives up a lookup in progress (a connect is given up by closing its socket).
  virtual void Cancel();

  struct Lookup;

 private:
  std::weak_ptr<Lookup> pending_;
};

}  // namespace pelmora
