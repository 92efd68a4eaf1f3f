// What one command prints at the terminal (`pendrel` with a person at the prompt) on a 500 KB
// documentation page: the navigation to it, in bytes (counter "bytes"). Target: a few kilobytes,
// a screenful, however large the page.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/cli/WindowCommands.h"

namespace {

// A reference page of about 500 KB as documentation sites write them: a navigation list, then
// for each function a heading with its signature, a history table, paragraphs with code and
// links, a list of options and an example.
std::string DocumentationPage() {
  std::string html =
      "<!DOCTYPE html><html lang=en><head><meta charset=utf-8><title>File system | Node.js Documentation</title>"
      "<link rel=stylesheet href=assets/style.css><script>var theme='dark';</script></head><body><nav><ul>";
  for (int i = 0; i < 150; ++i)
    html += "<li><a href='#fs_call" + std::to_string(i) + "'>fs.call" + std::to_string(i) + "()</a></li>";
  html +=
      "</ul></nav><main><h1>File system<span><a class=mark href='#fs'>#</a></span></h1><p><strong>Stability:</strong> "
      "2 - Stable</p>";
  for (int i = 0; html.size() < 500'000; ++i) {
    std::string n = std::to_string(i);
    html +=
        "<section><h3 id=fs_call" + n + "><code>fs.call" + n +
        "(path[, options], callback)</code><a class=mark "
        "href='#fs_call" +
        n +
        "'>#</a></h3><details><summary>History</summary><table><tbody><tr><th>Version</th>"
        "<th>Changes</th></tr><tr><td>v18.0.0</td><td>Passing an invalid callback now throws <code>ERR_INVALID_ARG_TYPE"
        "</code>.</td></tr></tbody></table></details><ul><li><code>path</code> &lt;string&gt; | &lt;Buffer&gt; "
        "filename "
        "or file descriptor</li><li><code>options</code> &lt;Object&gt;<ul><li><code>encoding</code> &lt;string&gt; "
        "<strong>Default:</strong> <code>null</code></li><li><code>flag</code> See <a "
        "href='#file-system-flags'>support "
        "of file system <code>flags</code></a>.</li></ul></li></ul><p>Asynchronously reads the entire contents of a "
        "file. The callback is passed two arguments <code>(err, data)</code>, where <code>data</code> is the contents "
        "of the file. If no encoding is specified, then the raw buffer is returned.</p><pre><code class=language-js>"
        "import { call" +
        n + " } from 'node:fs';\n\ncall" + n +
        "('/etc/passwd', (err, data) =&gt; {\n  if (err) throw err;"
        "\n  console.log(data);\n});</code></pre></section>\n";
  }
  return html + "</main></body></html>";
}

void BM_TerminalNavigationToA500KilobytePage(benchmark::State& state) {
  std::filesystem::path page = std::filesystem::temp_directory_path() / "pendrel-bench-fs.html";
  std::string html = DocumentationPage();
  std::ofstream(page, std::ios::binary) << html;
  size_t bytes = 0;
  for (auto _ : state) {
    std::istringstream in("navigate " + page.string() + "\n");
    std::ostringstream out;
    StreamLineSource lines(in, out);
    RunWindowAtTerminal({}, lines, out, TerminalOptions{});
    // What the command printed: from its prompt to the next.
    std::string text = out.str();
    size_t start = text.find("pendrel> ");
    size_t end = text.find("pendrel> ", start + 1);
    bytes = (start == std::string::npos || end == std::string::npos) ? text.size() : end - start;
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["page_bytes"] = static_cast<double>(html.size());
  std::filesystem::remove(page);
}
BENCHMARK(BM_TerminalNavigationToA500KilobytePage)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
