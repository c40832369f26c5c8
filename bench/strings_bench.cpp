// Text throughput on 1 MiB of mixed GBK text: the conversion at the edges,
// the byte built-ins and the string service's replace-all.
#include "foundation/n_cst_string.h"
#include "runtime/gbk.h"
#include "runtime/strings.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kMiB = 1 << 20;

// Message-like lines: Chinese, digits, ASCII and a mail-merge placeholder,
// with 乕 (81 5B) whose trail byte looks like "[".
const std::string& mixed_text() {
    static const std::string text = [] {
        const std::string line = "尊敬的[A]客户, 您的余额为 1234.50 元。乕A] Reply TD to stop. 13800000000\r\n";
        std::string t;
        while (t.size() < kMiB) t += line;
        t.resize(kMiB);
        t.resize(static_cast<std::size_t>(rt::CharToByte(t, rt::CharCount(t)) - 1)); // no half character at the end
        return t;
    }();
    return text;
}

void BM_GbkToUtf8(benchmark::State& state) {
    const std::string& gbk = mixed_text();
    for (auto _ : state) benchmark::DoNotOptimize(rt::gbk_to_utf8(gbk));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gbk.size()));
}
BENCHMARK(BM_GbkToUtf8)->Unit(benchmark::kMillisecond);

void BM_Utf8ToGbk(benchmark::State& state) {
    const std::string utf8 = rt::gbk_to_utf8(mixed_text());
    for (auto _ : state) benchmark::DoNotOptimize(rt::utf8_to_gbk(utf8));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_Utf8ToGbk)->Unit(benchmark::kMillisecond);

// A target found only at the very end, after 1 MiB: "[Z]" starts with a
// byte that can be a trail byte, so the characters before it are walked;
// ",Z" cannot and needs no walk.
void BM_PosAtTheEnd(benchmark::State& state, const char* target) {
    const std::string text = mixed_text() + target;
    for (auto _ : state) benchmark::DoNotOptimize(rt::Pos(text, target));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK_CAPTURE(BM_PosAtTheEnd, trail_walk, "[Z]")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PosAtTheEnd, no_walk, ",Z")->Unit(benchmark::kMillisecond);

// Every "[A]" of the text, one Pos after the other, as a search loop does.
void BM_PosLoop(benchmark::State& state) {
    const std::string& text = mixed_text();
    for (auto _ : state) {
        std::int64_t n = 0;
        rt::PosScanner scan(text, "[A]");
        for (std::int32_t p = scan.next(1); p > 0; p = scan.next(p + 3)) ++n;
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PosLoop)->Unit(benchmark::kMillisecond);

void BM_MidHalf(benchmark::State& state) {
    const std::string& text = mixed_text();
    for (auto _ : state) benchmark::DoNotOptimize(rt::Mid(text, rt::Len(text) / 4, rt::Len(text) / 2));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() / 2));
}
BENCHMARK(BM_MidHalf)->Unit(benchmark::kMicrosecond);

void BM_GlobalReplace(benchmark::State& state) {
    const rt::nstring text = mixed_text();
    n_cst_string lnv_string;
    for (auto _ : state) benchmark::DoNotOptimize(lnv_string.of_globalreplace(text, "[a]", "张三"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text->size()));
}
BENCHMARK(BM_GlobalReplace)->Unit(benchmark::kMillisecond);

// A key=value list of `bytes` whose every key ends in the key looked for
// ("名称7=..."), so that every match but the last is a rejected tail of a
// longer key; the key itself comes last.
std::string key_list(std::size_t bytes) {
    std::string list;
    for (int i = 0; list.size() < bytes; ++i) list += "名称" + std::to_string(i % 1000) + "k=值" + std::to_string(i) + ",";
    return list + "k=last,";
}

// The baseline: one lower-casing pass over the same list, the least that a
// search without regard to case can do.
void BM_KeyValueBaseline_Lower(benchmark::State& state) {
    const std::string list = key_list(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(rt::Lower(list));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * list.size()));
}
BENCHMARK(BM_KeyValueBaseline_Lower)->Arg(kMiB)->Unit(benchmark::kMillisecond);

void BM_GetKeyValue(benchmark::State& state) {
    const rt::nstring list = key_list(static_cast<std::size_t>(state.range(0)));
    n_cst_string lnv_string;
    for (auto _ : state) benchmark::DoNotOptimize(lnv_string.of_getkeyvalue(list, "K", ","));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * list->size()));
}
BENCHMARK(BM_GetKeyValue)->Arg(kMiB / 4)->Arg(kMiB)->Unit(benchmark::kMillisecond);

void BM_SetKeyValue(benchmark::State& state) {
    const rt::nstring list = key_list(static_cast<std::size_t>(state.range(0)));
    n_cst_string lnv_string;
    for (auto _ : state) {
        rt::nstring work = list;
        benchmark::DoNotOptimize(lnv_string.of_setkeyvalue(work, "K", "new", ","));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * list->size()));
}
BENCHMARK(BM_SetKeyValue)->Arg(kMiB / 4)->Arg(kMiB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
