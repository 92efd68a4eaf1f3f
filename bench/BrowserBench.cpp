// What the browser engine costs for the pages it must take in its stride: a 10 MB page and a page
// of 20,000 forms, from a file to the DocumentComplete event. Target: under a second each.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"

namespace {

std::filesystem::path WritePage(const std::string& name, const std::string& html) {
  std::filesystem::path path = std::filesystem::temp_directory_path() / ("pendrel-bench-" + name);
  std::ofstream(path, std::ios::binary) << html;
  return path;
}

void Load(benchmark::State& state, const std::filesystem::path& page) {
  BrowserWindow window;
  std::wstring address = FromUtf8(page.string());
  for (auto _ : state) window.Navigate(address);
  std::filesystem::remove(page);
}

void BM_LoadTenMegabytePage(benchmark::State& state) {
  std::string html = "<title>Big</title>";
  while (html.size() < 10u << 20) html += "<p>Some text with a <a href='/x'>link</a> and <b>bold</b> words.</p>\n";
  Load(state, WritePage("big.html", html));
}
BENCHMARK(BM_LoadTenMegabytePage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadTwentyThousandForms(benchmark::State& state) {
  std::string html = "<title>Forms</title>";
  for (int i = 0; i < 20000; ++i) html += "<form action=/a><input name=u value=v><input type=password name=p></form>";
  Load(state, WritePage("forms.html", html));
}
BENCHMARK(BM_LoadTwentyThousandForms)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
