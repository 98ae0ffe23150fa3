// Without libFuzzer (g++ builds): runs a fuzz target once over each file
// named on the command line, as the fuzzer would replay a corpus. The test
// suite runs every target this way over the bundled game's own files, so
// the targets keep building and their seeds keep passing between fuzz runs.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::printf("%s: done\n", argv[i]);
  }
  return 0;
}
