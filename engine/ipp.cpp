#include "engine/ipp.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

namespace ipp {

namespace {

enum Tag : std::uint8_t {
  kOperationGroup = 0x01,
  kJobGroup = 0x02,
  kEndOfAttributes = 0x03,
  kInteger = 0x21,
  kEnum = 0x23,
  kTextWithoutLanguage = 0x41,
  kNameWithoutLanguage = 0x42,
  kKeyword = 0x44,
  kUri = 0x45,
  kCharset = 0x47,
  kNaturalLanguage = 0x48,
};

constexpr std::uint16_t kGetJobAttributes = 0x0009;
constexpr std::uint16_t kGetJobs = 0x000A;

class Writer {
 public:
  Writer(std::uint16_t operation, std::uint32_t request_id) {
    U8(2), U8(0);  // IPP/2.0
    U16(operation);
    U32(request_id);
    U8(kOperationGroup);
    Attr(kCharset, "attributes-charset", "utf-8");
    Attr(kNaturalLanguage, "attributes-natural-language", "en");
  }
  void Attr(std::uint8_t tag, const std::string& name, const std::string& value) {
    U8(tag);
    U16(static_cast<std::uint16_t>(name.size()));
    out_.insert(out_.end(), name.begin(), name.end());
    U16(static_cast<std::uint16_t>(value.size()));
    out_.insert(out_.end(), value.begin(), value.end());
  }
  void Integer(const std::string& name, std::int32_t v) {
    U8(kInteger);
    U16(static_cast<std::uint16_t>(name.size()));
    out_.insert(out_.end(), name.begin(), name.end());
    U16(4);
    U32(static_cast<std::uint32_t>(v));
  }
  // A multi-valued keyword attribute: further values carry an empty name.
  void Keywords(const std::string& name, const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i) Attr(kKeyword, i ? "" : name, values[i]);
  }
  std::vector<std::uint8_t> Finish() {
    U8(kEndOfAttributes);
    return std::move(out_);
  }

 private:
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) { U8(static_cast<std::uint8_t>(v >> 8)), U8(static_cast<std::uint8_t>(v)); }
  void U32(std::uint32_t v) { U16(static_cast<std::uint16_t>(v >> 16)), U16(static_cast<std::uint16_t>(v)); }
  std::vector<std::uint8_t> out_;
};

// CUPS shows a job's name only to its owner. Jobs of this session are
// submitted under the login name, which is also the Windows user name.
std::string RequestingUser() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (GetUserNameA(name, &size) && name[0]) return name;
  return "anonymous";
}

const std::vector<std::string> kJobAttributes = {"job-id", "job-name", "job-state", "job-printer-uri"};

std::string Utf8ToAnsi(const std::string& s) {
  if (s.empty()) return s;
  const int wn = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (wn <= 0) return s;
  std::wstring w(static_cast<size_t>(wn), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), wn);
  const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wn, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), wn, out.data(), n, nullptr, nullptr);
  return out;
}

std::string QueueOfUri(const std::string& uri) {
  const size_t slash = uri.rfind('/');
  return slash == std::string::npos ? uri : uri.substr(slash + 1);
}

}  // namespace

std::vector<std::uint8_t> EncodeGetJobs(std::uint32_t request_id, const std::string& printer_uri,
                                        const char* which_jobs) {
  Writer w(kGetJobs, request_id);
  w.Attr(kUri, "printer-uri", printer_uri);
  w.Attr(kNameWithoutLanguage, "requesting-user-name", RequestingUser());
  w.Attr(kKeyword, "which-jobs", which_jobs);
  w.Keywords("requested-attributes", kJobAttributes);
  return w.Finish();
}

std::vector<std::uint8_t> EncodeGetJobAttributes(std::uint32_t request_id, int job_id) {
  Writer w(kGetJobAttributes, request_id);
  w.Attr(kUri, "printer-uri", "ipp://localhost/");
  w.Integer("job-id", job_id);
  w.Attr(kNameWithoutLanguage, "requesting-user-name", RequestingUser());
  w.Keywords("requested-attributes", kJobAttributes);
  return w.Finish();
}

int DecodeJobs(const std::vector<std::uint8_t>& b, std::vector<Job>& jobs) {
  if (b.size() < 9) return -1;
  const int status = (b[2] << 8) | b[3];
  size_t pos = 8;
  Job* job = nullptr;
  std::string last_name;
  while (pos < b.size()) {
    const std::uint8_t tag = b[pos++];
    if (tag == kEndOfAttributes) break;
    if (tag < 0x10) {  // a new group
      if (tag == kJobGroup) {
        jobs.emplace_back();
        job = &jobs.back();
      } else {
        job = nullptr;
      }
      continue;
    }
    if (pos + 2 > b.size()) return -1;
    const size_t name_len = static_cast<size_t>((b[pos] << 8) | b[pos + 1]);
    pos += 2;
    if (pos + name_len + 2 > b.size()) return -1;
    std::string name(reinterpret_cast<const char*>(&b[pos]), name_len);
    pos += name_len;
    const size_t value_len = static_cast<size_t>((b[pos] << 8) | b[pos + 1]);
    pos += 2;
    if (pos + value_len > b.size()) return -1;
    const std::uint8_t* v = &b[pos];
    pos += value_len;
    if (name.empty()) name = last_name;  // a further value of the same attribute
    last_name = name;
    if (!job) continue;
    if ((tag == kInteger || tag == kEnum) && value_len == 4) {
      const int n = static_cast<int>((std::uint32_t{v[0]} << 24) | (std::uint32_t{v[1]} << 16) |
                                     (std::uint32_t{v[2]} << 8) | v[3]);
      if (name == "job-id") job->id = n;
      if (name == "job-state") job->state = n;
    } else if (tag == kNameWithoutLanguage || tag == kTextWithoutLanguage) {
      if (name == "job-name") job->name = Utf8ToAnsi(std::string(reinterpret_cast<const char*>(v), value_len));
    } else if (tag == kUri && name == "job-printer-uri") {
      job->printer = QueueOfUri(std::string(reinterpret_cast<const char*>(v), value_len));
    }
  }
  return status;
}

Client::Client(std::string host, int port) : host_(std::move(host)), port_(port) {
  WSADATA data;
  wsa_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

Client::~Client() {
  if (wsa_) WSACleanup();
}

bool Client::GetJobs(const std::string& queue, const char* which, std::vector<Job>& jobs) {
  const std::string uri = "ipp://localhost/" + (queue.empty() ? std::string() : "printers/" + queue);
  std::vector<std::uint8_t> reply;
  if (!Post(queue.empty() ? "/" : "/printers/" + queue, EncodeGetJobs(next_request_++, uri, which), reply))
    return false;
  jobs.clear();
  const int status = DecodeJobs(reply, jobs);
  if (status < 0 || status >= 0x0400) {
    error_ = "CUPS refused Get-Jobs (status " + std::to_string(status) + ")";
    return false;
  }
  return true;
}

bool Client::QueryJob(int job_id, Job& job, bool& found) {
  std::vector<std::uint8_t> reply;
  found = false;
  if (!Post("/", EncodeGetJobAttributes(next_request_++, job_id), reply)) return false;
  std::vector<Job> jobs;
  const int status = DecodeJobs(reply, jobs);
  if (status == kStatusNotFound) return true;
  if (status < 0 || status >= 0x0400 || jobs.empty()) {
    error_ = "CUPS refused Get-Job-Attributes (status " + std::to_string(status) + ")";
    return false;
  }
  job = jobs.front();
  found = true;
  return true;
}

namespace {

bool SendAll(SOCKET s, const char* data, size_t n) {
  while (n) {
    const int sent = send(s, data, static_cast<int>(n), 0);
    if (sent <= 0) return false;
    data += sent;
    n -= static_cast<size_t>(sent);
  }
  return true;
}

// Undoes chunked transfer coding; false when the body is malformed.
bool Unchunk(const std::string& in, std::string& out) {
  size_t pos = 0;
  for (;;) {
    const size_t eol = in.find("\r\n", pos);
    if (eol == std::string::npos) return false;
    const unsigned long size = std::strtoul(in.substr(pos, eol - pos).c_str(), nullptr, 16);
    pos = eol + 2;
    if (size == 0) return true;
    if (pos + size > in.size()) return false;
    out.append(in, pos, size);
    pos += size + 2;
  }
}

}  // namespace

bool Client::Post(const std::string& resource, const std::vector<std::uint8_t>& body,
                  std::vector<std::uint8_t>& reply) {
  reply.clear();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addr = nullptr;
  if (!wsa_ || getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &addr) != 0 || !addr) {
    error_ = "cannot resolve " + host_;
    return false;
  }
  SOCKET s = socket(addr->ai_family, addr->ai_socktype, addr->ai_protocol);
  bool ok = s != INVALID_SOCKET && connect(s, addr->ai_addr, static_cast<int>(addr->ai_addrlen)) == 0;
  freeaddrinfo(addr);
  if (!ok) {
    error_ = "CUPS at " + host_ + ":" + std::to_string(port_) + " cannot be reached (error " +
             std::to_string(WSAGetLastError()) + ")";
    if (s != INVALID_SOCKET) closesocket(s);
    return false;
  }
  DWORD timeout_ms = 5000;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms), sizeof timeout_ms);
  const std::string head = "POST " + resource + " HTTP/1.1\r\nHost: " + host_ + ":" + std::to_string(port_) +
                           "\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(body.size()) +
                           "\r\nConnection: close\r\n\r\n";
  ok = SendAll(s, head.data(), head.size()) && SendAll(s, reinterpret_cast<const char*>(body.data()), body.size());
  std::string response;
  char buf[8192];
  for (int n; ok && (n = recv(s, buf, sizeof buf, 0)) > 0;) response.append(buf, static_cast<size_t>(n));
  closesocket(s);
  const size_t header_end = response.find("\r\n\r\n");
  if (!ok || header_end == std::string::npos) {
    error_ = "no answer from CUPS at " + host_ + ":" + std::to_string(port_);
    return false;
  }
  const std::string header = response.substr(0, header_end);
  if (header.compare(0, 12, "HTTP/1.1 200") != 0 && header.compare(0, 12, "HTTP/1.0 200") != 0) {
    error_ = "CUPS answered " + header.substr(0, header.find("\r\n"));
    return false;
  }
  std::string content = response.substr(header_end + 4);
  std::string lower = header;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (lower.find("transfer-encoding: chunked") != std::string::npos) {
    std::string plain;
    if (!Unchunk(content, plain)) {
      error_ = "malformed answer from CUPS";
      return false;
    }
    content.swap(plain);
  }
  reply.assign(content.begin(), content.end());
  return true;
}

}  // namespace ipp
