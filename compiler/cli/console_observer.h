// The engine's observer on a console: progress on standard error (one
// self-updating line on a terminal, else one line per status), questions
// answered by --yes, the terminal or No, and Ctrl-C as a confirmed cancel.
#pragma once

#include <chrono>
#include <csignal>
#include <string>

#include "compiler/engine.h"

namespace kestro::compiler::cli {

// Set by the interrupt handler; read at every checkpoint.
extern volatile std::sig_atomic_t g_interrupted;
void InstallInterruptHandler();

// Windows-1252 text as UTF-8 lines for the console (CR LF becomes LF).
std::string ConsoleText(const std::string& cp1252);

class ConsoleObserver : public Observer {
 public:
  ConsoleObserver(bool assume_yes, bool terminal, bool interactive)
      : assume_yes_(assume_yes), terminal_(terminal), interactive_(interactive) {}

  void Status(const std::string& text) override;
  void Info(const std::string& text) override;
  void Progress(int position, int maximum) override;
  void Percentage(const std::string& text) override;
  bool Checkpoint() override;
  bool AskOverwrite(const std::string& text, const std::string& caption) override;
  void Notice(NoticeKind kind, const std::string& text, const std::string& caption) override;
  void ReportFailure(const std::string& report, const std::string& fatal) override;

  // Ends the self-updating line, if one is shown.
  void Finish();

 private:
  // Redraws the terminal line; at most every 50 ms unless forced.
  void Draw(bool force = false);
  void PrintLine(const std::string& text);

  bool assume_yes_, terminal_, interactive_;
  std::string status_, percentage_;
  int position_ = 0, maximum_ = 100;
  bool line_shown_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace kestro::compiler::cli
