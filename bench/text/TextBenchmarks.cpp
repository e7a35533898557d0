// Search, replacement and conversion on 1 MiB pages, each next to a plain
// baseline on the same data: std::string_view::find for the text scans and
// ICU's ucnv_convert for the conversions.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <random>
#include <string>
#include <string_view>

#include "text/Codepage.h"
#include "text/Primitives.h"

namespace avatrix {
namespace {

constexpr std::size_t kPageSize = 1 << 20;

// Deterministic HTML-like page: paragraphs of two-byte characters (lead
// bytes in [leadLow, leadHigh], trail bytes in [trailLow, trailHigh]) broken
// by the odd ASCII word or number, inside markup, padded with ASCII to
// exactly kPageSize bytes. The end marker is the only "</body>".
std::string MixedPage(int leadLow, int leadHigh, int trailLow, int trailHigh) {
    std::mt19937 random(2026);
    const auto pick = [&random](int low, int high) {
        return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
    };
    std::string page = "<html><head><title>notice</title></head><body>\n";
    while (page.size() < kPageSize - 64) {
        page += "<p class=\"item\"><a href=\"/news/";
        page += std::to_string(pick(1000, 99999));
        page += ".html\">";
        const int runs = pick(1, 6);
        for (int run = 0; run < runs; ++run) {
            const int characters = pick(2, 30);
            for (int i = 0; i < characters; ++i) {
                page += static_cast<char>(pick(leadLow, leadHigh));
                page += static_cast<char>(pick(trailLow, trailHigh));
            }
            if (pick(0, 2) == 0) {
                page += ' ';
                for (int letters = pick(2, 8); letters > 0; --letters) {
                    page += static_cast<char>(pick('a', 'z'));
                }
                page += ' ';
            }
        }
        page += "</a></p><p>";
    }
    page.resize(kPageSize - 7, ' ');
    page += "</body>";
    return page;
}

const std::string& GbkPage() {
    static const std::string page = MixedPage(0xB0, 0xD7, 0xA1, 0xFE);  // GB2312 level 1
    return page;
}

const std::string& Big5Page() {
    static const std::string page = MixedPage(0xA4, 0xC5, 0xA1, 0xFE);  // common Big5 Han
    return page;
}

const std::string& Utf8Page() {
    static const std::string page = [] {
        std::string utf8 = GbkToUtf8(Text(GbkPage()));
        utf8.resize(kPageSize);
        // Cut back to a whole character so that no replacement is needed.
        while (!utf8.empty() && (static_cast<unsigned char>(utf8.back()) & 0xC0) != 0) {
            utf8.pop_back();
        }
        return utf8;
    }();
    return page;
}

void SetBytes(benchmark::State& state, std::size_t size) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// An ASCII needle near the end of the page, and a Chinese one not on it.
void BM_FindText(benchmark::State& state, const char* needle) {
    const Text page(GbkPage());
    const Text sought(needle);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindText(page, sought));
    }
    SetBytes(state, page.size());
}
BENCHMARK_CAPTURE(BM_FindText, ascii, "</body>");
BENCHMARK_CAPTURE(BM_FindText, chinese, "\xC4\xE3\xBA\xC3\xC4\xE3");

void BM_FindBaseline(benchmark::State& state, const char* needle) {
    const std::string_view page(GbkPage());
    for (auto _ : state) {
        benchmark::DoNotOptimize(page.find(needle));
    }
    SetBytes(state, page.size());
}
BENCHMARK_CAPTURE(BM_FindBaseline, ascii, "</body>");
BENCHMARK_CAPTURE(BM_FindBaseline, chinese, "\xC4\xE3\xBA\xC3\xC4\xE3");

void BM_ReplaceAll(benchmark::State& state) {
    const Text page(GbkPage());
    const Text sought("</p><p>");
    const Text replacement("\r\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceAll(page, sought, replacement));
    }
    SetBytes(state, page.size());
}
BENCHMARK(BM_ReplaceAll);

void BM_ReplaceBaseline(benchmark::State& state) {
    const std::string_view page(GbkPage());
    const std::string_view sought("</p><p>");
    for (auto _ : state) {
        std::string result;
        result.reserve(page.size());
        std::size_t copied = 0;
        for (std::size_t at = page.find(sought); at != std::string_view::npos;
             at = page.find(sought, copied)) {
            result.append(page.substr(copied, at - copied));
            result.append("\r\n");
            copied = at + sought.size();
        }
        result.append(page.substr(copied));
        benchmark::DoNotOptimize(result);
    }
    SetBytes(state, page.size());
}
BENCHMARK(BM_ReplaceBaseline);

void BM_Utf8ToGbk(benchmark::State& state) {
    const Text page(Utf8Page());
    for (auto _ : state) {
        benchmark::DoNotOptimize(Utf8ToGbk(page));
    }
    SetBytes(state, page.size());
}
BENCHMARK(BM_Utf8ToGbk);

void ConvertBaseline(benchmark::State& state, const char* to, const char* from,
                     const std::string& page) {
    std::string out(page.size() * 2, '\0');
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length =
            ucnv_convert(to, from, out.data(), static_cast<int32_t>(out.size()), page.data(),
                         static_cast<int32_t>(page.size()), &status);
        benchmark::DoNotOptimize(length);
        if (U_FAILURE(status)) {
            state.SkipWithError("ucnv_convert failed");
            break;
        }
    }
    SetBytes(state, page.size());
}

void BM_Utf8ToGbkBaseline(benchmark::State& state) {
    ConvertBaseline(state, "windows-936-2000", "UTF-8", Utf8Page());
}
BENCHMARK(BM_Utf8ToGbkBaseline);

void BM_Big5ToGbk(benchmark::State& state) {
    const Text page(Big5Page());
    if (Big5ToGbk(page).size() != page.size()) {
        state.SkipWithError("the page did not convert whole");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(Big5ToGbk(page));
    }
    SetBytes(state, page.size());
}
BENCHMARK(BM_Big5ToGbk);

void BM_Big5ToGbkBaseline(benchmark::State& state) {
    ConvertBaseline(state, "windows-936-2000", "windows-950-2000", Big5Page());
}
BENCHMARK(BM_Big5ToGbkBaseline);

}  // namespace
}  // namespace avatrix

BENCHMARK_MAIN();
