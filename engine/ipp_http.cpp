// HTTP for the IPP client: one request per connection, on a non-blocking
// socket that is waited on in short slices, so that the request's deadline
// and a cancellation from another thread are both noticed within a slice,
// whatever the other side does (never answer, trickle, or stop half-way).
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "engine/ipp.h"
#include "winkit/socket.h"

namespace ipp {

namespace {

constexpr DWORD kSliceMs = 20;

// One request's clock and its way out.
class Deadline {
 public:
  Deadline(unsigned ms, const std::atomic<bool>& cancelled) : start_(GetTickCount()), ms_(ms), cancelled_(cancelled) {}
  // Waits until the socket is ready to read (or write); false when the
  // deadline passed or the call was cancelled, with `why` saying which.
  bool Wait(SOCKET s, bool for_write, std::string& why) const {
    for (;;) {
      if (cancelled_) {
        why = "the request was cancelled";
        return false;
      }
      const DWORD spent = GetTickCount() - start_;
      if (spent >= ms_) {
        why = "no answer within " + std::to_string(ms_) + " ms";
        return false;
      }
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      fd_set errors = set;
      const DWORD slice = std::min<DWORD>(kSliceMs, ms_ - spent);
      timeval tv{0, static_cast<long>(slice * 1000)};
      const int n = select(0, for_write ? nullptr : &set, for_write ? &set : nullptr, &errors, &tv);
      if (n == SOCKET_ERROR) {
        why = "select failed (error " + std::to_string(WSAGetLastError()) + ")";
        return false;
      }
      if (n > 0) return true;
    }
  }

 private:
  DWORD start_;
  unsigned ms_;
  const std::atomic<bool>& cancelled_;
};

bool Connect(SOCKET s, const addrinfo* addr, const Deadline& d, std::string& why) {
  if (connect(s, addr->ai_addr, static_cast<int>(addr->ai_addrlen)) == 0) return true;
  if (WSAGetLastError() != WSAEWOULDBLOCK) {
    why = "error " + std::to_string(WSAGetLastError());
    return false;
  }
  if (!d.Wait(s, true, why)) return false;
  int error = 0;
  int len = sizeof error;
  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
  if (error != 0) {
    why = "error " + std::to_string(error);
    return false;
  }
  return true;
}

bool SendAll(SOCKET s, const char* data, size_t n, const Deadline& d, std::string& why) {
  while (n) {
    const int sent = send(s, data, static_cast<int>(std::min<size_t>(n, 1 << 20)), 0);
    if (sent > 0) {
      data += sent;
      n -= static_cast<size_t>(sent);
      continue;
    }
    if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      if (!d.Wait(s, true, why)) return false;
      continue;
    }
    why = "send failed (error " + std::to_string(WSAGetLastError()) + ")";
    return false;
  }
  return true;
}

// Reads more bytes into `in`; 0 when the peer closed, -1 on failure.
int ReadSome(SOCKET s, std::string& in, const Deadline& d, std::string& why) {
  char buf[16384];
  for (;;) {
    const int n = recv(s, buf, sizeof buf, 0);
    if (n > 0) {
      in.append(buf, static_cast<size_t>(n));
      return n;
    }
    if (n == 0) return 0;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      why = "receive failed (error " + std::to_string(WSAGetLastError()) + ")";
      return -1;
    }
    if (!d.Wait(s, false, why)) return -1;
  }
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

// The value of a header field ("" when missing), from lower-cased headers.
std::string Field(const std::string& lower_head, const std::string& name) {
  const size_t at = lower_head.find("\r\n" + name + ":");
  if (at == std::string::npos) return {};
  size_t begin = at + name.size() + 3;
  const size_t end = lower_head.find("\r\n", begin);
  while (begin < end && lower_head[begin] == ' ') ++begin;
  return lower_head.substr(begin, end - begin);
}

}  // namespace

Client::Client(std::string host, int port, unsigned deadline_ms)
    : host_(std::move(host)), port_(port), deadline_ms_(deadline_ms), winsock_(std::make_unique<winkit::WinsockScope>()) {}

bool Client::Post(const std::string& resource, const std::vector<std::uint8_t>& body,
                  std::vector<std::uint8_t>& reply) {
  reply.clear();
  const std::string where = host_ + ":" + std::to_string(port_);
  const Deadline deadline(deadline_ms_, cancelled_);
  std::string why;
  auto fail = [&](const std::string& what) {
    error_ = what;
    return false;
  };
  if (cancelled_) return fail("the request to CUPS at " + where + " was cancelled");
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addr = nullptr;
  if (!winsock_->Ok() || getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &addr) != 0 || !addr)
    return fail("cannot resolve " + host_);
  winkit::Socket s(socket(addr->ai_family, addr->ai_socktype, addr->ai_protocol));
  u_long non_blocking = 1;
  const bool connected = s.get() != INVALID_SOCKET && ioctlsocket(s.get(), FIONBIO, &non_blocking) == 0 &&
                         Connect(s.get(), addr, deadline, why);
  freeaddrinfo(addr);
  if (!connected) return fail("CUPS at " + where + " cannot be reached (" + why + ")");

  const std::string head = "POST " + resource + " HTTP/1.1\r\nHost: " + where +
                           "\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(body.size()) +
                           "\r\nConnection: close\r\n\r\n";
  if (!SendAll(s.get(), head.data(), head.size(), deadline, why) ||
      !SendAll(s.get(), reinterpret_cast<const char*>(body.data()), body.size(), deadline, why))
    return fail("the request to CUPS at " + where + " could not be sent (" + why + ")");

  // The header, capped.
  std::string in;
  size_t header_end;
  while ((header_end = in.find("\r\n\r\n")) == std::string::npos) {
    if (in.size() > kMaxHeaderBytes) return fail("CUPS at " + where + " sent an overlong header");
    const int n = ReadSome(s.get(), in, deadline, why);
    if (n < 0) return fail("no answer from CUPS at " + where + " (" + why + ")");
    if (n == 0) return fail("CUPS at " + where + " closed the connection before its answer");
  }
  const std::string head_in = in.substr(0, header_end);
  if (head_in.compare(0, 12, "HTTP/1.1 200") != 0 && head_in.compare(0, 12, "HTTP/1.0 200") != 0)
    return fail("CUPS answered " + head_in.substr(0, std::min<size_t>(head_in.find("\r\n"), 200)));
  const std::string lower = Lower(head_in);
  std::string content = in.substr(header_end + 4);

  if (Field(lower, "transfer-encoding").find("chunked") != std::string::npos) {
    // Chunk by chunk: a size line, the data and its CR LF, up to the empty
    // chunk.
    std::string plain;
    size_t pos = 0;
    for (;;) {
      size_t eol;
      while ((eol = content.find("\r\n", pos)) == std::string::npos) {
        if (content.size() - pos > 64) return fail("CUPS at " + where + " sent a damaged chunk");
        if (ReadSome(s.get(), content, deadline, why) <= 0)
          return fail("the answer of CUPS at " + where + " was cut short (" + why + ")");
      }
      char* end = nullptr;
      const std::string size_text = content.substr(pos, eol - pos);
      const unsigned long long size = std::strtoull(size_text.c_str(), &end, 16);
      if (end == size_text.c_str()) return fail("CUPS at " + where + " sent a damaged chunk");
      if (size > kMaxReplyBytes || plain.size() + size > kMaxReplyBytes)
        return fail("the answer of CUPS at " + where + " is too large");
      pos = eol + 2;
      if (size == 0) break;
      while (content.size() < pos + size + 2) {
        if (ReadSome(s.get(), content, deadline, why) <= 0)
          return fail("the answer of CUPS at " + where + " was cut short (" + why + ")");
      }
      plain.append(content, pos, static_cast<size_t>(size));
      pos += static_cast<size_t>(size) + 2;
    }
    content.swap(plain);
  } else if (const std::string length = Field(lower, "content-length"); !length.empty()) {
    char* end = nullptr;
    const unsigned long long n = std::strtoull(length.c_str(), &end, 10);
    if (end == length.c_str() || n > kMaxReplyBytes) return fail("CUPS at " + where + " announced a bad length");
    while (content.size() < n) {
      if (ReadSome(s.get(), content, deadline, why) <= 0)
        return fail("the answer of CUPS at " + where + " was cut short (" + why + ")");
    }
    content.resize(static_cast<size_t>(n));
  } else {
    // Without a length the answer ends when the connection does.
    for (;;) {
      if (content.size() > kMaxReplyBytes) return fail("the answer of CUPS at " + where + " is too large");
      const int n = ReadSome(s.get(), content, deadline, why);
      if (n < 0) return fail("the answer of CUPS at " + where + " was cut short (" + why + ")");
      if (n == 0) break;
    }
  }
  reply.assign(content.begin(), content.end());
  return true;
}

Client::~Client() = default;

}  // namespace ipp
