// The CP932 converter against the iconv conversion the game used before (a
// descriptor opened for every text, as it was, and one kept open), on a
// typical page line and a typical trace line. Built where iconv has CP932.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <string_view>

#include "core/text.h"

namespace nurumo {
namespace {

const std::string kPageLine = Sjis("　池のほとりに、ぬるもが一匹しずかに座っている。水面には「月」が映っていた。");
const std::string kTraceLine = Sjis("frame 1234 text 12,40 \"ぬるもは池を見ている。\" brush white");
const std::string kPageLineUtf8 = Cp932ToUtf8(kPageLine);

std::string IconvOnce(iconv_t cd, std::string_view in) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string buffer(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = buffer.data();
  std::size_t dst_left = buffer.size();
  iconv(cd, &src, &src_left, &dst, &dst_left);
  buffer.resize(buffer.size() - dst_left);
  return buffer;
}

void ReadOurs(benchmark::State& state, const std::string& line) {
  for (auto _ : state) benchmark::DoNotOptimize(Cp932ToUtf8(line));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

void ReadIconvOpenedEachTime(benchmark::State& state, const std::string& line) {
  for (auto _ : state) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    benchmark::DoNotOptimize(IconvOnce(cd, line));
    iconv_close(cd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

void ReadIconvKeptOpen(benchmark::State& state, const std::string& line) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  for (auto _ : state) benchmark::DoNotOptimize(IconvOnce(cd, line));
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

void WriteOurs(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToCp932(kPageLineUtf8));
}

void WriteIconvOpenedEachTime(benchmark::State& state) {
  for (auto _ : state) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    benchmark::DoNotOptimize(IconvOnce(cd, kPageLineUtf8));
    iconv_close(cd);
  }
}

BENCHMARK_CAPTURE(ReadOurs, PageLine, kPageLine);
BENCHMARK_CAPTURE(ReadIconvOpenedEachTime, PageLine, kPageLine);
BENCHMARK_CAPTURE(ReadIconvKeptOpen, PageLine, kPageLine);
BENCHMARK_CAPTURE(ReadOurs, TraceLine, kTraceLine);
BENCHMARK_CAPTURE(ReadIconvOpenedEachTime, TraceLine, kTraceLine);
BENCHMARK(WriteOurs);
BENCHMARK(WriteIconvOpenedEachTime);

}  // namespace
}  // namespace nurumo
