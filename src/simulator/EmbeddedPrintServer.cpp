#include "pelmora/simulator/EmbeddedPrintServer.h"

#include <asio/steady_timer.hpp>
#include <optional>
#include <utility>

#include "pelmora/platform/Apartment.h"

namespace pelmora {

// What the connection's callbacks reach through weak references, so that the connection may
// outlive the server.
struct EmbeddedPrintServer::Core : std::enable_shared_from_this<Core> {
  explicit Core(std::shared_ptr<PrintServerState> device)
      : state(std::move(device)),
        engine(
            state, [this](std::string_view bytes) { Emit(bytes); }, [this] { EndSession(); }) {}

  void Attach(const std::shared_ptr<PipeConnection>& connection) {
    pipe = connection;
    ApplyDelivery();
    const std::weak_ptr<Core> weak = weak_from_this();
    connection->SetPeer([weak](std::string_view bytes) {
      if (auto core = weak.lock()) core->Receive(bytes);
    });
    connection->SetOnSessionOpen([weak] {
      if (auto core = weak.lock()) core->BeginSession();
    });
  }

  void ApplyDelivery() {
    // The pipe keeps the timing; the cuts inside a chunk are made here (Emit).
    if (auto connection = pipe.lock()) connection->SetDelivery(plan.delay, 0, plan.gap);
  }

  void BeginSession() {
    sessionEnded = false;
    engine.Disconnect();
  }

  void Receive(std::string_view bytes) {
    if (!sessionEnded) engine.Feed(bytes);
  }

  void Emit(std::string_view chunk) {
    auto connection = pipe.lock();
    if (!connection) return;
    for (const std::string& piece : plan.Split(chunk)) connection->PeerWrite(piece);
  }

  void EndSession() {
    sessionEnded = true;
    if (auto connection = pipe.lock()) connection->PeerDrop();
    if (engine.State() == ShellEngine::ShellState::Restarting) ScheduleRestartEnd();
  }

  void ScheduleRestartEnd() {
    restartTimer.emplace(Apartment::Current().Context(), engine.RestartDelay());
    restartTimer->async_wait([weak = weak_from_this()](std::error_code error) {
      auto core = weak.lock();
      if (core && !error) core->engine.FinishRestart();
    });
  }

  std::shared_ptr<PrintServerState> state;
  ShellEngine engine;
  DeliveryPlan plan;
  std::weak_ptr<PipeConnection> pipe;
  // Set when the shell ended the session: what still arrives on it is dropped.
  bool sessionEnded = false;
  std::optional<asio::steady_timer> restartTimer;
};

EmbeddedPrintServer::EmbeddedPrintServer(std::shared_ptr<PrintServerState> state)
    : core_(std::make_shared<Core>(std::move(state))) {}

EmbeddedPrintServer::~EmbeddedPrintServer() = default;

std::shared_ptr<PipeConnection> EmbeddedPrintServer::Connection() {
  if (!connection_) {
    connection_ = std::make_shared<PipeConnection>();
    core_->Attach(connection_);
  }
  return connection_;
}

PrintServerState& EmbeddedPrintServer::State() noexcept {
  return *core_->state;
}

ShellFaults& EmbeddedPrintServer::Faults() noexcept {
  return core_->engine.Faults();
}

ShellEngine& EmbeddedPrintServer::Shell() noexcept {
  return core_->engine;
}

void EmbeddedPrintServer::SetDelivery(const DeliveryPlan& plan) {
  core_->plan = plan;
  core_->ApplyDelivery();
}

const DeliveryPlan& EmbeddedPrintServer::Delivery() const noexcept {
  return core_->plan;
}

}  // namespace pelmora
