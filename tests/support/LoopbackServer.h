// An HTTP server on 127.0.0.1 for the length of a test, on a port the system picks.
#pragma once
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/text/WideText.h"
#include "tests/support/TestSupport.h"

class LoopbackServer {
 public:
  // Throws std::runtime_error when no loopback port can be bound or the server does not start
  // listening within five seconds, so that a test fails with a reason instead of waiting.
  explicit LoopbackServer(const std::function<void(httplib::Server&)>& routes) {
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("the test server cannot bind a port on 127.0.0.1");
    thread_ = std::thread([this] {
      server_.listen_after_bind();
      ended_ = true;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_.is_running() && !ended_ && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!server_.is_running()) {
      server_.stop();
      thread_.join();
      throw std::runtime_error("the test server on 127.0.0.1 did not start listening");
    }
  }
  ~LoopbackServer() {
    server_.stop();
    thread_.join();
  }
  std::wstring Url(const std::string& path) const {
    return FromUtf8("http://127.0.0.1:" + std::to_string(port_) + path);
  }
  int port() const { return port_; }

  // A loopback port with nothing listening on it: bound without listening, then closed again.
  static int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port = ntohs(address.sin_port);
    ::close(fd);
    return port;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::atomic<bool> ended_{false};
  std::thread thread_;
};

// Clears the proxy settings of the environment while it lives, so that a client that follows
// them reaches the loopback servers directly whatever the machine's settings.
class DirectConnections {
 private:
  ScopedEnv http_{"http_proxy", nullptr};
  ScopedEnv httpUpper_{"HTTP_PROXY", nullptr};
  ScopedEnv all_{"all_proxy", nullptr};
  ScopedEnv allUpper_{"ALL_PROXY", nullptr};
};
