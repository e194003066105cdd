#include "tools/check/ConsoleProgress.h"

#include <chrono>
#include <cmath>

#include "tools/check/Summary.h"

namespace lw::check {

namespace {

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr double kTerminalInterval = 0.2;
constexpr double kLogInterval = 5.0;

}  // namespace

std::string GroupThousands(long long value) {
  char text[40];
  return std::string(text, FormatGrouped(value, text, sizeof text));
}

ConsoleProgress::ConsoleProgress(std::FILE* out, bool terminal, Clock clock)
    : out_(out), terminal_(terminal), clock_(clock ? std::move(clock) : Clock(SteadySeconds)) {
  start_ = lastShown_ = clock_();
}

void ConsoleProgress::SetMaximum(double maximum) { maximum_ = maximum; }

void ConsoleProgress::SetPosition(double position) {
  position_ = position;
  // Reading the clock on every row of a million-row run is measurable; every 64th row is enough.
  if ((++calls_ & 63u) != 0 && position < maximum_) return;
  const double now = clock_();
  if (now - lastShown_ >= (terminal_ ? kTerminalInterval : kLogInterval)) Show(now);
}

std::string ConsoleProgress::Text(double now) const {
  const double elapsed = now - start_;
  const double rate = elapsed > 0 ? position_ / elapsed : 0;
  const double percent = maximum_ > 0 ? std::min(100.0, position_ * 100.0 / maximum_) : 0;
  std::string text = GroupThousands(static_cast<long long>(position_)) + "/" +
                     GroupThousands(static_cast<long long>(maximum_)) + " rows (" +
                     std::to_string(static_cast<int>(percent)) + "%), " + GroupThousands(static_cast<long long>(rate)) +
                     " rows/s";
  if (rate > 0 && maximum_ > position_) {
    text += ", " + std::to_string(static_cast<long long>(std::ceil((maximum_ - position_) / rate))) + " s left";
  }
  return text;
}

void ConsoleProgress::Show(double now) {
  lastShown_ = now;
  if (terminal_) {
    constexpr int kWidth = 30;
    const int filled = maximum_ > 0 ? static_cast<int>(std::min(1.0, position_ / maximum_) * kWidth) : 0;
    std::fprintf(out_, "\r\033[K[%s%s] %s", std::string(filled, '#').c_str(), std::string(kWidth - filled, ' ').c_str(),
                 Text(now).c_str());
    barShown_ = true;
  } else {
    std::fprintf(out_, "progress: %s\n", Text(now).c_str());
  }
  std::fflush(out_);
}

void ConsoleProgress::Finish() {
  if (barShown_) {
    std::fprintf(out_, "\r\033[K");
    std::fflush(out_);
    barShown_ = false;
  }
}

}  // namespace lw::check

namespace lw::check {

ConsoleProgress::Hidden::Hidden(ConsoleProgress& progress) : progress_(progress), wasShown_(progress.barShown_) {
  progress_.Finish();
}

ConsoleProgress::Hidden::~Hidden() {
  if (wasShown_) progress_.Show(progress_.clock_());
}

}  // namespace lw::check
