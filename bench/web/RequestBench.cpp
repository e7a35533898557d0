// Cost of one request on loopback: WebRequest (worker thread, wait loop,
// header building, cookie jar) against a bare libcurl transfer of the same
// page, and the cost of splitting a URL.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>

#include "LoopbackServer.h"
#include "text/Text.h"
#include "web/Url.h"
#include "web/WebRequest.h"

namespace {

using avatrix::Text;

avatrix::web::testing::LoopbackServer& Server() {
    static auto* server = new avatrix::web::testing::LoopbackServer();
    return *server;
}

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

void BM_BareCurlTransfer(benchmark::State& state) {
    const std::string url = Server().Url("/bytes?hex=6f6b");
    for (auto _ : state) {
        CURL* handle = curl_easy_init();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Discard);
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        benchmark::DoNotOptimize(curl_easy_perform(handle));
        curl_easy_cleanup(handle);
    }
}
BENCHMARK(BM_BareCurlTransfer)->Unit(benchmark::kMicrosecond);

void BM_WebRequest(benchmark::State& state) {
    const Text url(Server().Url("/bytes?hex=6f6b"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(avatrix::web::WebRequest(url));
    }
}
BENCHMARK(BM_WebRequest)->Unit(benchmark::kMicrosecond);

void BM_SplitUrl(benchmark::State& state) {
    const Text url("www.Example.com:8080/some/longer/path/page.html?query=value&other=https://x");
    for (auto _ : state) {
        const Text normalized = avatrix::web::NormalizeUrl(url);
        benchmark::DoNotOptimize(avatrix::web::IsSecureUrl(normalized));
        benchmark::DoNotOptimize(avatrix::web::GetUrlHost(normalized));
        benchmark::DoNotOptimize(avatrix::web::GetUrlObject(normalized));
        benchmark::DoNotOptimize(avatrix::web::GetUrlPort(normalized));
    }
}
BENCHMARK(BM_SplitUrl);

}  // namespace

BENCHMARK_MAIN();
