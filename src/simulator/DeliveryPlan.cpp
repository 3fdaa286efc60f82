#include "pelmora/simulator/DeliveryPlan.h"

#include <set>

namespace pelmora {

bool DeliveryPlan::IsImmediate() const noexcept {
  return delay.count() <= 0 && gap.count() <= 0 && pieceSize == 0 && cutsAt.empty();
}

std::vector<std::string> DeliveryPlan::Split(std::string_view chunk) const {
  std::set<std::size_t> ends;
  for (std::size_t cut : cutsAt) {
    if (cut > 0 && cut < chunk.size()) ends.insert(cut);
  }
  if (pieceSize > 0) {
    for (std::size_t cut = pieceSize; cut < chunk.size(); cut += pieceSize) ends.insert(cut);
  }
  if (!chunk.empty()) ends.insert(chunk.size());
  std::vector<std::string> pieces;
  std::size_t begin = 0;
  for (std::size_t end : ends) {
    pieces.emplace_back(chunk.substr(begin, end - begin));
    begin = end;
  }
  return pieces;
}

}  // namespace pelmora
