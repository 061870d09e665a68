// THSListBox: a standard list box that keeps its horizontal scroll extent
// equal to its widest entry, so a horizontal scroll bar shows exactly when
// an entry is wider than the box. The width of an entry is its text's width
// in the box's font plus the font's average character width.
//
// It hooks the box's own LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING and
// LB_RESETCONTENT, so the extent holds for every change, whoever sends it.
// AddMany and DeleteMany reach the same entries and extent as one change
// after the other, in one pass.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestro::ui {

class THSListBox {
 public:
  THSListBox() = default;
  // Takes over a list box (from a dialog template: give it WS_HSCROLL).
  explicit THSListBox(HWND list) { Attach(list); }
  ~THSListBox() { Detach(); }
  THSListBox(const THSListBox&) = delete;
  THSListBox& operator=(const THSListBox&) = delete;

  void Attach(HWND list);
  void Detach();
  HWND handle() const { return wnd_; }

  int Count() const;
  std::string Item(int index) const;
  std::vector<std::string> Items() const;
  void Add(const std::string& text);
  void Insert(int index, const std::string& text);
  void Delete(int index);
  void Clear();

  // Appends every text in order, measuring each once.
  void AddMany(const std::vector<std::string>& texts);
  // Indices of the selected entries, ascending.
  std::vector<int> SelectedIndices() const;
  void SetSelected(int index, bool selected);
  // Deletes the entries at these indices (any order, duplicates allowed).
  void DeleteMany(std::vector<int> indices);

  // The stored widest width (0 when empty) and the box's horizontal extent.
  int WidestWidth() const { return widest_; }
  int HorizontalExtent() const;
  // Width of a text as an entry of this box.
  int EntryWidth(const std::string& text) const;

 private:
  static LRESULT CALLBACK Hook(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
  void SetWidest(int width);
  int RecomputeWidest(int skip_index) const;
  bool HasStrings() const;

  HWND wnd_ = nullptr;
  int widest_ = 0;
  bool bulk_ = false;         // AddMany/DeleteMany keep the width themselves
  mutable HDC dc_ = nullptr;  // for measuring
};

}  // namespace kestro::ui
