#pragma once
// A scheduler that misbehaves, on a port of 127.0.0.1: for the tests of the
// IPP client's deadlines and limits, and to see a client's calls arrive
// where no scheduler is.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace winkit {
class WinsockScope;
}

namespace qftest {

class FakeScheduler {
 public:
  enum class Mode {
    Silent,    // accepts, reads the request, never answers
    Trickle,   // answers one byte every two seconds
    NoEndTag,  // a whole HTTP answer whose IPP body lacks its end tag
    HangUp,    // closes each connection at once, as a scheduler going away
  };
  // On `port`, or on a free one with 0. Port() is 0 when it cannot listen.
  explicit FakeScheduler(Mode mode, int port = 0);
  ~FakeScheduler();
  FakeScheduler(const FakeScheduler&) = delete;
  FakeScheduler& operator=(const FakeScheduler&) = delete;
  int Port() const { return port_; }
  // Connections accepted so far.
  int Accepted() const { return accepted_; }

 private:
  void Serve();
  void Answer(unsigned long long client);

  Mode mode_;
  std::unique_ptr<winkit::WinsockScope> winsock_;
  unsigned long long listener_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::thread thread_;
  std::vector<std::thread> clients_;
};

}  // namespace qftest
