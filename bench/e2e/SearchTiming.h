#pragma once

#include <cstddef>

namespace pelmora::bench {

// FindStr against the C library's memmem on the same bytes, looking for the prompt at the end
// of `size` bytes of screen text. Timed batches of the two alternate and the median batch of
// each counts, so that a busy machine slows neither side more than the other.
class SearchTiming {
 public:
  struct Outcome {
    std::size_t size = 0;
    double findStrNs = 0;
    double memmemNs = 0;
    double Ratio() const { return memmemNs > 0 ? findStrNs / memmemNs : 0; }
  };

  static Outcome Measure(std::size_t size);
};

}  // namespace pelmora::bench
