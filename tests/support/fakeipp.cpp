#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "support/fakeipp.h"
#include "support/waitfor.h"
#include "winkit/socket.h"

#include <string>

namespace qftest {

FakeScheduler::FakeScheduler(Mode mode, int port) : mode_(mode), winsock_(std::make_unique<winkit::WinsockScope>()) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  // A fixed port may still hold the closed connections of the scheduler
  // that was there.
  const BOOL reuse = TRUE;
  if (port != 0) setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<u_short>(port));
  const bool listening = bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(s, 8) == 0;
  int len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = listening ? ntohs(addr.sin_port) : 0;
  listener_ = s;
  thread_ = std::thread([this] { Serve(); });
}

FakeScheduler::~FakeScheduler() {
  stop_ = true;
  closesocket(static_cast<SOCKET>(listener_));
  thread_.join();
  for (auto& t : clients_) t.join();
}

void FakeScheduler::Serve() {
  for (;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(listener_), &set);
    timeval tv{0, 50000};
    if (stop_) return;
    if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
    const SOCKET c = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
    if (c == INVALID_SOCKET) return;
    ++accepted_;
    clients_.emplace_back([this, c] { Answer(c); });
  }
}

void FakeScheduler::Answer(unsigned long long client) {
  const winkit::Socket owned(static_cast<SOCKET>(client));
  const SOCKET c = owned.get();
  if (mode_ == Mode::HangUp) return;
  char buf[4096];
  recv(c, buf, sizeof buf, 0);  // the request (small enough for one read)
  // A successful IPP header and one operation group, but no end tag.
  const std::string ipp("\x02\x00\x00\x00\x00\x00\x00\x01\x01", 9);
  const std::string answer =
      "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(ipp.size()) + "\r\n\r\n" +
      ipp;
  // A misbehaving answer lasts until the test ends it, or ten minutes at the
  // most (far beyond any test's own bound).
  auto hold = [this] { WaitFor([this] { return stop_.load(); }, "the fake scheduler's stop", 600000); };
  switch (mode_) {
    case Mode::Silent:
      hold();
      break;
    case Mode::Trickle:
      for (size_t i = 0; i < answer.size() && !stop_; ++i) {
        send(c, &answer[i], 1, 0);
        for (int k = 0; k < 100 && !stop_; ++k) Sleep(20);
      }
      break;
    case Mode::NoEndTag:
      send(c, answer.data(), static_cast<int>(answer.size()), 0);
      hold();
      break;
    case Mode::HangUp:
      break;
  }
}

}  // namespace qftest
