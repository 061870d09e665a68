// The "files" page's source list: the handlers of its four picture buttons.
// lbSrcFiles is a THSListBox (multiple selection, not sorted) whose entries
// are full paths in the order they were added; duplicates are kept.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/hs_list_box.h"

namespace kestro::wizard {

class TfAddFolder;

// Add Files: shows the open dialog ("All Files (*.*)|*.*", multiple
// selection, read-only box hidden) and appends every chosen path in the
// dialog's order. Cancelling changes nothing.
void btnAddSrcFilesClick(HWND owner, ui::THSListBox& lbSrcFiles);
// Add Folder: shows the dialog modally; on OK the folder's files are added.
void btnAddSrcDirClick(TfAddFolder& fAddFolder, ui::THSListBox& lbSrcFiles);
// Remove Selected: every selected entry goes, the others keep their order.
void btnRmSelFilesClick(ui::THSListBox& lbSrcFiles);
// Remove All: asks "Remove All" (Yes/No, No the default); Yes empties the list.
void btnRmAllFilesClick(HWND owner, ui::THSListBox& lbSrcFiles);

// The files (not folders) directly inside `folder` as folder-plus-name
// paths, in the file system's order: a backslash is appended to the folder
// unless it is empty or ends with one; an empty folder names the current
// folder and gives bare names; a missing folder gives none.
std::vector<std::string> FolderFiles(const std::string& folder);

}  // namespace kestro::wizard
