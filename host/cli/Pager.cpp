#include "host/cli/Pager.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

struct PipeCloser {
  void operator()(FILE* pipe) const { pclose(pipe); }
};
using PagerPipe = std::unique_ptr<FILE, PipeCloser>;

// While it lives, a write to a pager that has ended fails instead of ending the program.
class IgnoredBrokenPipe {
 public:
  IgnoredBrokenPipe() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous_);
  }
  ~IgnoredBrokenPipe() { sigaction(SIGPIPE, &previous_, nullptr); }
  IgnoredBrokenPipe(const IgnoredBrokenPipe&) = delete;
  IgnoredBrokenPipe& operator=(const IgnoredBrokenPipe&) = delete;

 private:
  struct sigaction previous_ {};
};

bool OnPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string_view folders(path);
  while (!folders.empty()) {
    size_t end = folders.find(':');
    std::string_view folder = folders.substr(0, end);
    if (!folder.empty() && ::access((std::string(folder) + "/" + std::string(program)).c_str(), X_OK) == 0) return true;
    if (end == std::string_view::npos) break;
    folders.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace

std::string PersonsPager() {
  const char* pager = std::getenv("PAGER");
  if (pager && *pager) return pager;
  return OnPath("less") ? "less" : "";
}

bool ShowThroughPager(const std::string& command, const std::vector<std::string>& lines) {
  std::fflush(stdout);
  IgnoredBrokenPipe ignored;
  PagerPipe pipe(popen(command.c_str(), "w"));
  if (!pipe) return false;
  for (const std::string& line : lines)
    if (std::fputs(line.c_str(), pipe.get()) == EOF || std::fputc('\n', pipe.get()) == EOF) break;
  // The shell says 127 when it found no such command.
  int status = pclose(pipe.release());
  return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}
