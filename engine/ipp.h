#pragma once
// A small IPP client for the local CUPS scheduler: just the two requests the
// print-job monitor needs (Get-Jobs and Get-Job-Attributes) and the job
// attributes it reads, over HTTP on localhost:631.
#include <cstdint>
#include <string>
#include <vector>

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

// Encoding and decoding, apart from the transport so that tests can check
// them without a scheduler.
std::vector<std::uint8_t> EncodeGetJobs(std::uint32_t request_id, const std::string& printer_uri,
                                        const char* which_jobs);
std::vector<std::uint8_t> EncodeGetJobAttributes(std::uint32_t request_id, int job_id);
// Status code of the response (-1 when it is not IPP) and the job groups.
int DecodeJobs(const std::vector<std::uint8_t>& body, std::vector<Job>& jobs);

constexpr int kStatusOk = 0x0000;
constexpr int kStatusNotFound = 0x0406;

class Client {
 public:
  explicit Client(std::string host = "localhost", int port = 631);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Jobs of `queue` ("" for every queue); which: "all", "not-completed",
  // "completed". False when the scheduler cannot be reached or refuses.
  bool GetJobs(const std::string& queue, const char* which, std::vector<Job>& jobs);
  // One job by id; `found` false when the scheduler knows no such job.
  bool QueryJob(int job_id, Job& job, bool& found);
  // Text of the last failure, for the log.
  const std::string& LastError() const { return error_; }

 private:
  bool Post(const std::string& resource, const std::vector<std::uint8_t>& body, std::vector<std::uint8_t>& reply);

  std::string host_;
  int port_;
  std::uint32_t next_request_ = 1;
  std::string error_;
  bool wsa_ = false;
};

}  // namespace ipp
