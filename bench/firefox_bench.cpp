// Reading a large Firefox session: the mozLz40 decode and the streamed JSON.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "browsers/firefox_mozlz4.h"
#include "browsers/firefox_session.h"

namespace {

using pagemind::browsers::DecodeMozLz4;
using pagemind::browsers::EncodeMozLz4;
using pagemind::browsers::ParseFirefoxSession;

std::string Base64Noise(std::mt19937& random, std::size_t size) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out(size, 'A');
  for (char& c : out) c = kDigits[random() % 64];
  return out;
}

// About 20 MB of JSON shaped as Firefox writes it: 4 windows of 50 tabs, each with a history
// of 5 entries, a favicon as a base64 data address (as Firefox keeps them), form data with a
// long text field, scroll positions and session storage.
std::string TwentyMegabyteSession() {
  std::mt19937 random(42);
  std::string json = R"({"version":["sessionrestore",1],"windows":[)";
  for (int w = 0; w < 4; ++w) {
    json += w ? ",{" : "{";
    json += R"("tabs":[)";
    for (int t = 0; t < 50; ++t) {
      const std::string page = "http://127.0.0.1/w" + std::to_string(w) + "/t" + std::to_string(t);
      json += t ? "," : "";
      json += R"({"entries":[)";
      for (int e = 0; e < 5; ++e) {
        json += e ? "," : "";
        json += R"({"url":")" + page + "/e" + std::to_string(e) + R"(","title":"ページ )" +
                std::to_string(e) + R"(","cacheKey":0,"ID":)" + std::to_string(e) +
                R"(,"docshellUUID":"{0b5a7e3c-2f6d-4f1e-9d3a-6c1b2a3d4e5f}","referrerInfo":")" +
                Base64Noise(random, 200) + R"(","triggeringPrincipal_base64":")" +
                Base64Noise(random, 100) + R"(","hasUserInteraction":true,"persist":true})";
      }
      json += R"(],"lastAccessed":1765180000000,"hidden":false,"userContextId":0,"attributes":{},)";
      json += R"("image":"data:image/png;base64,)" + Base64Noise(random, 60000) + R"(",)";
      json += R"("formdata":{"id":{"comment":")" + Base64Noise(random, 30000) +
              R"("},"xpath":{},"url":")" + page + R"("},)";
      json += R"("scroll":{"scroll":"0,1200"},"storage":{"http://127.0.0.1":{"state":")" +
              Base64Noise(random, 8000) + R"("}},"index":5,"requestedIndex":0})";
    }
    json += R"(],"selected":1,"_closedTabs":[],"width":1280,"height":800,"sizemode":"normal"})";
  }
  json += R"(],"selectedWindow":1,"_closedWindows":[],"session":{"lastUpdate":1765180000000}})";
  return json;
}

const std::string& SessionJson() {
  static const std::string json = TwentyMegabyteSession();
  return json;
}

void BM_FirefoxParseSession20MB(benchmark::State& state) {
  const std::string& json = SessionJson();
  for (auto _ : state) {
    auto parse = ParseFirefoxSession(json);
    if (parse.error || parse.session.open.windows.size() != 4) state.SkipWithError("not read");
    benchmark::DoNotOptimize(parse);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * json.size()));
  state.SetLabel(std::to_string(json.size() >> 20) + " MB of JSON");
}
BENCHMARK(BM_FirefoxParseSession20MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole read of a file's bytes: the mozLz40 decode, then the JSON (aim < 100 ms).
void BM_FirefoxReadSession20MB(benchmark::State& state) {
  const std::string file = EncodeMozLz4(SessionJson());
  for (auto _ : state) {
    std::string json;
    if (DecodeMozLz4(file, json)) state.SkipWithError("not decoded");
    auto parse = ParseFirefoxSession(json);
    if (parse.error) state.SkipWithError("not read");
    benchmark::DoNotOptimize(parse);
  }
  state.SetLabel(std::to_string(file.size() >> 20) + " MB file, " +
                 std::to_string(SessionJson().size() >> 20) + " MB of JSON");
}
BENCHMARK(BM_FirefoxReadSession20MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
