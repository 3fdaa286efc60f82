#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace pelmora {

// An event is a subscription list. Subscribe returns a token; destroying the token unsubscribes.
// A handler that throws does not disturb the raiser: the error is dropped here, so a failing
// client handler can neither terminate the process nor surface in an unrelated caller.
template <typename... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;
  using Handlers = std::map<std::uint64_t, std::shared_ptr<Handler>>;

  class Subscription {
   public:
    Subscription() = default;
    Subscription(std::weak_ptr<Handlers> handlers, std::uint64_t id)
        : handlers_(std::move(handlers)), id_(id) {}
    Subscription(Subscription&& other) noexcept { *this = std::move(other); }
    Subscription& operator=(Subscription&& other) noexcept {
      if (this != &other) {
        Reset();
        handlers_ = std::move(other.handlers_);
        id_ = std::exchange(other.id_, 0);
      }
      return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }

    void Reset() {
      if (auto handlers = handlers_.lock()) handlers->erase(id_);
      handlers_.reset();
      id_ = 0;
    }
    bool Active() const { return !handlers_.expired() && id_ != 0; }

   private:
    std::weak_ptr<Handlers> handlers_;
    std::uint64_t id_ = 0;
  };

  [[nodiscard]] Subscription Subscribe(Handler handler) {
    const std::uint64_t id = ++lastId_;
    handlers_->emplace(id, std::make_shared<Handler>(std::move(handler)));
    return Subscription(handlers_, id);
  }

  bool HasSubscribers() const { return !handlers_->empty(); }

  // Handlers may subscribe or unsubscribe while the event is raised; each handler that is still
  // subscribed when its turn comes is called once.
  void Raise(Args... args) {
    std::vector<std::pair<std::uint64_t, std::weak_ptr<Handler>>> snapshot;
    snapshot.reserve(handlers_->size());
    for (auto& [id, handler] : *handlers_) snapshot.emplace_back(id, handler);
    const auto keepAlive = handlers_;
    for (auto& [id, weak] : snapshot) {
      if (keepAlive->count(id) == 0) continue;
      if (auto handler = weak.lock()) {
        try {
          (*handler)(args...);
        } catch (...) {  // NOLINT(bugprone-empty-catch): dropped by design, see above
        }
      }
    }
  }

 private:
  std::shared_ptr<Handlers> handlers_ = std::make_shared<Handlers>();
  std::uint64_t lastId_ = 0;
};

}  // namespace pelmora
