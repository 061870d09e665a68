#include "compiler/engine/packer.h"

#include <zlib.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "common/cp1252.h"
#include "common/dos_time.h"
#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/version.h"
#include "compiler/engine/streams.h"
#include "format/rules.h"
#include "project/keys.h"

namespace kestro::compiler {

struct Compressor::State {
  z_stream zs{};
  bool ready = false;  // initialised
  bool used = false;   // a stream has begun since the last reset
};

Compressor::Compressor(int level)
    : state_(new State), in_(new uint8_t[kCompressBlock]), out_(new uint8_t[kCompressBlock]) {
  state_->ready = deflateInit2(&state_->zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

Compressor::~Compressor() {
  if (state_->ready) deflateEnd(&state_->zs);
}

CompressResult Compressor::Compress(size_t first, const ReadFn& read, const WriteFn& write) {
  CompressResult result;
  if (!state_->ready) return result;
  z_stream& zs = state_->zs;
  if (state_->used && deflateReset(&zs) != Z_OK) return result;
  state_->used = true;

  // Runs deflate with the given flush until it has no more output for now;
  // false on a stream error.
  auto pump = [&](int flush) {
    int rc;
    do {
      zs.next_out = out_.get();
      zs.avail_out = kCompressBlock;
      rc = deflate(&zs, flush);
      if (rc == Z_STREAM_ERROR) return false;
      size_t have = kCompressBlock - zs.avail_out;
      if (have > 0) {
        write(out_.get(), have);
        result.packed_size += have;
      }
    } while (flush == Z_FINISH ? rc != Z_STREAM_END : zs.avail_out == 0);
    return true;
  };

  for (size_t n = first ? first : read(in_.get(), kCompressBlock); n > 0;
       n = read(in_.get(), kCompressBlock)) {
    result.read_size += n;
    zs.next_in = in_.get();
    zs.avail_in = static_cast<uInt>(n);
    if (!pump(Z_PARTIAL_FLUSH)) return result;
  }
  zs.next_in = nullptr;
  zs.avail_in = 0;
  if (!pump(Z_FINISH)) return result;
  result.adler32 = static_cast<uint32_t>(zs.adler);
  result.ok = true;
  return result;
}

CompressResult CompressFile(const ReadFn& read, const WriteFn& write, int level) {
  Compressor compressor(level);
  return compressor.Compress(0, read, write);
}

// A project written in UTF-8 names its non-ASCII files in bytes that, read as
// Windows-1252 like every project, name no file: say why rather than only
// "not found".
void OpenSource(const std::string& source, os::File* file) {
  try {
    file->Open(source, os::File::kRead);
  } catch (const IoError& e) {
    if (e.code() != kFileNotFound || !cp1252::IsNonAsciiUtf8(source.data(), source.size())) throw;
    throw Error(std::string(e.what()) + ". The project names " + Utf8ToCp1252(source) +
                " in UTF-8, but project files are Windows-1252: convert the project with "
                "iconv -f UTF-8 -t WINDOWS-1252");
  }
}

namespace {

SourceReadHook& ReadHook() {
  static SourceReadHook hook;
  return hook;
}

std::string FileKey(int i) { return "File" + std::to_string(i); }

// Collects pieces and writes them in large ones; a piece as large as the
// buffer is written as it is.
class BufferedWriter {
 public:
  BufferedWriter(os::File& file, size_t size) : file_(file), buf_(new uint8_t[size]), size_(size) {}
  void Put(const uint8_t* p, size_t n) {
    if (used_ + n > size_) Flush();
    if (n >= size_) {
      file_.Write(p, n);
      return;
    }
    memcpy(buf_.get() + used_, p, n);
    used_ += n;
  }
  void Flush() {
    if (used_ > 0) file_.Write(buf_.get(), used_);
    used_ = 0;
  }

 private:
  os::File& file_;
  std::unique_ptr<uint8_t[]> buf_;
  size_t size_, used_ = 0;
};

constexpr size_t kDataBuffer = 1u << 20;
constexpr size_t kSettingsBuffer = 65536;

}  // namespace

std::vector<std::string> SourceFiles(const project::IniFile& ini) {
  std::vector<std::string> sources;
  for (int i = 1; i <= project::kMaxEntries; ++i) {
    std::string source = ini.ReadString(project::kSectionFiles, FileKey(i), "");
    if (source.empty()) break;
    sources.push_back(std::move(source));
  }
  return sources;
}

void SetSourceReadHook(SourceReadHook hook) { ReadHook() = std::move(hook); }

void NotifySourceRead(const std::string& source, uint64_t read) {
  if (ReadHook()) ReadHook()(source, read);
}

uint32_t SourceDosTime(uint32_t local_dos, int64_t modified_unix, int64_t source_date_epoch) {
  if (source_date_epoch < 0) return local_dos;
  return PackDos(CivilFromUnix(modified_unix < source_date_epoch ? modified_unix : source_date_epoch));
}

void CheckSourceNames(const std::vector<std::string>& sources) {
  for (size_t k = 0; k < sources.size(); ++k) {
    const int i = static_cast<int>(k) + 1;
    std::string name = ExtractFileName(sources[k]);
    format::PStr<63> destination;
    format::MakeDestination(name.data(), name.size(), &destination);
    if (!format::SafeDestination(destination.chars, destination.len)) {
      std::string message =
          Format("ERROR! Eintrag %d der Sektion [Files] (%s) ergibt keinen g\xFCltigen Dateinamen: %s", i,
                 name.c_str(), std::string(destination.chars, destination.len).c_str());
      // A folder listing shows what the code page cannot hold as "?".
      if (name.find('?') != std::string::npos)
        message += " (a \"?\" may stand for a character that Windows-1252 cannot hold: rename the file)";
      throw Error(message);
    }
  }
}

void BuildDataPart(const project::IniFile& ini, const WorkPaths& paths, int pending_error, RunState& run,
                   Script* script, const PackOptions& pack) {
  std::vector<std::string> files = SourceFiles(ini);
  run.SetMaximum(static_cast<int>(files.size()) + 5);
  CheckSourceNames(files);
  // password.val first, then the files.
  std::vector<std::string> sources = {paths.password_val};
  sources.insert(sources.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
  os::File data;
  try {
    data.Open(paths.setup1, paths.create);
  } catch (const IoError& e) {
    throw IoError(pending_error ? pending_error : e.code());
  }
  BufferedWriter out(data, kDataBuffer);
  try {
    if (pending_error) throw IoError(pending_error);
    SourceStreams streams(sources, pack);
    uint64_t length = 0;
    for (size_t i = 0; i <= static_cast<size_t>(project::kMaxEntries); ++i) {
      run.Advance();
      run.Checkpoint();
      format::FileEntry entry;
      if (i > 0) {
        if (i >= sources.size()) break;
        std::string name = ExtractFileName(sources[i]);
        format::MakeDestination(name.data(), name.size(), &entry.destination);
        run.Checkpoint();
      } else {
        entry.destination.Set("%a\\password.val");
        entry.flags = format::kFileFlagBuiltIn;
      }
      run.Checkpoint();

      const std::string& source = sources[i];
      SourceInfo info = streams.Open(i);
      entry.version_ms = info.version.ms;
      entry.version_ls = info.version.ls;
      uint64_t size = info.size;
      run.Status("Compressing Files... " + ExtractFileName(source) + " (" + std::to_string(size / 1024 + 1) +
                 " kb)");
      run.ShowPercentage();
      if (size > kMaxFormatSize)
        throw Error("The source file " + source +
                    " is 4 GB or larger; a self-extracting file cannot hold it");
      entry.offset = static_cast<uint32_t>(length);
      entry.size = static_cast<uint32_t>(size);
      out.Put(format::kStreamMagic, sizeof format::kStreamMagic);
      length += sizeof format::kStreamMagic;
      CompressResult packed = streams.Write(i, [&](const uint8_t* buf, size_t n) {
        out.Put(buf, n);
        length += n;
      });
      if (!packed.ok) throw Error("The source file " + source + " could not be compressed");
      // The entry records the size taken when the file was opened; a file
      // that grew or shrank meanwhile would give a stream of another length.
      if (packed.read_size != size)
        throw Error("The source file " + source + " changed while it was compressed (" +
                    std::to_string(size) + " bytes when opened, " + std::to_string(packed.read_size) +
                    " compressed)");
      if (length > kMaxFormatSize)
        throw Error("The data part passes 4 GB with the source file " + source +
                    "; a self-extracting file cannot hold it");
      entry.adler32 = packed.adler32;
      entry.packed_size = static_cast<uint32_t>(length - entry.offset - sizeof format::kStreamMagic);
      entry.dos_date_time =
          i > 0 ? SourceDosTime(info.dos_date_time, info.modified_unix, script->source_date_epoch)
                : info.dos_date_time;
      script->files.push_back(entry);
    }
    out.Flush();
    data.Close();
  } catch (const Cancelled&) {
    // SETUP.1 stays as far as it was written
    try {
      out.Flush();
    } catch (const Error&) {
      // the run is cancelled; what could not be written is not reported
    }
    data.Close();
    throw;
  } catch (...) {
    data.Close();
    os::RemoveFile(paths.setup1);
    throw;
  }
}

namespace {

template <class Entry, size_t N>
void PutAll(BufferedWriter& w, const std::vector<Entry>& list, void (*encode)(const Entry&, uint8_t*)) {
  uint8_t rec[N];
  for (const Entry& e : list) {
    encode(e, rec);
    w.Put(rec, N);
  }
}

}  // namespace

void BuildSettingsPart(const WorkPaths& paths, RunState& run, Script* script) {
  os::File file;
  try {
    file.Open(paths.setup0, paths.create);
    BufferedWriter w(file, kSettingsBuffer);
    w.Put(format::kSettingsMagic, sizeof format::kSettingsMagic);
    format::SetupSettings& s = script->settings;
    s.dir_count = static_cast<uint16_t>(script->dirs.size());
    s.file_count = static_cast<uint16_t>(script->files.size());
    s.icon_count = static_cast<uint16_t>(script->icons.size());
    s.ini_count = static_cast<uint16_t>(script->inis.size());
    s.reg_count = static_cast<uint16_t>(script->regs.size());
    std::vector<uint8_t> rec(format::kSettingsSize);
    format::EncodeSettings(s, rec.data());
    w.Put(rec.data(), rec.size());
    PutAll<format::DirEntry, format::kDirEntrySize>(w, script->dirs, format::EncodeDirEntry);
    PutAll<format::FileEntry, format::kFileEntrySize>(w, script->files, format::EncodeFileEntry);
    PutAll<format::IconEntry, format::kIconEntrySize>(w, script->icons, format::EncodeIconEntry);
    PutAll<format::IniEntry, format::kIniEntrySize>(w, script->inis, format::EncodeIniEntry);
    PutAll<format::RegEntry, format::kRegEntrySize>(w, script->regs, format::EncodeRegEntry);
    w.Flush();
  } catch (...) {
    file.Close();
    run.Advance();
    throw;
  }
  file.Close();
  run.Advance();
}

}  // namespace kestro::compiler
