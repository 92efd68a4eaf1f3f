// An HTTP server on 127.0.0.1 for the length of a test, on a port the system picks.
#pragma once
#include <httplib.h>

#include <functional>
#include <string>
#include <thread>

#include "platform/text/WideText.h"

class LoopbackServer {
 public:
  explicit LoopbackServer(const std::function<void(httplib::Server&)>& routes) {
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~LoopbackServer() {
    server_.stop();
    thread_.join();
  }
  std::wstring Url(const std::string& path) const {
    return FromUtf8("http://127.0.0.1:" + std::to_string(port_) + path);
  }
  int port() const { return port_; }

  // A loopback port with nothing listening on it: bound, then closed again.
  static int ClosedPort() {
    httplib::Server probe;
    return probe.bind_to_any_port("127.0.0.1");
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};
