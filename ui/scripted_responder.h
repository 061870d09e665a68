// A stand-in for the user in tests: while it lives, every message box of the
// program is answered by it instead of being shown. It records each box and
// answers with the queued buttons in order, or, once the queue is empty,
// with the box's first button (IDOK, IDYES, IDABORT, ...).
#pragma once

#include "ui/message_box.h"

#include <deque>
#include <functional>
#include <vector>

namespace kestro::ui {

class ScriptedResponder {
 public:
  ScriptedResponder();
  ~ScriptedResponder();
  ScriptedResponder(const ScriptedResponder&) = delete;
  ScriptedResponder& operator=(const ScriptedResponder&) = delete;

  // Queues the answer to the next box not yet answered.
  void Answer(int button) { answers_.push_back(button); }
  // Runs while the box would be on screen, before the answer is given.
  void OnShow(std::function<void(const MessageBoxRequest&)> hook) { hook_ = std::move(hook); }

  const std::vector<MessageBoxRequest>& shown() const { return shown_; }

 private:
  int Respond(const MessageBoxRequest& box);

  MessageBoxService::Responder previous_;
  std::deque<int> answers_;
  std::vector<MessageBoxRequest> shown_;
  std::function<void(const MessageBoxRequest&)> hook_;
};

// The first button of a box with these MB_* button flags.
int FirstButton(UINT buttons);

}  // namespace kestro::ui
