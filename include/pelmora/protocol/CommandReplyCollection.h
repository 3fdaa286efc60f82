#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pelmora/protocol/CommandReply.h"

namespace pelmora {

// The reply records of recent commands in insertion order (position 1 is the oldest), each
// stored under the key "ID" followed by its MsgID as it was when added. At most MaxIndex records
// are kept: an Add drops the oldest beyond that, so a message id is free again before the
// protocol handler's cyclic numbering reuses it.
class CommandReplyCollection {
 public:
  using Records = std::vector<std::shared_ptr<CommandReply>>;

  // Records whose Replied is false.
  std::int32_t NoReplyCount() const;

  // Stored without checks; a lower cap takes effect at the next Add. A negative cap acts as 0.
  std::int32_t MaxIndex() const noexcept { return maxIndex_; }
  void SetMaxIndex(std::int32_t maxIndex) noexcept { maxIndex_ = maxIndex; }

  // The record stored under the id's key; error 5 when there is none.
  std::shared_ptr<CommandReply> Item(std::int32_t msgID) const;
  // The record at a 1-based position; error 9 outside 1..Count.
  std::shared_ptr<CommandReply> ItemByIndex(std::int32_t index) const;
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }
  // A snapshot of the records in insertion order.
  Records NewEnum() const;

  // Appends under the record's key (error 457 and no change when the key is taken; error 91 for
  // no record), drops the oldest while Count exceeds MaxIndex and returns the record passed in,
  // even when the cap dropped it at once.
  std::shared_ptr<CommandReply> Add(const std::shared_ptr<CommandReply>& commandReplyMsgObj);
  // Never fails: the record that was stored under the id's key, or nullptr.
  std::shared_ptr<CommandReply> Remove(std::int32_t messageID);
  void RemoveAll() noexcept;

  // The key text of a message id.
  static std::string KeyOf(std::int32_t msgID);

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<CommandReply> record;
  };

  std::vector<Entry>::const_iterator Find(std::int32_t msgID) const;

  // The cap is small (10 by default), so a scan of a vector in insertion order is the simplest
  // structure that keeps both the order and the keyed look-up.
  std::vector<Entry> entries_;
  std::int32_t maxIndex_ = 10;
};

}  // namespace pelmora
