#pragma once
// Front-end ports for driving the rules and the search run without a window.

#include <functional>
#include <string>
#include <vector>

#include "reconcile/Ports.h"

namespace lw::test {

class RecordingReport : public ReportSink {
 public:
  void ClearReport() override { lines.clear(); }
  void AppendReportLine(const std::string& line) override {
    lines.push_back(line);
    if (onAppend) onAppend(line);
  }
  std::vector<std::string> lines{"RichEdit1"};
  std::function<void(const std::string&)> onAppend;
};

// The fix flag is read right after a discrepancy's line is appended and before the row is
// locked; onRead lets a test act at exactly that moment (another workstation posting).
class SettableFix : public FixFlag {
 public:
  bool IsSet() const override {
    if (onRead) onRead();
    return set;
  }
  bool set = false;
  std::function<void()> onRead;
};

class RecordingProgress : public ProgressPort {
 public:
  double Position() const override { return position; }
  void SetPosition(double value) override { position = value; }
  void SetMaximum(double value) override { maximum = value; }
  double position = 0;
  double maximum = 100;
};

class ScriptedFolder : public FolderChooser {
 public:
  std::string ReadCurrentPractice() override { return current; }
  bool Execute(std::string& path) override {
    offered = path;
    if (!confirm) return false;
    if (!choose.empty()) path = choose;
    return true;
  }
  std::string current;  // what the settings store holds
  std::string choose;   // what the user picks (empty: keeps the offered folder)
  std::string offered;
  bool confirm = true;
};

class CountingPump : public MessagePump {
 public:
  void Pump() override {
    ++pumps;
    if (onPump) onPump(pumps);
  }
  bool QuitRequested() const override { return quit; }
  int pumps = 0;
  bool quit = false;
  std::function<void(int)> onPump;
};

class RecordingButton : public SearchButton {
 public:
  void SetEnabled(bool value) override { history.push_back(value); }
  bool Enabled() const { return history.empty() || history.back(); }
  std::vector<bool> history;
};

class TextChart : public ChartBox {
 public:
  std::string Text() const override { return text; }
  std::string text;
};

}  // namespace lw::test
