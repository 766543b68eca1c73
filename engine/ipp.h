#pragma once
// A small IPP client for the local CUPS scheduler: the job queries and the
// pull-method event subscriptions the print-job monitor needs, over HTTP.
// Every request has a deadline, every reply is read by its length and capped
// in size, and a call in flight can be cancelled from another thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace winkit {
class WinsockScope;
}

namespace ipp {

enum JobState : int {
  kPending = 3,
  kHeld = 4,
  kProcessing = 5,
  kStopped = 6,
  kCanceled = 7,
  kAborted = 8,
  kCompleted = 9
};

struct Job {
  int id = 0;
  int state = 0;
  std::string name;     // job-name, converted to the ANSI code page
  std::string printer;  // queue name, from job-printer-uri
  bool Finished() const { return state >= kCanceled; }
};

// One event of a subscription, as Get-Notifications reports it.
struct Event {
  int sequence = 0;
  std::string event;  // notify-subscribed-event: job-created, job-state-changed, job-completed
  int job_id = 0;
  int job_state = 0;
  std::string job_name;  // ANSI code page
};

// What a reply held. Decoding fails (false) on a reply that is not IPP, is
// cut short or lacks its end tag.
struct Reply {
  int status = -1;
  std::vector<Job> jobs;
  std::vector<Event> events;
  int subscription_id = 0;
};
bool Decode(const std::vector<std::uint8_t>& body, Reply& reply);

// Encoding, apart from the transport so that tests can check it without a
// scheduler. `printer_uri` is "ipp://localhost/printers/<queue>".
std::vector<std::uint8_t> EncodeGetJobs(std::uint32_t request_id, const std::string& printer_uri,
                                        const char* which_jobs);
std::vector<std::uint8_t> EncodeGetJobAttributes(std::uint32_t request_id, int job_id);
std::vector<std::uint8_t> EncodeCreateSubscription(std::uint32_t request_id, const std::string& printer_uri,
                                                   int lease_seconds);
std::vector<std::uint8_t> EncodeRenewSubscription(std::uint32_t request_id, const std::string& printer_uri,
                                                  int subscription_id, int lease_seconds);
std::vector<std::uint8_t> EncodeGetNotifications(std::uint32_t request_id, const std::string& printer_uri,
                                                 int subscription_id, int first_sequence);
std::vector<std::uint8_t> EncodeCancelSubscription(std::uint32_t request_id, const std::string& printer_uri,
                                                   int subscription_id);

constexpr int kStatusOk = 0x0000;
constexpr int kStatusNotFound = 0x0406;
inline bool Succeeded(int status) {
  return status >= 0 && status < 0x0400;
}

// Limits of one request.
constexpr unsigned kRequestDeadlineMs = 5000;
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kMaxReplyBytes = 8 * 1024 * 1024;

class Client {
 public:
  explicit Client(std::string host = "localhost", int port = 631, unsigned deadline_ms = kRequestDeadlineMs);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Jobs of `queue` ("" for every queue); which: "all", "not-completed",
  // "completed". False when the scheduler cannot be reached or refuses.
  bool GetJobs(const std::string& queue, const char* which, std::vector<Job>& jobs);
  // One job by id; `found` false when the scheduler knows no such job.
  bool QueryJob(int job_id, Job& job, bool& found);

  // Subscriptions to the job events of a queue, pulled with Get-Notifications.
  bool CreateSubscription(const std::string& queue, int lease_seconds, int& subscription_id);
  // `gone` is true when the scheduler knows no such subscription (any more).
  bool RenewSubscription(const std::string& queue, int subscription_id, int lease_seconds, bool& gone);
  bool GetNotifications(const std::string& queue, int subscription_id, int first_sequence, std::vector<Event>& events,
                        bool& gone);
  bool CancelSubscription(const std::string& queue, int subscription_id);

  // From any thread: the call in flight, and every later one, fails at once
  // until Resume is called.
  void Cancel() noexcept { cancelled_ = true; }
  void Resume() noexcept { cancelled_ = false; }
  void SetDeadline(unsigned deadline_ms) noexcept { deadline_ms_ = deadline_ms; }

  // Text of the last failure, for the log.
  const std::string& LastError() const { return error_; }

 private:
  bool Call(const std::string& queue, const std::vector<std::uint8_t>& body, Reply& reply);
  bool Post(const std::string& resource, const std::vector<std::uint8_t>& body, std::vector<std::uint8_t>& reply);

  std::string host_;
  int port_;
  unsigned deadline_ms_;
  std::uint32_t next_request_ = 1;
  std::string error_;
  std::unique_ptr<winkit::WinsockScope> winsock_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace ipp
