// Without libFuzzer (g++ builds): runs a fuzz target once over each file
// named on the command line, as the fuzzer would replay a corpus. The test
// suite runs every target this way over the bundled game's own files, so
// the targets keep building between fuzz runs, the sanitizer build runs
// them over real input, and each file must be taken whole: a file the
// target refuses (outcome.h) fails the run.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/outcome.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    nurumo::fuzz::refused.clear();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (nurumo::fuzz::refused.empty()) {
      std::printf("%s: taken\n", argv[i]);
    } else {
      std::printf("%s: refused: %s\n", argv[i], nurumo::fuzz::refused.c_str());
      status = 1;
    }
  }
  return status;
}
