#include "tools/check/Interrupts.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace lw::check {

namespace {

volatile std::sig_atomic_t insideRow = 0;
volatile std::sig_atomic_t stopSignal = 0;
const RunCounts* handlerCounts = nullptr;
bool handlerTerminal = false;

void WriteAll(const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(STDERR_FILENO, text, length);
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

void WriteText(const char* text) { WriteAll(text, std::strlen(text)); }

extern "C" void OnSignal(int signal) {
  if (insideRow != 0) {
    stopSignal = signal;
    return;
  }
  // Only async-signal-safe calls from here on.
  if (handlerTerminal) WriteText("\r\033[K");
  if (handlerCounts != nullptr) {
    char summary[256];
    const std::size_t length = FormatSummary(*handlerCounts, summary, sizeof summary);
    WriteAll(summary, length);
    WriteText("\n");
  }
  WriteText(signal == SIGINT ? "ledgerwick-check: interrupted\n" : "ledgerwick-check: terminated\n");
  ::_exit(InterruptedStatus(signal));
}

}  // namespace

void InstallInterruptHandlers(const RunCounts& counts, bool terminal) {
  handlerCounts = &counts;
  handlerTerminal = terminal;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

void SetInsideRow(bool inside) { insideRow = inside ? 1 : 0; }

int StopSignal() { return stopSignal; }

void RequestStop(int signal) { stopSignal = signal; }

int InterruptedStatus(int signal) { return 128 + signal; }

}  // namespace lw::check
