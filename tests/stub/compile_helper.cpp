#include "tests/stub/compile_helper.h"

#include <stdio.h>

#include "common/os.h"
#include "compiler/engine.h"

namespace kestro::testing {
namespace {

struct QuietObserver : compiler::Observer {
  std::string notice;
  void Status(const std::string&) override {}
  void Info(const std::string&) override {}
  void Progress(int, int) override {}
  void Percentage(const std::string&) override {}
  bool Checkpoint() override { return false; }
  bool AskOverwrite(const std::string&, const std::string&) override { return true; }
  void Notice(compiler::NoticeKind, const std::string& text, const std::string&) override { notice = text; }
  void ReportFailure(const std::string& report, const std::string&) override { notice = report; }
};

}  // namespace

std::string CompileProject(const std::string& dir, const std::string& project_text,
                           const std::string& stub_path) {
  std::string project = dir + "\\project.tkp";
  FILE* f = fopen(os::HostPath(project).c_str(), "wb");
  if (!f) return "cannot write " + project;
  fwrite(project_text.data(), 1, project_text.size(), f);
  fclose(f);
  std::string cwd = os::CurrentDir();
  compiler::RunOptions options;
  options.stub_path = stub_path;
  // Tests run in parallel: each compile in a work folder of its own.
  options.private_work_folder = true;
  QuietObserver observer;
  compiler::RunResult r = compiler::Run({project}, options, observer);
  os::SetCurrentDir(cwd);
  if (r.ending != compiler::Ending::kCompleted || !r.delivered)
    return "compile failed: " + r.error + " " + observer.notice;
  return "";
}

}  // namespace kestro::testing
