#include "pelmora/protocol/CommandReplyCollection.h"

#include <algorithm>

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

std::string CommandReplyCollection::KeyOf(std::int32_t msgID) {
  return "ID" + std::to_string(msgID);
}

std::vector<CommandReplyCollection::Entry>::const_iterator CommandReplyCollection::Find(
    std::int32_t msgID) const {
  const std::string key = KeyOf(msgID);
  return std::find_if(entries_.begin(), entries_.end(),
                      [&](const Entry& entry) { return entry.key == key; });
}

std::int32_t CommandReplyCollection::NoReplyCount() const {
  return static_cast<std::int32_t>(std::count_if(
      entries_.begin(), entries_.end(), [](const Entry& entry) { return !entry.record->Replied; }));
}

std::shared_ptr<CommandReply> CommandReplyCollection::Item(std::int32_t msgID) const {
  const auto found = Find(msgID);
  if (found == entries_.end()) {
    ErrorMessages::Current().RaiseNumberedError(errors::kInvalidArgument,
                                                "CommandReplyCollection.Item");
  }
  return found->record;
}

std::shared_ptr<CommandReply> CommandReplyCollection::ItemByIndex(std::int32_t index) const {
  if (index < 1 || index > Count()) {
    ErrorMessages::Current().RaiseNumberedError(errors::kSubscriptOutOfRange,
                                                "CommandReplyCollection.ItemByIndex");
  }
  return entries_[static_cast<std::size_t>(index - 1)].record;
}

CommandReplyCollection::Records CommandReplyCollection::NewEnum() const {
  Records records;
  records.reserve(entries_.size());
  for (const Entry& entry : entries_) records.push_back(entry.record);
  return records;
}

std::shared_ptr<CommandReply> CommandReplyCollection::Add(
    const std::shared_ptr<CommandReply>& commandReplyMsgObj) {
  if (!commandReplyMsgObj) {
    ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet,
                                                "CommandReplyCollection.Add");
  }
  const std::int32_t id = commandReplyMsgObj->MsgID;
  if (Find(id) != entries_.end()) {
    ErrorMessages::Current().RaiseNumberedError(errors::kKeyAlreadyExists,
                                                "CommandReplyCollection.Add");
  }
  entries_.push_back(Entry{KeyOf(id), commandReplyMsgObj});
  // Dropping stops at an empty collection, so a negative cap keeps nothing instead of looping.
  const auto cap = static_cast<std::size_t>(std::max(maxIndex_, 0));
  if (entries_.size() > cap) {
    entries_.erase(entries_.begin(),
                   entries_.begin() + static_cast<std::ptrdiff_t>(entries_.size() - cap));
  }
  return commandReplyMsgObj;
}

std::shared_ptr<CommandReply> CommandReplyCollection::Remove(std::int32_t messageID) {
  const auto found = Find(messageID);
  if (found == entries_.end()) return nullptr;
  std::shared_ptr<CommandReply> record = found->record;
  entries_.erase(found);
  return record;
}

void CommandReplyCollection::RemoveAll() noexcept {
  entries_.clear();
}

}  // namespace pelmora
