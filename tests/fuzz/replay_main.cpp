// Stands in for libFuzzer's driver where the fuzz targets are built without it: replays the
// files given (or the files of the folders given) once each, so a corpus is a regression test.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputFiles(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path argument = argv[i];
    if (!fs::is_directory(argument)) {
      files.push_back(argument);
      continue;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw fs::filesystem_error("cannot read the input", file, std::make_error_code(std::errc::io_error));
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<fs::path> files = InputFiles(argc, argv);
  // An empty or missing corpus would pass without testing anything.
  if (files.empty()) {
    std::fprintf(stderr, "No inputs to replay\n");
    return 1;
  }
  for (const fs::path& file : files) {
    // Named before the run, so that the input of a failing property is on record.
    std::fprintf(stderr, "Replaying %s\n", file.c_str());
    const std::string bytes = ReadBytes(file);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
