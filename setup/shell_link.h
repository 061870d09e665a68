// Shell links (.lnk files) through the shell's COM link object. COM must
// have been initialised on the calling thread.
#pragma once

#include <string>

namespace kestro::setup {

// Creates and saves one shell link. When the link object cannot be created
// or lacks IPersistFile, a message box ("SErrorCoCreateInstance",
// "SErrorQueryInterface") is shown and no link is made; a failed save is
// silent. An empty working folder is not set. Returns whether it was saved.
bool CreateShellLink(const std::string& link_file, const std::string& description, const std::string& target,
                     const std::string& working_dir);

}  // namespace kestro::setup
