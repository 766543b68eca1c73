#pragma once
// Owners for Windows Sockets: the library's start-up, and one socket.
// Users link ws2_32.
#include <winsock2.h>
#include <windows.h>

#include <utility>

namespace winkit {

// WSAStartup for a scope; Ok() tells whether sockets may be used.
class WinsockScope {
 public:
  WinsockScope() noexcept {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  WinsockScope(const WinsockScope&) = delete;
  WinsockScope& operator=(const WinsockScope&) = delete;
  ~WinsockScope() {
    if (ok_) WSACleanup();
  }
  bool Ok() const noexcept { return ok_; }

 private:
  bool ok_ = false;
};

class Socket {
 public:
  Socket() noexcept = default;
  explicit Socket(SOCKET s) noexcept : s_(s) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Socket(Socket&& o) noexcept : s_(o.release()) {}
  Socket& operator=(Socket&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~Socket() { reset(); }

  SOCKET get() const noexcept { return s_; }
  explicit operator bool() const noexcept { return s_ != INVALID_SOCKET; }
  SOCKET release() noexcept { return std::exchange(s_, INVALID_SOCKET); }
  void reset(SOCKET s = INVALID_SOCKET) noexcept {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = s;
  }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

}  // namespace winkit
