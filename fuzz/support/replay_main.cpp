// Runs a harness without libFuzzer: every file of the folders (and files)
// named on the command line goes once through LLVMFuzzerTestOneInput, so the
// seed corpus and the kept reproducers run in the ordinary sanitizer build.
//
//   fuzz_<target>_replay corpus/<target> crashes/<target> ...

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

// Hidden files (.gitkeep) are no inputs.
bool IsInput(const fs::path& path) { return fs::is_regular_file(path) && path.filename().string().front() != '.'; }

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path given = argv[i];
    if (fs::is_directory(given)) {
      std::vector<fs::path> found;
      for (const fs::directory_entry& entry : fs::directory_iterator(given))
        if (IsInput(entry.path())) found.push_back(entry.path());
      std::sort(found.begin(), found.end());
      inputs.insert(inputs.end(), found.begin(), found.end());
    } else if (IsInput(given)) {
      inputs.push_back(given);
    } else {
      std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
      return 2;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 2;
  }
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
      std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
      return 2;
    }
    std::printf("replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("replay: %zu inputs ran\n", inputs.size());
  return 0;
}
