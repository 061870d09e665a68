#include "compiler/cli/console_observer.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace kestro::compiler::cli {

volatile std::sig_atomic_t g_interrupted = 0;

namespace {
extern "C" void OnInterrupt(int) { g_interrupted = 1; }
}  // namespace

void InstallInterruptHandler() {
#ifdef _WIN32
  std::signal(SIGINT, OnInterrupt);
#else
  // No restart: a question waiting for input ends. One-shot: a second Ctrl-C
  // ends the program at once, even inside a long file.
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
#endif
}

std::string ConsoleText(const std::string& cp1252) {
  std::string utf8 = Cp1252ToUtf8(cp1252), out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i)
    if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) out += utf8[i];
  return out;
}

void ConsoleObserver::PrintLine(const std::string& text) {
  if (line_shown_) {
    std::fputs("\r\x1b[K", stderr);
    line_shown_ = false;
  }
  std::fprintf(stderr, "%s\n", ConsoleText(text).c_str());
  std::fflush(stderr);
}

void ConsoleObserver::Draw(bool force) {
  if (!terminal_) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && line_shown_ && now - last_draw_ < std::chrono::milliseconds(50)) return;
  last_draw_ = now;
  constexpr int kWidth = 24;
  int filled = maximum_ > 0 ? static_cast<int>(static_cast<long long>(position_) * kWidth / maximum_) : 0;
  if (filled > kWidth) filled = kWidth;
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kWidth - filled), '.') + "] ";
  // The bar's own share: the window's percentage label only changes when a
  // file starts, which would leave a finished bar at less than 100%.
  std::string pct = maximum_ > 0 && position_ > 0
                        ? std::to_string(static_cast<long long>(position_) * 100 / maximum_) + "%"
                        : "";
  if (pct.size() < 4) pct.insert(0, 4 - pct.size(), ' ');
  line += pct + " " + ConsoleText(status_);
  // Keep the line on one terminal row (bytes, close enough for the names).
  if (line.size() > 100) line = line.substr(0, 97) + "...";
  std::fprintf(stderr, "\r\x1b[K%s", line.c_str());
  std::fflush(stderr);
  line_shown_ = true;
}

void ConsoleObserver::Status(const std::string& text) {
  status_ = text;
  if (terminal_)
    Draw();
  else
    PrintLine(text);
}

void ConsoleObserver::Info(const std::string& text) { PrintLine(text); }

void ConsoleObserver::Progress(int position, int maximum) {
  position_ = position;
  maximum_ = maximum;
  Draw();
}

void ConsoleObserver::Percentage(const std::string& text) {
  percentage_ = text;
  Draw();
}

bool ConsoleObserver::Checkpoint() { return g_interrupted != 0; }

// Ctrl-C before or at the question is a confirmed cancel like any other:
// the run goes on to its next checkpoint, which comes before anything is
// built or replaced, and ends there as cancelled. Answering No instead would
// end it as declined, deleting and touching files a cancel leaves alone.
bool ConsoleObserver::AskOverwrite(const std::string& text, const std::string& caption) {
  if (assume_yes_ || g_interrupted) return true;
  if (!interactive_) return false;
  PrintLine(caption + "\r\n" + text);
  std::fputs("Overwrite? [y/N] ", stderr);
  std::fflush(stderr);
  char answer[64];
  if (!std::fgets(answer, sizeof answer, stdin)) return g_interrupted != 0;
  return g_interrupted || answer[0] == 'y' || answer[0] == 'Y';
}

void ConsoleObserver::Notice(NoticeKind kind, const std::string& text, const std::string& caption) {
  if (kind == NoticeKind::kHelp) {
    std::fprintf(stdout, "%s\n", ConsoleText(text).c_str());
    std::fflush(stdout);
    return;
  }
  PrintLine(caption + ": " + text);
}

void ConsoleObserver::ReportFailure(const std::string& report, const std::string& fatal) {
  PrintLine(report);
  PrintLine(fatal);
}

void ConsoleObserver::Finish() {
  if (line_shown_) {
    Draw(true);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    line_shown_ = false;
  }
}

}  // namespace kestro::compiler::cli
