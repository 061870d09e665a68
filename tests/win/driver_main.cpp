// kestro-driver: the command-line face of kestro_driver (usage in driver.h).
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/win/driver.h"

using namespace kestro::driver;

namespace {

int Usage() {
  std::fputs(
      "usage: kestro-driver wait       CAPTION [--pid N] [--timeout S] [--print-texts]\n"
      "       kestro-driver wait-press CAPTION BUTTON [--pid N] [--timeout S] [--print-texts]\n"
      "       kestro-driver wait-gone  CAPTION [--pid N] [--timeout S]\n"
      "       kestro-driver get|click|items CAPTION CONTROL [--pid N] [--timeout S]\n"
      "       kestro-driver set-text   CAPTION CONTROL TEXT [--pid N] [--timeout S]\n"
      "       kestro-driver select     CAPTION CONTROL INDEX [--pid N] [--timeout S]\n"
      "       kestro-driver rect       CAPTION [--pid N] [--timeout S]\n",
      stderr);
  return 2;
}

void PrintTexts(HWND wnd) {
  for (const Control& c : ChildControls(wnd)) {
    const char* kind = nullptr;
    if (lstrcmpiA(c.class_name.c_str(), "Static") == 0 && !c.text.empty()) kind = "static";
    if (lstrcmpiA(c.class_name.c_str(), "Button") == 0) kind = "button";
    if (kind) std::printf("%s\t%s\n", kind, Escape(c.text).c_str());
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // texts are printed byte for byte
  if (argc < 3) return Usage();
  std::string command = argv[1];
  std::string caption = argv[2];
  // Positional arguments after CAPTION, by command.
  int positional = -1;
  if (command == "wait" || command == "wait-gone" || command == "rect") positional = 0;
  if (command == "wait-press" || command == "get" || command == "click" || command == "items") positional = 1;
  if (command == "set-text" || command == "select") positional = 2;
  if (positional < 0 || argc < 3 + positional) return Usage();
  std::string button = positional >= 1 ? argv[3] : "";
  std::string text = positional >= 2 ? argv[4] : "";
  int next = 3 + positional;
  DWORD pid = 0;
  int timeout_ms = 20000;
  bool print_texts = false;
  for (int i = next; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--pid") && i + 1 < argc) {
      pid = std::strtoul(argv[++i], nullptr, 10);
    } else if (!std::strcmp(argv[i], "--timeout") && i + 1 < argc) {
      timeout_ms = static_cast<int>(std::atof(argv[++i]) * 1000);
    } else if (!std::strcmp(argv[i], "--print-texts")) {
      print_texts = true;
    } else {
      return Usage();
    }
  }

  if (command == "wait-gone") {
    HWND wnd = WaitForWindow(caption, pid, 0);
    if (!wnd || WaitWindowGone(wnd, timeout_ms)) return 0;
    std::fprintf(stderr, "kestro-driver: \"%s\" still open\n", caption.c_str());
    return 1;
  }
  HWND wnd = WaitForWindow(caption, pid, timeout_ms);
  if (!wnd) {
    std::fprintf(stderr, "kestro-driver: no window \"%s\"\n", caption.c_str());
    return 1;
  }
  if (print_texts) PrintTexts(wnd);
  if (command == "rect") {
    RECT r;
    GetWindowRect(wnd, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (command != "wait" && command != "wait-press") {
    HWND control = FindControlByIdOrCaption(wnd, button);
    if (!control) {
      std::fprintf(stderr, "kestro-driver: no control \"%s\" in \"%s\"\n", button.c_str(), caption.c_str());
      return 1;
    }
    if (command == "get") {
      ControlState st = StateOf(control);
      std::printf("%s\t%d\t%d\n", Escape(st.text).c_str(), st.enabled, st.visible);
    } else if (command == "set-text") {
      if (!SetControlText(control, text)) return 1;
    } else if (command == "select") {
      char* end = nullptr;
      long index = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end) return Usage();
      if (!SelectItem(control, static_cast<int>(index))) {
        std::fprintf(stderr, "kestro-driver: no entry %ld in \"%s\"\n", index, button.c_str());
        return 1;
      }
    } else if (command == "click") {
      if (!ClickControl(control)) return 1;
    } else if (command == "items") {
      for (const std::string& item : ListItems(control)) std::printf("%s\n", Escape(item).c_str());
      std::string selected;
      for (int i : SelectedItems(control)) selected += (selected.empty() ? "" : ",") + std::to_string(i);
      std::printf("selected\t%s\n", selected.c_str());
      char cls[64] = {};
      GetClassNameA(control, cls, sizeof cls);
      if (lstrcmpiA(cls, "ListBox") == 0) std::printf("extent\t%d\n", HorizontalExtent(control));
    }
    std::fflush(stdout);
    return 0;
  }
  if (command == "wait-press" && !PressButton(wnd, button)) {
    std::fprintf(stderr, "kestro-driver: no button \"%s\" in \"%s\"\n", button.c_str(), caption.c_str());
    return 1;
  }
  return 0;
}
