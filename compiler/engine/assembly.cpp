#include "compiler/engine/assembly.h"

#include <cstring>

#include "common/errors.h"
#include "common/paths.h"
#include "compiler/engine/packer.h"
#include "format/records.h"

namespace kestro::compiler {

namespace {

bool ReadFileAt(void* ctx, uint64_t pos, void* buf, size_t n) {
  os::File& file = *static_cast<os::File*>(ctx);
  file.Seek(pos);
  return file.Read(buf, n) == n;
}

}  // namespace

int64_t FindMarker(os::File& file) {
  // The extractor reads the header at the first marker; the header is
  // written there, whatever else the stub carries.
  uint8_t buf[kAssemblyBlock];
  return format::FindMarkerInFile(ReadFileAt, &file, file.Size(), format::kMarker, buf, sizeof buf);
}

void CopyStub(const std::string& stub, const std::string& setup_exe, bool exclusive) {
  if ((exclusive ? os::CopyFileNew(stub, setup_exe) : os::CopyFileOver(stub, setup_exe)) != 0)
    throw Error("Couldnt copy " + stub + " to " + setup_exe + " .");
}

namespace {

uint64_t Append(os::File& to, const std::string& path) {
  os::File from(path, os::File::kRead);
  return os::CopyRest(from, to);
}

void AssembleOutput(const std::string& setup_exe, const std::string& setup0, const std::string& setup1) {
  os::File exe(setup_exe, os::File::kReadWrite);
  int64_t marker = FindMarker(exe);
  if (marker < 0) throw Error("BIG ERROR! SingleExeID in SETUP.EXE not found");
  uint8_t old_header[format::kExeHeaderSize];
  exe.Seek(static_cast<uint64_t>(marker));
  exe.ReadExact(old_header, sizeof old_header);

  // The whole file's size was checked before the stub was copied (run.cpp).
  uint64_t stub_size = exe.Size();

  format::ExeHeader header;
  header.settings_offset = static_cast<uint32_t>(stub_size);
  exe.SeekEnd();
  uint64_t data_offset = stub_size + Append(exe, setup0);
  header.data_offset = static_cast<uint32_t>(data_offset);
  Append(exe, setup1);

  uint8_t bytes[format::kExeHeaderSize];
  format::EncodeExeHeader(header, bytes);
  exe.Seek(static_cast<uint64_t>(marker));
  exe.Write(bytes, sizeof bytes);
  exe.Close();
}

}  // namespace

void AddHeader(const std::string& setup_exe, const std::string& setup0, const std::string& setup1) {
  try {
    AssembleOutput(setup_exe, setup0, setup1);
  } catch (...) {
    os::RemoveFile(setup_exe);
    os::RemoveFile(setup0);
    os::RemoveFile(setup1);
    throw;
  }
  os::RemoveFile(setup0);
  os::RemoveFile(setup1);
}

bool Deliver(const std::string& setup_exe, const std::string& output) {
  std::string temp = ExtractFilePath(output) + "~" + ExtractFileName(output) + ".kestro-tmp";
  if (os::CopyFileOver(setup_exe, temp) != 0 || os::RenameFile(temp, output) != 0) {
    os::RemoveFile(temp);
    return false;
  }
  return true;
}

}  // namespace kestro::compiler
