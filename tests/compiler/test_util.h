// Fixtures for the compiler's tests: a scratch folder, small files, a
// recording observer, and a reader of finished outputs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/engine.h"
#include "format/records.h"

namespace kestro::compiler::test {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// A stub: prefix bytes, the marker, then suffix bytes.
std::string StubBytes(size_t before, size_t after);
std::string Marker();
// Deterministic bytes: compressible text or incompressible noise.
std::string TextBytes(size_t n);
std::string NoiseBytes(size_t n, uint32_t seed);

class Recorder : public Observer {
 public:
  void Status(const std::string& text) override { statuses.push_back(text); }
  void Info(const std::string& text) override { infos.push_back(text); }
  void Progress(int position, int maximum) override { progress.emplace_back(position, maximum); }
  void Percentage(const std::string& text) override { percentages.push_back(text); }
  bool Checkpoint() override {
    ++checkpoints;
    if (on_checkpoint) on_checkpoint(checkpoints);
    return cancel_at > 0 && checkpoints >= cancel_at;
  }
  bool AskOverwrite(const std::string& text, const std::string& caption) override {
    questions.push_back(caption + "|" + text);
    return overwrite;
  }
  void Notice(NoticeKind kind, const std::string& text, const std::string& caption) override {
    notices.push_back({kind, caption + "|" + text});
  }
  void ReportFailure(const std::string& r, const std::string& f) override {
    report = r;
    fatal = f;
  }

  std::vector<std::string> statuses, infos, percentages, questions;
  std::vector<std::pair<int, int>> progress;
  std::vector<std::pair<NoticeKind, std::string>> notices;
  std::string report, fatal;
  int checkpoints = 0;
  int cancel_at = 0;  // confirm a cancel at this checkpoint (1-based); 0: never
  bool overwrite = true;
  std::function<void(int)> on_checkpoint;
};

// A finished output, read back with the format's decoders.
struct Output {
  size_t marker = 0;
  format::ExeHeader header;
  format::SetupSettings settings;
  std::vector<format::DirEntry> dirs;
  std::vector<format::FileEntry> files;
  std::vector<format::IconEntry> icons;
  std::vector<format::IniEntry> inis;
  std::vector<format::RegEntry> regs;
  std::vector<std::string> contents;  // each file's stream, inflated
  std::string bytes;
};
// Decodes everything and checks the layout (offsets, magics, lengths);
// failures are reported through gtest.
Output ReadOutput(const std::string& path);

// Inflates one zlib stream; false when it is no complete, valid stream.
bool Inflate(const std::string& stream, std::string* out);

}  // namespace kestro::compiler::test
