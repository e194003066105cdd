#pragma once
// The search run's ports to its front end (the window, the headless check, tests).

#include <string>

namespace lw {

// The report area: ClearReport and AppendReportLine.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void ClearReport() = 0;
  // May fail (the report's capacity); what was appended before stays.
  virtual void AppendReportLine(const std::string& line) = 0;
};

// The progress bar's floating-point position and maximum.
class ProgressPort {
 public:
  virtual ~ProgressPort() = default;
  virtual double Position() const = 0;
  virtual void SetPosition(double position) = 0;
  virtual void SetMaximum(double maximum) = 0;
};

// The "Fix Balances" state, read at each discrepancy.
class FixFlag {
 public:
  virtual ~FixFlag() = default;
  virtual bool IsSet() const = 0;
};

// The practice folder: the recorded current practice and the folder dialog.
class FolderChooser {
 public:
  virtual ~FolderChooser() = default;
  virtual std::string ReadCurrentPractice() = 0;
  // Offers `path`; true and the chosen folder in `path` on confirmation, false on cancel.
  virtual bool Execute(std::string& path) = 0;
};

// Handles every pending window message, then returns.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void Pump() = 0;
  // Whether the user has asked the program to end (closing the window) during a pump.
  virtual bool QuitRequested() const { return false; }
};

// The "Search" button, disabled while a run is under way.
class SearchButton {
 public:
  virtual ~SearchButton() = default;
  virtual void SetEnabled(bool enabled) = 0;
};

// The chart number box, read once per run after the folder is confirmed.
class ChartBox {
 public:
  virtual ~ChartBox() = default;
  virtual std::string Text() const = 0;
};

}  // namespace lw
