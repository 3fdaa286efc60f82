#include "pelmora/simulator/TelnetShellServer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "TelnetShellSession.h"

namespace pelmora {

using simulator_detail::TelnetShellSession;
using Clock = std::chrono::steady_clock;

struct TelnetShellServer::Impl {
  explicit Impl(Options given) : options(std::move(given)) {
    device = options.device ? std::make_shared<PrintServerState>(*options.device)
                            : std::make_shared<PrintServerState>();
    device->SetShellPassword(options.password);
    // On a shared loop the loop's owner ends the servers; a pipe each would cost two more
    // descriptors per server, which thousands of servers on one loop cannot spare.
    if (options.loop == nullptr) OpenWakePipe();
  }

  ~Impl() {
    if (wakeWrite >= 0) ::close(wakeWrite);
  }

  // A pipe whose reading end is on the loop: writing one byte to it is the one thing a signal
  // handler may do to stop the loop.
  void OpenWakePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
      throw std::system_error(errno, std::generic_category(), "telnet server: no wake-up pipe");
    }
    wake.assign(fds[0]);
    wakeWrite = fds[1];
  }

  void Listen() {
    if (listening) return;
    const std::string where = options.host + ":" + std::to_string(options.port);
    std::error_code error;
    asio::ip::tcp::resolver resolver(context);
    const auto endpoints = resolver.resolve(
        options.host, std::to_string(options.port),
        asio::ip::resolver_base::passive | asio::ip::resolver_base::numeric_service, error);
    if (error || endpoints.empty()) {
      throw std::runtime_error("cannot listen on " + where + ": " +
                               (error ? error.message() : "no such address"));
    }
    const auto endpoint = endpoints.begin()->endpoint();
    acceptor.open(endpoint.protocol(), error);
    if (!error) acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) acceptor.bind(endpoint, error);
    if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (!error) port = acceptor.local_endpoint(error).port();
    if (error) {
      std::error_code ignored;
      acceptor.close(ignored);
      throw std::runtime_error("cannot listen on " + where + ": " + error.message());
    }
    listening = true;
    Accept();
    if (wakeWrite >= 0) AwaitStopRequest();
  }

  void Accept() {
    acceptor.async_accept([this](std::error_code error, asio::ip::tcp::socket socket) {
      if (!acceptor.is_open()) return;
      if (!error) {
        Welcome(std::move(socket));
        Accept();
        return;
      }
      // Out of descriptors, for example: try again a little later instead of spinning.
      acceptRetry.expires_after(std::chrono::milliseconds(50));
      acceptRetry.async_wait([this](std::error_code waited) {
        if (!waited && acceptor.is_open()) Accept();
      });
    });
  }

  // A restarting device is not there to answer: the connection ends at once.
  void Welcome(asio::ip::tcp::socket socket) {
    if (Clock::now() < restartingUntil) {
      std::error_code ignored;
      socket.close(ignored);
      return;
    }
    TelnetShellSession::Hooks hooks;
    hooks.ended = [this](TelnetShellSession& ended) { Forget(ended); };
    hooks.restarting = [this](std::chrono::milliseconds delay) {
      restartingUntil = Clock::now() + delay;
    };
    auto session =
        std::make_shared<TelnetShellSession>(std::move(socket), device->NewSession(),
                                             options.faults, options.delivery, std::move(hooks));
    live.insert(session);
    sessionCount = live.size();
    session->Start();
  }

  void Forget(TelnetShellSession& ended) {
    const auto found =
        std::find_if(live.begin(), live.end(), [&](const auto& s) { return s.get() == &ended; });
    if (found != live.end()) live.erase(found);
    sessionCount = live.size();
  }

  void AwaitStopRequest() {
    wake.async_read_some(asio::buffer(wakeByte), [this](std::error_code error, std::size_t) {
      if (error != asio::error::operation_aborted) Shutdown();
    });
  }

  void Shutdown() {
    std::error_code ignored;
    acceptor.close(ignored);
    acceptRetry.cancel();
    wake.close(ignored);
    const auto sessions = std::exchange(live, {});
    for (const auto& session : sessions) session->Close();
    sessionCount = 0;
    if (options.loop == nullptr) context.stop();
  }

  void Run() {
    context.run();
    // Handlers of the operations that the shutdown cancelled still hold their sessions.
    context.restart();
    context.poll();
  }

  void RequestStop() noexcept {
    if (stopRequested.exchange(true)) return;
    if (wakeWrite < 0) {
      asio::post(context, [this] {
        if (listening) Shutdown();
      });
      return;
    }
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wakeWrite, &byte, 1);
  }

  Options options;
  std::shared_ptr<PrintServerState> device;
  asio::io_context ownContext{1};
  asio::io_context& context{options.loop != nullptr ? *options.loop : ownContext};
  asio::ip::tcp::acceptor acceptor{context};
  asio::steady_timer acceptRetry{context};
  asio::posix::stream_descriptor wake{context};
  int wakeWrite = -1;
  char wakeByte[1] = {};
  std::set<std::shared_ptr<TelnetShellSession>> live;
  Clock::time_point restartingUntil{};
  bool listening = false;
  bool serving = false;
  std::atomic<std::uint16_t> port{0};
  std::atomic<std::size_t> sessionCount{0};
  std::atomic<bool> stopRequested{false};
  std::thread thread;
};

TelnetShellServer::TelnetShellServer() : TelnetShellServer(Options()) {}

TelnetShellServer::TelnetShellServer(Options options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

TelnetShellServer::~TelnetShellServer() {
  Stop();
}

void TelnetShellServer::Start() {
  if (impl_->serving) throw std::logic_error("the telnet server is already serving");
  impl_->Listen();
  impl_->serving = true;
  if (impl_->options.loop != nullptr) return;
  impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
}

void TelnetShellServer::Serve() {
  if (impl_->serving) throw std::logic_error("the telnet server is already serving");
  impl_->Listen();
  impl_->serving = true;
  impl_->Run();
}

void TelnetShellServer::Stop() {
  if (impl_->options.loop != nullptr && impl_->listening) return impl_->Shutdown();
  RequestStop();
  if (impl_->thread.joinable() && impl_->thread.get_id() != std::this_thread::get_id()) {
    impl_->thread.join();
  }
}

void TelnetShellServer::RequestStop() noexcept {
  impl_->RequestStop();
}

std::uint16_t TelnetShellServer::Port() const noexcept {
  return impl_->port;
}

std::size_t TelnetShellServer::SessionCount() const noexcept {
  return impl_->sessionCount;
}

}  // namespace pelmora
