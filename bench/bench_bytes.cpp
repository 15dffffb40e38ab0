// Per-value conversion and escaping costs, against memcpy of the same bytes.
#include <benchmark/benchmark.h>
#include <string.h>

#include <random>
#include <vector>

#include "unload/escape.h"
#include "unload/numconv.h"

namespace {

constexpr int VALUES = 4096;  // values cycled through per benchmark

// Typical amounts: positive and negative, two to six base-100 digits.
std::vector<std::vector<ub1>> sampleNumbers() {
  std::mt19937 rng(1);
  std::vector<std::vector<ub1>> v;
  for (int i = 0; i < VALUES; i++) {
    bool neg = rng() & 1;
    int n = 2 + static_cast<int>(rng() % 5), e = 1 + static_cast<int>(rng() % 4);
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

void BM_testTIMESTAMP(benchmark::State &state) {
  const ub1 date[7] = {120, 124, 3, 5, 14, 8, 10};
  ub1 out[NUMBUF_SIZE];
  for (auto _ : state) {
    benchmark::DoNotOptimize(testTIMESTAMP(out, date, 7));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_testTIMESTAMP);

// Text fields of state.range(0) bytes, one special byte per 64 on average.
std::vector<unsigned char> sampleText(size_t len) {
  std::mt19937 rng(2);
  std::vector<unsigned char> t(len);
  for (auto &c : t) c = static_cast<unsigned char>(rng() % 64 == 0 ? '"' : 'a' + rng() % 26);
  return t;
}

const unsigned char MYSQL_FROM[] = {'\r', '\n', '"', '\''};
const unsigned char MYSQL_TO[] = {'r', 'n', '"', '\''};

void BM_copyBufferEscape(benchmark::State &state) {
  auto src = sampleText(static_cast<size_t>(state.range(0)));
  std::vector<unsigned char> dst(2 * src.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(copyBufferEscape(dst.data(), src.data(), static_cast<int>(src.size()), '\\',
                                              MYSQL_FROM, MYSQL_TO, 4, 0));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_copyBufferEscape)->Arg(16)->Arg(256)->Arg(4096);

void BM_memcpyBaseline(benchmark::State &state) {
  auto src = sampleText(static_cast<size_t>(state.range(0)));
  std::vector<unsigned char> dst(2 * src.size());
  for (auto _ : state) {
    memcpy(dst.data(), src.data(), src.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_memcpyBaseline)->Arg(16)->Arg(256)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
