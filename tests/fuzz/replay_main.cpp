// Runs inputs through a fuzz target without libFuzzer, for builds made
// with g++ (the sanitizer build of scripts/test): every file of the seed
// corpus (the first folder, which must hold at least one) and of the kept
// findings (the second, which may not exist yet), in name order. A broken
// property or a sanitizer report ends the run with the input's name.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tests/fuzz/fuzz_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> files_in(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) files.push_back(it->path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s SEED-FOLDER [FINDINGS-FOLDER]\n", argv[0]);
    return 2;
  }
  int total = 0;
  for (int a = 1; a < argc; ++a) {
    const fs::path folder = argv[a];
    const std::vector<fs::path> files = files_in(folder);
    if (a == 1 && files.empty()) {
      std::fprintf(stderr, "no seeds in %s\n", folder.c_str());
      return 1;
    }
    for (const fs::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      // Named first: a failure below ends the process before anything else is said.
      std::fprintf(stderr, "%s\n", file.c_str());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs from %s\n", files.size(), folder.c_str());
    total += static_cast<int>(files.size());
  }
  std::printf("replayed %d inputs\n", total);
  return 0;
}
