// A documentation page of about 500 KB: a table of contents, then sections of headings,
// paragraphs with code and links, and examples (indented by a tab).
#pragma once
#include <string>

inline std::string DocumentationPage() {
  std::string html =
      "<!DOCTYPE html><html><head><title>File system | Docs</title><style>p{x:y}</style></head><body>"
      "<h1>File system</h1><ul>";
  for (int i = 0; i < 200; ++i)
    html += "<li><a href='#s" + std::to_string(i) + "'>fs.call" + std::to_string(i) + "()</a></li>";
  html += "</ul>";
  for (int i = 0; html.size() < 500'000; ++i) {
    std::string n = std::to_string(i);
    html += "<section id=s" + n + "><h2>fs.call" + n + "(path[, options], callback)</h2><p>Asynchronously reads the "
            "entire contents of a file. The <code>callback</code> is passed two arguments <code>(err, data)</code>, "
            "where data is the contents of the file; see <a href='/api/" + n + "'>the reference</a>.</p>"
            "<pre>import { call" + n + " } from 'node:fs';\n\tcall" + n + "('/etc/passwd', (err, data) => {});</pre>"
            "</section>";
  }
  return html + "</body></html>";
}
