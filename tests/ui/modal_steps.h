// Test help for windows shown modally in the test's own thread: the steps
// run one after the other from inside the modal window's message loop.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace kestro::testing {

// Queues steps; each runs from a thread timer, so inside whatever message
// loop is running then. A step that ends the modal loop lets the next one
// run in the next loop (e.g. the next showing).
class ModalSteps {
 public:
  ModalSteps() { Instance() = this; }
  ~ModalSteps() {
    if (timer_) KillTimer(nullptr, timer_);
    Instance() = nullptr;
  }
  ModalSteps(const ModalSteps&) = delete;
  ModalSteps& operator=(const ModalSteps&) = delete;

  void Then(std::function<void()> step) {
    steps_.push_back(std::move(step));
    if (!timer_) timer_ = SetTimer(nullptr, 0, 20, Tick);
  }
  bool done() const { return steps_.empty(); }

 private:
  static ModalSteps*& Instance() {
    static ModalSteps* instance = nullptr;
    return instance;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalSteps* self = Instance();
    if (!self || self->running_) return;
    if (self->steps_.empty()) {
      KillTimer(nullptr, self->timer_);
      self->timer_ = 0;
      return;
    }
    std::function<void()> step = std::move(self->steps_.front());
    self->steps_.pop_front();
    self->running_ = true;
    step();
    self->running_ = false;
  }

  std::deque<std::function<void()>> steps_;
  UINT_PTR timer_ = 0;
  bool running_ = false;
};

// Handles messages for about `ms` milliseconds, or until `until` holds.
inline void PumpFor(int ms, std::function<bool()> until = nullptr) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < static_cast<DWORD>(ms) && !(until && until())) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
}

inline std::string TextOf(HWND wnd) {
  char buf[4096] = {};
  GetWindowTextA(wnd, buf, sizeof buf);
  return buf;
}

}  // namespace kestro::testing
