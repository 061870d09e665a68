#include "compiler/engine/packer.h"

#include <zlib.h>

#include <memory>
#include <vector>

#include "common/cp1252.h"
#include "common/dos_time.h"
#include "common/errors.h"
#include "common/os.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/version.h"
#include "format/rules.h"
#include "project/keys.h"

namespace kestro::compiler {

CompressResult CompressFile(const ReadFn& read, const WriteFn& write, int level) {
  CompressResult result;
  z_stream zs{};
  if (deflateInit2(&zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return result;
  struct StreamEnd {
    z_stream* zs;
    ~StreamEnd() { deflateEnd(zs); }
  } stream_end{&zs};
  std::unique_ptr<uint8_t[]> in(new uint8_t[kCompressBlock]);
  std::unique_ptr<uint8_t[]> out(new uint8_t[kCompressBlock]);

  // Runs deflate with the given flush until it has no more output for now;
  // false on a stream error.
  auto pump = [&](int flush) {
    int rc;
    do {
      zs.next_out = out.get();
      zs.avail_out = kCompressBlock;
      rc = deflate(&zs, flush);
      if (rc == Z_STREAM_ERROR) return false;
      size_t have = kCompressBlock - zs.avail_out;
      if (have > 0) {
        write(out.get(), have);
        result.packed_size += have;
      }
    } while (flush == Z_FINISH ? rc != Z_STREAM_END : zs.avail_out == 0);
    return true;
  };

  for (;;) {
    size_t n = read(in.get(), kCompressBlock);
    if (n == 0) break;
    result.read_size += n;
    zs.next_in = in.get();
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

namespace {

// A project written in UTF-8 names its non-ASCII files in bytes that, read as
// Windows-1252 like every project, name no file: say why rather than only
// "not found".
os::File OpenSource(const std::string& source) {
  try {
    return os::File(source, os::File::kRead);
  } catch (const IoError& e) {
    if (e.code() != kFileNotFound || !cp1252::IsNonAsciiUtf8(source.data(), source.size())) throw;
    throw Error(std::string(e.what()) + ". The project names " + Utf8ToCp1252(source) +
                " in UTF-8, but project files are Windows-1252: convert the project with "
                "iconv -f UTF-8 -t WINDOWS-1252");
  }
}

}  // namespace

int CountSourceFiles(const project::IniFile& ini) {
  int n = 0;
  while (n < project::kMaxEntries &&
         !ini.ReadString(project::kSectionFiles, "File" + std::to_string(n + 1), "").empty())
    ++n;
  return n;
}

namespace {

SourceReadHook& ReadHook() {
  static SourceReadHook hook;
  return hook;
}

std::string FileKey(int i) { return "File" + std::to_string(i); }

}  // namespace

void SetSourceReadHook(SourceReadHook hook) { ReadHook() = std::move(hook); }

uint32_t SourceDosTime(const std::string& source, int64_t source_date_epoch) {
  if (source_date_epoch < 0) return os::FileDosDateTime(source);
  int64_t t;
  if (!os::FileModifiedUnix(source, &t)) return 0;
  return PackDos(CivilFromUnix(t < source_date_epoch ? t : source_date_epoch));
}

void CheckSourceNames(const project::IniFile& ini) {
  for (int i = 1; i <= project::kMaxEntries; ++i) {
    std::string source = ini.ReadString(project::kSectionFiles, FileKey(i), "");
    if (source.empty()) break;
    std::string name = ExtractFileName(source);
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
                   Script* script) {
  run.SetMaximum(CountSourceFiles(ini) + 5);
  CheckSourceNames(ini);
  os::File data;
  try {
    data.Open(paths.setup1, paths.create);
  } catch (const IoError& e) {
    throw IoError(pending_error ? pending_error : e.code());
  }
  try {
    if (pending_error) throw IoError(pending_error);
    uint64_t length = 0;
    for (int i = 0; i <= project::kMaxEntries; ++i) {
      run.Advance();
      run.Checkpoint();
      format::FileEntry entry;
      std::string source;
      if (i > 0) {
        source = ini.ReadString(project::kSectionFiles, FileKey(i), "");
        if (source.empty()) break;
        std::string name = ExtractFileName(source);
        format::MakeDestination(name.data(), name.size(), &entry.destination);
        run.Checkpoint();
      } else {
        source = paths.password_val;
        entry.destination.Set("%a\\password.val");
        entry.flags = format::kFileFlagBuiltIn;
      }
      FileVersionWords version;
      FileVersion(source, &version);
      entry.version_ms = version.ms;
      entry.version_ls = version.ls;
      run.Checkpoint();

      os::File in = OpenSource(source);
      uint64_t size = in.Size();
      run.Status("Compressing Files... " + ExtractFileName(source) + " (" + std::to_string(size / 1024 + 1) +
                 " kb)");
      run.ShowPercentage();
      if (size > kMaxFormatSize)
        throw Error("The source file " + source +
                    " is 4 GB or larger; a self-extracting file cannot hold it");
      entry.offset = static_cast<uint32_t>(length);
      entry.size = static_cast<uint32_t>(size);
      data.Write(format::kStreamMagic, sizeof format::kStreamMagic);
      length += sizeof format::kStreamMagic;
      uint64_t read = 0;
      CompressResult packed = CompressFile(
          [&](uint8_t* buf, size_t n) {
            size_t got = in.Read(buf, n);
            read += got;
            if (ReadHook()) ReadHook()(source, read);
            return got;
          },
          [&](const uint8_t* buf, size_t n) {
            data.Write(buf, n);
            length += n;
          },
          kCompressLevel);
      in.Close();
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
          i > 0 ? SourceDosTime(source, script->source_date_epoch) : os::FileDosDateTime(source);
      script->files.push_back(entry);
    }
    data.Close();
  } catch (const Cancelled&) {
    throw;  // SETUP.1 stays as far as it was written
  } catch (...) {
    data.Close();
    os::RemoveFile(paths.setup1);
    throw;
  }
}

namespace {

// Collects small records and writes them in large pieces.
class BufferedWriter {
 public:
  explicit BufferedWriter(os::File& file) : file_(file) { buf_.reserve(kSize); }
  void Put(const uint8_t* p, size_t n) {
    if (buf_.size() + n > kSize) Flush();
    buf_.insert(buf_.end(), p, p + n);
  }
  void Flush() {
    if (!buf_.empty()) file_.Write(buf_.data(), buf_.size());
    buf_.clear();
  }

 private:
  static constexpr size_t kSize = 65536;
  os::File& file_;
  std::vector<uint8_t> buf_;
};

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
    BufferedWriter w(file);
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
