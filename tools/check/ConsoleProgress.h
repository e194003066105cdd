#pragma once
// Progress of a headless search run on stderr: a live bar on a terminal, a line every few
// seconds otherwise.

#include <cstdio>
#include <functional>
#include <string>

#include "reconcile/Ports.h"

namespace lw::check {

class ConsoleProgress : public ProgressPort {
 public:
  using Clock = std::function<double()>;  // seconds, monotonic

  ConsoleProgress(std::FILE* out, bool terminal, Clock clock = {});

  double Position() const override { return position_; }
  void SetPosition(double position) override;
  void SetMaximum(double maximum) override;

  // Clears the live bar so the summary starts on a clean line.
  void Finish();

  // Takes the live bar off the terminal while other text is written, and draws it again
  // afterwards, so report lines and messages never share a line with it.
  class Hidden {
   public:
    explicit Hidden(ConsoleProgress& progress);
    ~Hidden();
    Hidden(const Hidden&) = delete;
    Hidden& operator=(const Hidden&) = delete;

   private:
    ConsoleProgress& progress_;
    bool wasShown_;
  };
  double Elapsed() const { return clock_() - start_; }

 private:
  void Show(double now);
  std::string Text(double now) const;

  std::FILE* out_;
  bool terminal_;
  Clock clock_;
  double start_ = 0;
  double lastShown_ = 0;
  double position_ = 0;
  double maximum_ = 100;
  bool barShown_ = false;
  unsigned calls_ = 0;
};

// "12,345": thousands grouped with commas, for progress and summaries.
std::string GroupThousands(long long value);

}  // namespace lw::check
