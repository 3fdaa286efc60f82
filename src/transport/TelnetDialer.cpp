#include "pelmora/transport/TelnetDialer.h"

#include <asio/connect.hpp>

#include "pelmora/platform/Apartment.h"

namespace pelmora {

TelnetDialer::TelnetDialer()
    : resolver_(std::make_shared<asio::ip::tcp::resolver>(Apartment::Current().Context())) {}

TelnetDialer::~TelnetDialer() = default;

void TelnetDialer::Resolve(const std::string& host, const std::string& port,
                           ResolveHandler handler) {
  // The handler holds the resolver: a lookup still running on asio's resolver thread refers to
  // it until the handler has run.
  resolver_->async_resolve(
      host, port, asio::ip::resolver_base::numeric_service,
      [handler = std::move(handler), keep = resolver_](
          std::error_code error, const asio::ip::tcp::resolver::results_type& results) {
        Endpoints endpoints;
        for (const auto& entry : results) endpoints.push_back(entry.endpoint());
        handler(error, std::move(endpoints));
      });
}

void TelnetDialer::Connect(asio::ip::tcp::socket& socket, const Endpoints& endpoints,
                           ConnectHandler handler) {
  asio::async_connect(
      socket, endpoints,
      [handler = std::move(handler)](std::error_code error, const auto&) { handler(error); });
}

void TelnetDialer::Cancel() {
  resolver_->cancel();
}

}  // namespace pelmora
