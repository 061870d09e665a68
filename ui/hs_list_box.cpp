#include "ui/hs_list_box.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace kestro::ui {
namespace {

constexpr UINT_PTR kHookId = 0x4853;  // "HS"

// Measures entries in the box's font, on a memory device context that the
// box keeps: a window's own context is slow to get on some systems.
class Measurer {
 public:
  Measurer(HWND list, HDC* dc) : dc_(*dc) {
    if (!dc_) dc_ = *dc = CreateCompatibleDC(nullptr);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    old_ = SelectObject(dc_, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA tm;
    GetTextMetricsA(dc_, &tm);
    margin_ = tm.tmAveCharWidth;
  }
  ~Measurer() { SelectObject(dc_, old_); }
  Measurer(const Measurer&) = delete;
  Measurer& operator=(const Measurer&) = delete;

  int Width(const char* text, size_t len) const {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc_, text, static_cast<int>(len), &size);
    return size.cx + margin_;
  }
  int Width(const std::string& text) const { return Width(text.data(), text.size()); }

 private:
  HDC dc_;
  HGDIOBJ old_;
  int margin_ = 0;
};

std::string ItemText(HWND list, int index) {
  LRESULT len = SendMessageA(list, LB_GETTEXTLEN, index, 0);
  if (len == LB_ERR) return std::string();
  std::string text(static_cast<size_t>(len) + 1, '\0');
  len = SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(len == LB_ERR ? 0 : static_cast<size_t>(len));
  return text;
}

// Switches a box's painting off while many entries change.
class NoRedraw {
 public:
  explicit NoRedraw(HWND list) : list_(list) { SendMessageA(list_, WM_SETREDRAW, FALSE, 0); }
  ~NoRedraw() {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  NoRedraw(const NoRedraw&) = delete;
  NoRedraw& operator=(const NoRedraw&) = delete;

 private:
  HWND list_;
};

// Beyond this many deletions the box is refilled with the entries that stay:
// each single deletion moves every entry behind it.
constexpr size_t kRefillAbove = 64;

}  // namespace

void THSListBox::Attach(HWND list) {
  Detach();
  wnd_ = list;
  if (!wnd_) return;
  SetWindowSubclass(wnd_, Hook, kHookId, reinterpret_cast<DWORD_PTR>(this));
  int count = Count();
  widest_ = count > 0 ? RecomputeWidest(-1) : 0;
  SendMessageA(wnd_, LB_SETHORIZONTALEXTENT, widest_, 0);
}

void THSListBox::Detach() {
  if (wnd_ && IsWindow(wnd_)) RemoveWindowSubclass(wnd_, Hook, kHookId);
  wnd_ = nullptr;
  if (dc_) DeleteDC(dc_);
  dc_ = nullptr;
}

LRESULT CALLBACK THSListBox::Hook(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  auto* self = reinterpret_cast<THSListBox*>(ref);
  if (!self->bulk_ && self->HasStrings()) {
    switch (msg) {
      case LB_ADDSTRING:
      case LB_INSERTSTRING:
        if (lp) {
          const char* text = reinterpret_cast<const char*>(lp);
          int width = Measurer(wnd, &self->dc_).Width(text, strlen(text));
          if (width > self->widest_) self->SetWidest(width);
        }
        break;
      case LB_DELETESTRING: {
        int index = static_cast<int>(wp);
        if (index >= 0 && index < self->Count() && self->EntryWidth(ItemText(wnd, index)) == self->widest_)
          self->SetWidest(self->RecomputeWidest(index));
        break;
      }
      case LB_RESETCONTENT: self->SetWidest(0); break;
    }
  }
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(wnd, Hook, kHookId);
    self->wnd_ = nullptr;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

void THSListBox::SetWidest(int width) {
  widest_ = width;
  SendMessageA(wnd_, LB_SETHORIZONTALEXTENT, width, 0);
}

int THSListBox::RecomputeWidest(int skip_index) const {
  Measurer measure(wnd_, &dc_);
  int widest = 0, count = Count();
  for (int i = 0; i < count; ++i)
    if (i != skip_index) widest = std::max(widest, measure.Width(ItemText(wnd_, i)));
  return widest;
}

int THSListBox::Count() const {
  LRESULT n = SendMessageA(wnd_, LB_GETCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<int>(n);
}

std::string THSListBox::Item(int index) const { return ItemText(wnd_, index); }

std::vector<std::string> THSListBox::Items() const {
  std::vector<std::string> items;
  int count = Count();
  items.reserve(count);
  for (int i = 0; i < count; ++i) items.push_back(ItemText(wnd_, i));
  return items;
}

void THSListBox::Add(const std::string& text) {
  SendMessageA(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void THSListBox::Insert(int index, const std::string& text) {
  SendMessageA(wnd_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
}

void THSListBox::Delete(int index) { SendMessageA(wnd_, LB_DELETESTRING, index, 0); }

void THSListBox::Clear() { SendMessageA(wnd_, LB_RESETCONTENT, 0, 0); }

void THSListBox::AddMany(const std::vector<std::string>& texts) {
  if (texts.empty()) return;
  size_t bytes = 0;
  for (const std::string& t : texts) bytes += t.size() + 1;
  NoRedraw quiet(wnd_);
  SendMessageA(wnd_, LB_INITSTORAGE, texts.size(), bytes);
  int widest = 0;
  {
    Measurer measure(wnd_, &dc_);
    bulk_ = true;
    for (const std::string& t : texts) {
      widest = std::max(widest, measure.Width(t));
      SendMessageA(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
    bulk_ = false;
  }
  if (widest > widest_) SetWidest(widest);
}

std::vector<int> THSListBox::SelectedIndices() const {
  std::vector<int> selected;
  LRESULT n = SendMessageA(wnd_, LB_GETSELCOUNT, 0, 0);
  if (n == LB_ERR) {  // a single-selection box
    LRESULT cur = SendMessageA(wnd_, LB_GETCURSEL, 0, 0);
    if (cur != LB_ERR) selected.push_back(static_cast<int>(cur));
    return selected;
  }
  selected.resize(static_cast<size_t>(n));
  if (n > 0) {
    n = SendMessageA(wnd_, LB_GETSELITEMS, n, reinterpret_cast<LPARAM>(selected.data()));
    selected.resize(n == LB_ERR ? 0 : static_cast<size_t>(n));
  }
  std::sort(selected.begin(), selected.end());
  return selected;
}

void THSListBox::SetSelected(int index, bool selected) {
  if (SendMessageA(wnd_, LB_SETSEL, selected, index) == LB_ERR && selected)
    SendMessageA(wnd_, LB_SETCURSEL, index, 0);
}

// The entries and the width come out as if the entries had been deleted one
// by one: the width is measured again only when a deleted entry was as wide
// as the widest.
void THSListBox::DeleteMany(std::vector<int> indices) {
  const int count = Count();
  indices.erase(
      std::remove_if(indices.begin(), indices.end(), [count](int i) { return i < 0 || i >= count; }),
      indices.end());
  if (indices.empty()) return;
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());

  NoRedraw quiet(wnd_);
  bool widest_goes = false;
  std::vector<std::string> kept;
  std::vector<LRESULT> kept_data;  // each entry's item data goes with it
  {
    Measurer measure(wnd_, &dc_);
    for (int i : indices)
      if (!widest_goes && measure.Width(ItemText(wnd_, i)) == widest_) widest_goes = true;
  }
  bulk_ = true;
  if (indices.size() > kRefillAbove) {
    kept.reserve(count - indices.size());
    size_t next = 0;
    size_t bytes = 0;
    for (int i = 0; i < count; ++i) {
      if (next < indices.size() && indices[next] == i) {
        ++next;
        continue;
      }
      kept.push_back(ItemText(wnd_, i));
      kept_data.push_back(SendMessageA(wnd_, LB_GETITEMDATA, i, 0));
      bytes += kept.back().size() + 1;
    }
    SendMessageA(wnd_, LB_RESETCONTENT, 0, 0);
    SendMessageA(wnd_, LB_INITSTORAGE, kept.size(), bytes);
    for (size_t i = 0; i < kept.size(); ++i) {
      LRESULT at = SendMessageA(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kept[i].c_str()));
      if (kept_data[i]) SendMessageA(wnd_, LB_SETITEMDATA, at, kept_data[i]);
    }
  } else {
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) SendMessageA(wnd_, LB_DELETESTRING, *it, 0);
  }
  bulk_ = false;
  if (widest_goes) {
    int widest = 0;
    if (!kept.empty()) {
      Measurer measure(wnd_, &dc_);
      for (const std::string& t : kept) widest = std::max(widest, measure.Width(t));
    } else if (Count() > 0) {
      widest = RecomputeWidest(-1);
    }
    SetWidest(widest);
  } else {
    SendMessageA(wnd_, LB_SETHORIZONTALEXTENT, widest_, 0);
  }
}

// An owner-drawn box without LBS_HASSTRINGS holds item data, not texts.
bool THSListBox::HasStrings() const {
  LONG_PTR style = GetWindowLongPtrA(wnd_, GWL_STYLE);
  return (style & LBS_HASSTRINGS) || !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE));
}

int THSListBox::HorizontalExtent() const {
  return static_cast<int>(SendMessageA(wnd_, LB_GETHORIZONTALEXTENT, 0, 0));
}

int THSListBox::EntryWidth(const std::string& text) const { return Measurer(wnd_, &dc_).Width(text); }

}  // namespace kestro::ui
