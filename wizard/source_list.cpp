#include "wizard/source_list.h"

#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "wizard/add_folder.h"

namespace kestro::wizard {

void btnAddSrcFilesClick(HWND owner, ui::THSListBox& lbSrcFiles) {
  ui::FileDialog OpenDialog;
  OpenDialog.filter = "All Files (*.*)|*.*";
  OpenDialog.multi_select = true;
  OpenDialog.hide_read_only = true;
  if (OpenDialog.Execute(owner)) lbSrcFiles.AddMany(OpenDialog.files);
}

void btnAddSrcDirClick(TfAddFolder& fAddFolder, ui::THSListBox& lbSrcFiles) {
  fAddFolder.ShowModal(lbSrcFiles);
}

// Deleting the first selected entry and scanning again from the top until
// no entry is selected leaves the unselected entries in their order; so
// does deleting all selected ones at once.
void btnRmSelFilesClick(ui::THSListBox& lbSrcFiles) { lbSrcFiles.DeleteMany(lbSrcFiles.SelectedIndices()); }

void btnRmAllFilesClick(HWND owner, ui::THSListBox& lbSrcFiles) {
  int answer =
      ui::MessageBoxService::ShowMessage(owner, "Are you sure you want to remove ALL files from the list?",
                                         "Remove All", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
  if (answer == IDYES) lbSrcFiles.Clear();
}

std::vector<std::string> FolderFiles(const std::string& folder) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  HANDLE find = FindFirstFileA((prefix + "*.*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      // Hidden and system files count; folders ("." and ".." too) do not.
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(prefix + found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  SetErrorMode(old_mode);
  return files;
}

}  // namespace kestro::wizard
