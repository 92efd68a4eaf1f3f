// A server on 127.0.0.1 that speaks HTTP only as far as a test wants: each connection gets the
// request head it sent, and a behaviour of the test's writes raw bytes to the socket, which lets a
// server misbehave in ways an HTTP library will not (never answer, drip, never end, close half way).
// A behaviour runs on a thread of its own per connection; it should end when Stopping() holds.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/text/WideText.h"

class RawServer {
 public:
  // (connection, request head up to its blank line, including the request line)
  using Behaviour = std::function<void(int fd, const std::string& head)>;

  explicit RawServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      if (listener_ >= 0) ::close(listener_);
      throw std::runtime_error("the raw test server cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~RawServer() {
    stopping_ = true;
    acceptor_.join();
    std::list<std::thread> connections;
    {
      std::lock_guard lock(mutex_);
      connections.swap(connections_);
    }
    for (auto& t : connections) t.join();
    ::close(listener_);
  }
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  std::wstring Url(const std::string& path) const {
    return FromUtf8("http://127.0.0.1:" + std::to_string(port_) + path);
  }
  bool Stopping() const { return stopping_; }
  // Waits until `count` requests have been read (at most 10 s).
  bool WaitForRequests(int count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(10), [&] { return requests_ >= count; });
  }
  int Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  // Writes all of `bytes`; false once the client has gone or the server stops.
  bool Send(int fd, std::string_view bytes) const {
    while (!bytes.empty()) {
      if (stopping_) return false;
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  // Waits `duration`, or less when the server stops; false when it stops.
  bool Pause(std::chrono::milliseconds duration) const {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
      if (stopping_) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !stopping_;
  }
  // Waits until the client closes its end or the server stops.
  void WaitForClose(int fd) const {
    char byte;
    while (!stopping_) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0) return;
    }
  }

 private:
  void Accept() {
    while (!stopping_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard lock(mutex_);
      connections_.emplace_back([this, fd] { Serve(fd); });
    }
  }
  void Serve(int fd) {
    std::string head;
    char buffer[4096];
    while (!stopping_ && head.find("\r\n\r\n") == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      head.append(buffer, static_cast<size_t>(n));
    }
    if (head.find("\r\n\r\n") != std::string::npos) {
      {
        std::lock_guard lock(mutex_);
        ++requests_;
      }
      arrived_.notify_all();
      behaviour_(fd, head.substr(0, head.find("\r\n\r\n") + 4));
    }
    ::close(fd);
  }

  Behaviour behaviour_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable arrived_;
  int requests_ = 0;
  std::list<std::thread> connections_;
  std::thread acceptor_;
};
