#include "pelmora/transport/TelnetDialer.h"

#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "pelmora/platform/Apartment.h"

namespace pelmora {

// A name lookup on its way: settled once, by its result or by a cancel, whichever comes first.
struct TelnetDialer::Lookup {
  std::string host;
  std::string port;
  std::shared_ptr<Apartment> apartment;  // where the handler runs; kept while the lookup lives

  // Hands the handler its result on the apartment, unless the lookup was settled already.
  void Settle(std::error_code error, Endpoints endpoints) {
    ResolveHandler settled;
    {
      const std::lock_guard lock(mutex);
      settled = std::exchange(handler, nullptr);
    }
    if (!settled) return;
    apartment->Post([settled = std::move(settled), error, endpoints = std::move(endpoints)] {
      settled(error, endpoints);
    });
  }

  std::mutex mutex;
  ResolveHandler handler;
};

namespace {

// A few threads look names up for the whole process. Asio's resolver would start a thread of its
// own for every event loop that resolves, and every fleet worker has one; blocking lookups on a
// small shared pool cost at most kThreads threads however many workers there are, while one
// slow name server does not hold up every other lookup. The threads and their queue stay until
// the process ends: a lookup may still be in the system's resolver then.
class NameLookups {
 public:
  static NameLookups& Instance() {
    static auto* lookups = new NameLookups();  // never destroyed: its threads may be blocked
    return *lookups;
  }

  void Submit(std::shared_ptr<TelnetDialer::Lookup> lookup) {
    {
      const std::lock_guard lock(mutex_);
      queue_.push_back(std::move(lookup));
      if (queue_.size() > idle_ && threads_ < kThreads) {
        ++threads_;
        ++idle_;
        std::thread([this] { Serve(); }).detach();
      }
    }
    waiting_.notify_one();
  }

 private:
  static constexpr std::size_t kThreads = 4;

  void Serve() {
    asio::io_context context;
    asio::ip::tcp::resolver resolver(context);
    for (;;) {
      std::shared_ptr<TelnetDialer::Lookup> lookup;
      {
        std::unique_lock lock(mutex_);
        waiting_.wait(lock, [this] { return !queue_.empty(); });
        lookup = std::move(queue_.front());
        queue_.pop_front();
        --idle_;
      }
      std::error_code error;
      const auto results = resolver.resolve(lookup->host, lookup->port,
                                            asio::ip::resolver_base::numeric_service, error);
      TelnetDialer::Endpoints endpoints;
      for (const auto& entry : results) endpoints.push_back(entry.endpoint());
      lookup->Settle(error, std::move(endpoints));
      const std::lock_guard lock(mutex_);
      ++idle_;
    }
  }

  std::mutex mutex_;
  std::condition_variable waiting_;
  std::deque<std::shared_ptr<TelnetDialer::Lookup>> queue_;
  std::size_t threads_ = 0;
  std::size_t idle_ = 0;  // threads waiting for a lookup
};

// An address written as numbers needs no lookup.
std::optional<asio::ip::tcp::endpoint> NumericEndpoint(const std::string& host,
                                                       const std::string& port) {
  std::error_code error;
  const auto address = asio::ip::make_address(host, error);
  std::uint16_t number = 0;
  const auto [end, parsed] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (error || parsed != std::errc() || end != port.data() + port.size()) return std::nullopt;
  return asio::ip::tcp::endpoint(address, number);
}

}  // namespace

TelnetDialer::TelnetDialer() = default;

TelnetDialer::~TelnetDialer() = default;

void TelnetDialer::Resolve(const std::string& host, const std::string& port,
                           ResolveHandler handler) {
  auto lookup = std::make_shared<Lookup>();
  lookup->host = host;
  lookup->port = port;
  lookup->apartment = Apartment::Shared();
  lookup->handler = std::move(handler);
  pending_ = lookup;
  if (const auto endpoint = NumericEndpoint(host, port)) {
    lookup->Settle({}, {*endpoint});
  } else {
    NameLookups::Instance().Submit(std::move(lookup));
  }
}

void TelnetDialer::Connect(asio::ip::tcp::socket& socket, const Endpoints& endpoints,
                           ConnectHandler handler) {
  asio::async_connect(
      socket, endpoints,
      [handler = std::move(handler)](std::error_code error, const auto&) { handler(error); });
}

// The lookup thread finishes the lookup in its own time and finds it settled.
void TelnetDialer::Cancel() {
  if (const auto lookup = pending_.lock()) lookup->Settle(asio::error::operation_aborted, {});
}

}  // namespace pelmora
