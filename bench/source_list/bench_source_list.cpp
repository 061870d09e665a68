// The source list with many files, under the real list box: Add Folder of a
// small and of a ten times larger folder, then Remove Selected of every
// entry. Prints the times and their ratio; linear work gives 10.
//   bench_source_list SMALL_FOLDER LARGE_FOLDER
// clang-format off
#include <windows.h>  // before the other system headers
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/hs_list_box.h"
#include "ui/widgets.h"
#include "wizard/add_folder.h"
#include "wizard/resource.h"
#include "wizard/source_list.h"

namespace {

using kestro::ui::THSListBox;
using kestro::wizard::TfAddFolder;

struct Times {
  int files = 0;
  double add_ms = 0, remove_ms = 0;
  double total() const { return add_ms + remove_ms; }
};

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// One run: the dialog's OK on `folder`, then Remove Selected with all selected.
Times Run(TfAddFolder& dialog, THSListBox& list, const std::string& folder) {
  list.Clear();
  dialog.DirLb().SetDirectory(folder);
  Times t;
  PostMessageA(dialog.handle(), WM_COMMAND, IDC_btnOk, 0);
  double start = Now();
  kestro::wizard::btnAddSrcDirClick(dialog, list);
  t.add_ms = Now() - start;
  t.files = list.Count();
  SendMessageA(list.handle(), LB_SETSEL, TRUE, -1);
  start = Now();
  kestro::wizard::btnRmSelFilesClick(list);
  t.remove_ms = Now() - start;
  if (list.Count() != 0 || list.HorizontalExtent() != 0)
    std::printf("error: entries left after Remove Selected\n");
  return t;
}

// The median of a few runs, phase by phase: the machine is shared, and a
// lucky or unlucky run should not decide the ratio.
Times Median(TfAddFolder& dialog, THSListBox& list, const std::string& folder, int runs) {
  std::vector<double> add, remove;
  Times t;
  for (int i = 0; i < runs; ++i) {
    t = Run(dialog, list, folder);
    add.push_back(t.add_ms);
    remove.push_back(t.remove_ms);
  }
  std::sort(add.begin(), add.end());
  std::sort(remove.begin(), remove.end());
  t.add_ms = add[add.size() / 2];
  t.remove_ms = remove[remove.size() / 2];
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_source_list SMALL_FOLDER LARGE_FOLDER\n");
    return 2;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  InitCommonControls();
  kestro::ui::RegisterWidgets(instance);
  // The files page's list: 350 x 160, visible, as the wizard shows it.
  HWND host = CreateWindowExA(0, "STATIC", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, nullptr, nullptr,
                              instance, nullptr);
  HWND box =
      CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | LBS_EXTENDEDSEL, 0,
                      0, 350, 160, host, nullptr, instance, nullptr);
  SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SendMessageA(box, LB_SETITEMHEIGHT, 0, 13);
  THSListBox list(box);
  TfAddFolder dialog(instance, host);
  if (!dialog.handle()) {
    std::fprintf(stderr, "bench_source_list: the Add Folder dialog cannot be created (no display?)\n");
    return 1;
  }

  Times small = Median(dialog, list, argv[1], 5);
  Times large = Median(dialog, list, argv[2], 3);
  std::printf("%-28s %8s %12s %12s %12s\n", "", "files", "add ms", "remove ms", "total ms");
  std::printf("%-28s %8d %12.1f %12.1f %12.1f\n", "Add Folder + Remove Selected", small.files, small.add_ms,
              small.remove_ms, small.total());
  std::printf("%-28s %8d %12.1f %12.1f %12.1f\n", "Add Folder + Remove Selected", large.files, large.add_ms,
              large.remove_ms, large.total());
  double ratio = large.total() / small.total();
  std::printf(
      "ratio %d/%d files: add %.1f, remove %.1f, total %.1f (linear is %.0f; must stay under 15: %s)\n",
      large.files, small.files, large.add_ms / small.add_ms, large.remove_ms / small.remove_ms, ratio,
      static_cast<double>(large.files) / small.files, ratio < 15.0 ? "met" : "NOT MET");
  DestroyWindow(host);
  return 0;
}
