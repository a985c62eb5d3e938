// The extraction over whole pages, beside the bars it is held to: a plain
// substring search for the marker (which ignores the two-byte rule) and a
// memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string_view>
#include <utility>

#include "bench/pages.h"
#include "core/text.h"

namespace {

using norvique::bench::PageShape;

const std::string& Page(PageShape shape, std::size_t size) {
    static std::map<std::pair<PageShape, std::size_t>, std::string> pages;
    auto [it, added] = pages.try_emplace({shape, size});
    if (added) {
        it->second = norvique::bench::MakePage(shape, size);
    }
    return it->second;
}

PageShape ShapeOf(const benchmark::State& state) {
    return static_cast<PageShape>(state.range(0));
}

std::size_t SizeOf(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(1));
}

void Finish(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(1));
    state.SetLabel(norvique::bench::ShapeName(ShapeOf(state)));
}

void BM_FindText(benchmark::State& state) {
    const std::string& page = Page(ShapeOf(state), SizeOf(state));
    for (auto _ : state) {
        benchmark::DoNotOptimize(norvique::FindText(page, norvique::kMarker));
    }
    Finish(state);
}

// The bar for FindText: the fastest plain search, blind to the two-byte rule.
void BM_Baseline_Search(benchmark::State& state) {
    const std::string& page = Page(ShapeOf(state), SizeOf(state));
    const std::boyer_moore_horspool_searcher searcher(norvique::kMarker.begin(),
                                                      norvique::kMarker.end());
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::search(page.begin(), page.end(), searcher));
    }
    Finish(state);
}

void BM_Baseline_Memmem(benchmark::State& state) {
    const std::string& page = Page(ShapeOf(state), SizeOf(state));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            memmem(page.data(), page.size(), norvique::kMarker.data(), norvique::kMarker.size()));
    }
    Finish(state);
}

void BM_Memcpy(benchmark::State& state) {
    const std::string& page = Page(ShapeOf(state), SizeOf(state));
    std::string copy(page.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), page.data(), page.size());
        benchmark::ClobberMemory();
    }
    Finish(state);
}

// What a query does with a body it owns: the body is moved into the text (no
// copy), cut at its first NUL, then searched, sliced and read. Making a fresh
// body for each round is left out of the time: at 64 MiB it is an allocation
// the size of the page, whose page faults would swamp what is measured.
void BM_Extraction(benchmark::State& state) {
    const std::string& page = Page(ShapeOf(state), SizeOf(state));
    for (auto _ : state) {
        state.PauseTiming();
        norvique::Bytes body = page;
        state.ResumeTiming();
        norvique::Text text = norvique::BytesToText(std::move(body));
        benchmark::DoNotOptimize(norvique::ExtractEndTime(text));
        state.PauseTiming();
        text = norvique::Text();  // released outside the time, like the copy
        state.ResumeTiming();
    }
    Finish(state);
}

void Pages(benchmark::internal::Benchmark* b) {
    for (int shape = 0; shape <= static_cast<int>(PageShape::kOddRunBeforeMarker); ++shape) {
        for (std::int64_t size : {1LL << 10, 1LL << 20, 16LL << 20, 64LL << 20}) {
            b->Args({shape, size});
        }
    }
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_FindText)->Apply(Pages);
BENCHMARK(BM_Baseline_Memmem)->Apply(Pages);
BENCHMARK(BM_Baseline_Search)->Apply(Pages);
BENCHMARK(BM_Memcpy)->Apply(Pages);
BENCHMARK(BM_Extraction)->Apply(Pages);

}  // namespace

BENCHMARK_MAIN();
