// Packaging: each source file deflated into the data part (SETUP.1), one
// file entry per file, and the settings part (SETUP.0) with the settings
// record and the five entry tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/os.h"
#include "compiler/engine/run_state.h"
#include "compiler/engine/script.h"
#include "project/ini_file.h"

namespace kestro::compiler {

// Block size of the compressor's input and output buffers.
inline constexpr size_t kCompressBlock = 16384;
inline constexpr int kCompressLevel = 7;

// Fills buf with up to n bytes; 0 at the end. Raises IoError on failure.
using ReadFn = std::function<size_t(uint8_t* buf, size_t n)>;
// Appends n bytes. Raises IoError on failure.
using WriteFn = std::function<void(const uint8_t* buf, size_t n)>;

struct CompressResult {
  bool ok = false;
  uint32_t adler32 = 0;
  uint64_t packed_size = 0;
  uint64_t read_size = 0;  // the bytes actually compressed
};

// One zlib stream: level as given, window 2^15, memory level 8, default
// strategy; a partial flush after every input block of 16384 bytes and a
// finish at the end.
CompressResult CompressFile(const ReadFn& read, const WriteFn& write, int level);

// The same streams, one after the other, from one deflate state that is
// reset between them (the same bytes as a fresh state, without setting up
// its tables for every file).
class Compressor {
 public:
  explicit Compressor(int level);
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // The input buffer of kCompressBlock bytes.
  uint8_t* input() { return in_.get(); }
  // One stream. The first `first` bytes of input() are the stream's first
  // block, already read; 0 when nothing was read yet.
  CompressResult Compress(size_t first, const ReadFn& read, const WriteFn& write);

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::unique_ptr<uint8_t[]> in_, out_;
};

// Opens a source file for reading; a name that cannot be found and is
// UTF-8 gets a message that says how to convert the project.
void OpenSource(const std::string& source, os::File* file);

// How the data part is made: the number of compressing threads and the
// bytes of compressed streams that may wait for their turn (see streams.h).
struct PackOptions {
  int jobs = 1;
  size_t budget = 8u << 20;
};

// Paths the packaging uses.
struct WorkPaths {
  std::string work_folder;   // without trailing separator
  std::string password_val;  // the built-in file
  std::string setup0, setup1, setup_exe;
  // The work files' creation: kCreateNew in a private work folder.
  os::File::Mode create = os::File::kCreate;
};

// The source files: File1, File2, ... up to the first missing or empty one
// (at most 60000).
std::vector<std::string> SourceFiles(const project::IniFile& ini);

// Stops the run when a source file's name would give a destination the
// extractor refuses ("a?b.txt", "aux.txt", a name cut to 63 characters
// that ends in a dot). Entry 1 is sources[0]. Stage 8 runs it before
// SETUP.1 is created.
void CheckSourceNames(const std::vector<std::string>& sources);

// Called after each block read from a source file, with its path and the
// bytes read so far: a seam for tests that change a file while it is
// packed. Empty in the product.
using SourceReadHook = std::function<void(const std::string& source, uint64_t read)>;
void SetSourceReadHook(SourceReadHook hook);
// Calls the hook, if one is set (on whichever thread reads the source).
void NotifySourceRead(const std::string& source, uint64_t read);

// The file entry's DOS time of a source: its local modification time; with
// a source date epoch (>= 0), its UTC time, no later than the epoch. Both
// times are those of the one status call on the open source.
uint32_t SourceDosTime(uint32_t local_dos, int64_t modified_unix, int64_t source_date_epoch);

// Stage 8: SETUP.1 and the file list. pending_error is an I/O error code
// remembered from preparing the folders (0 for none): it surfaces when
// SETUP.1 is created.
void BuildDataPart(const project::IniFile& ini, const WorkPaths& paths, int pending_error, RunState& run,
                   Script* script, const PackOptions& pack = {});

// Stage 9: SETUP.0 with the counts filled in.
void BuildSettingsPart(const WorkPaths& paths, RunState& run, Script* script);

// The largest size and offset the format can hold.
inline constexpr uint64_t kMaxFormatSize = 0xFFFFFFFFu;

}  // namespace kestro::compiler
