#include "ui/scripted_responder.h"

namespace kestro::ui {

ScriptedResponder::ScriptedResponder() {
  previous_ = MessageBoxService::SetResponder(
      [this](const MessageBoxRequest& box) { return Respond(box); });
}

ScriptedResponder::~ScriptedResponder() { MessageBoxService::SetResponder(std::move(previous_)); }

int ScriptedResponder::Respond(const MessageBoxRequest& box) {
  shown_.push_back(box);
  if (hook_) hook_(box);
  if (answers_.empty()) return FirstButton(box.buttons());
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

int FirstButton(UINT buttons) {
  switch (buttons & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    case MB_CANCELTRYCONTINUE: return IDCANCEL;
    default: return IDOK;
  }
}

}  // namespace kestro::ui
