// Per-value conversion and escaping costs; escaping is compared with memcpy
// of the same values in the same process.
#include <benchmark/benchmark.h>
#include <string.h>

#include <random>
#include <vector>

#include "bytes/escape.h"
#include "bytes/numconv.h"

namespace {

constexpr int VALUES = 4096;  // values cycled through per benchmark

// Typical amounts and keys: positive and negative, one to six base-100
// digits, up to four of them before the point.
std::vector<std::vector<ub1>> sampleNumbers() {
  std::mt19937 rng(1);
  std::vector<std::vector<ub1>> v;
  for (int i = 0; i < VALUES; i++) {
    bool neg = rng() % 4 == 0;
    int n = 1 + static_cast<int>(rng() % 6), e = 1 + static_cast<int>(rng() % 4);
    std::vector<ub1> b{static_cast<ub1>(neg ? 63 - e : 192 + e)};
    for (int k = 0; k < n; k++) {
      int d = 1 + static_cast<int>(rng() % 99);
      b.push_back(static_cast<ub1>(neg ? 101 - d : d + 1));
    }
    if (neg) b.push_back(102);
    v.push_back(b);
  }
  return v;
}

void BM_testNUMBER(benchmark::State &state) {
  auto nums = sampleNumbers();
  ub1 out[NUMBUF_SIZE];
  size_t i = 0;
  for (auto _ : state) {
    const auto &b = nums[i++ % VALUES];
    benchmark::DoNotOptimize(testNUMBER(out, b.data(), static_cast<ub2>(b.size())));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_testNUMBER);

// DATE values, and TIMESTAMP values with fractional seconds.
void BM_testTIMESTAMP(benchmark::State &state) {
  const ub2 len = static_cast<ub2>(state.range(0));
  std::mt19937 rng(3);
  std::vector<std::vector<ub1>> dates;
  for (int i = 0; i < VALUES; i++) {
    std::vector<ub1> d = {static_cast<ub1>(119 + rng() % 2), static_cast<ub1>(100 + rng() % 100),
                          static_cast<ub1>(1 + rng() % 12), static_cast<ub1>(1 + rng() % 28),
                          static_cast<ub1>(1 + rng() % 24), static_cast<ub1>(1 + rng() % 60),
                          static_cast<ub1>(1 + rng() % 60)};
    for (int k = 7; k < len; k++) d.push_back(static_cast<ub1>(k == 7 ? rng() % 60 : rng()));
    dates.push_back(d);
  }
  ub1 out[NUMBUF_SIZE];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(testTIMESTAMP(out, dates[i++ % VALUES].data(), len));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_testTIMESTAMP)->Arg(7)->Arg(11);

// Text values of 2 to 2 * state.range(0) bytes (names, codes, addresses):
// letters, digits and blanks, and with escapes one special byte per 64.
std::vector<std::vector<unsigned char>> sampleTexts(int meanLen, bool escapes) {
  std::mt19937 rng(2);
  std::vector<std::vector<unsigned char>> v;
  for (int i = 0; i < VALUES; i++) {
    std::vector<unsigned char> t(2 + rng() % (2 * meanLen - 3));
    for (auto &c : t) {
      unsigned r = rng() % 64;
      c = static_cast<unsigned char>(escapes && r == 0 ? '"' : r < 52 ? 'a' + r % 26 : r < 62 ? '0' + r % 10 : ' ');
    }
    v.push_back(t);
  }
  return v;
}

const unsigned char MYSQL_FROM[] = {'\r', '\n', '"', '\''};
const unsigned char MYSQL_TO[] = {'r', 'n', '"', '\''};

// range(0): mean value length; range(1): 1 for values with escapes.
void BM_copyBufferEscape(benchmark::State &state) {
  auto texts = sampleTexts(static_cast<int>(state.range(0)), state.range(1) != 0);
  std::vector<unsigned char> dst(4 * state.range(0) + 16);
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    const auto &t = texts[i++ % VALUES];
    benchmark::DoNotOptimize(copyBufferEscape(dst.data(), t.data(), static_cast<int>(t.size()), '\\', MYSQL_FROM,
                                              MYSQL_TO, 4, 0));
    benchmark::ClobberMemory();
    bytes += t.size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_copyBufferEscape)->Args({8, 0})->Args({32, 0})->Args({256, 0})->Args({32, 1})->Args({256, 1});

// The row writer's way: the rule prepared once, each value copied with it.
void BM_copyEscaped(benchmark::State &state) {
  auto texts = sampleTexts(static_cast<int>(state.range(0)), state.range(1) != 0);
  std::vector<unsigned char> dst(4 * state.range(0) + 16);
  ESCAPESET set;
  prepareEscapeSet(&set, '\\', MYSQL_FROM, MYSQL_TO, 4, 0);
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    const auto &t = texts[i++ % VALUES];
    benchmark::DoNotOptimize(copyEscaped(&set, dst.data(), t.data(), static_cast<int>(t.size())));
    benchmark::ClobberMemory();
    bytes += t.size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_copyEscaped)->Args({8, 0})->Args({32, 0})->Args({256, 0})->Args({32, 1})->Args({256, 1});

void BM_memcpyBaseline(benchmark::State &state) {
  auto texts = sampleTexts(static_cast<int>(state.range(0)), false);
  std::vector<unsigned char> dst(4 * state.range(0) + 16);
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    const auto &t = texts[i++ % VALUES];
    memcpy(dst.data(), t.data(), t.size());
    benchmark::ClobberMemory();
    bytes += t.size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_memcpyBaseline)->Args({8, 0})->Args({32, 0})->Args({256, 0});

}  // namespace

BENCHMARK_MAIN();
