#pragma once

#include <memory>

#include "ProgressLine.h"
#include "pelmora/components/Progress.h"

namespace pelmora::cli {

// The progress display of the console. The tool hands one to every command; it is drawn only
// when stderr is a terminal.
//
// The protocol handler creates each command's step list through CreateChild; the children share
// this object's line on stderr.
class ConsoleProgress : public Progress {
 public:
  explicit ConsoleProgress(std::shared_ptr<ProgressLine> line);

  std::shared_ptr<Progress> CreateChild() const override;
  void SetActive(bool active) override;
  void SetCurrentStep(std::int32_t step) override;
  void SetValue(std::int32_t value) override;
  void SetReceived(std::int32_t received) override;
  void Finish() override;
  // Also refreshes the elapsed time: the wait loop calls it on every pass.
  bool Cancelled() const override;

 private:
  void Redraw(bool waiting) const;

  std::shared_ptr<ProgressLine> line_;
};

}  // namespace pelmora::cli
