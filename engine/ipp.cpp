#include "engine/ipp.h"

#include <windows.h>

#include "app/base/log.h"
#include "winkit/text.h"

namespace ipp {

namespace {

enum Tag : std::uint8_t {
  kOperationGroup = 0x01,
  kJobGroup = 0x02,
  kEndOfAttributes = 0x03,
  kSubscriptionGroup = 0x06,
  kEventNotificationGroup = 0x07,
  kInteger = 0x21,
  kBoolean = 0x22,
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
constexpr std::uint16_t kCreatePrinterSubscriptions = 0x0016;
constexpr std::uint16_t kRenewSubscription = 0x001A;
constexpr std::uint16_t kCancelSubscription = 0x001B;
constexpr std::uint16_t kGetNotifications = 0x001C;

// CUPS shows a job's name only to its owner. Jobs of this session are
// submitted under the login name, which is also the Windows user name.
std::string RequestingUser() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (GetUserNameA(name, &size) && name[0]) return name;
  return "anonymous";
}

class Writer {
 public:
  Writer(std::uint16_t operation, std::uint32_t request_id, const std::string& printer_uri) {
    U8(2), U8(0);  // IPP/2.0
    U16(operation);
    U32(request_id);
    U8(kOperationGroup);
    Attr(kCharset, "attributes-charset", "utf-8");
    Attr(kNaturalLanguage, "attributes-natural-language", "en");
    Attr(kUri, "printer-uri", printer_uri);
  }
  void Attr(std::uint8_t tag, const std::string& name, const std::string& value) {
    Name(tag, name);
    U16(static_cast<std::uint16_t>(value.size()));
    out_.insert(out_.end(), value.begin(), value.end());
  }
  void Integer(const std::string& name, std::int32_t v) {
    Name(kInteger, name);
    U16(4);
    U32(static_cast<std::uint32_t>(v));
  }
  void Boolean(const std::string& name, bool v) {
    Name(kBoolean, name);
    U16(1);
    U8(v ? 1 : 0);
  }
  void User() { Attr(kNameWithoutLanguage, "requesting-user-name", RequestingUser()); }
  // A multi-valued keyword attribute: further values carry an empty name.
  void Keywords(const std::string& name, const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i) Attr(kKeyword, i ? "" : name, values[i]);
  }
  void Group(std::uint8_t tag) { U8(tag); }
  std::vector<std::uint8_t> Finish() {
    U8(kEndOfAttributes);
    return std::move(out_);
  }

 private:
  void Name(std::uint8_t tag, const std::string& name) {
    U8(tag);
    U16(static_cast<std::uint16_t>(name.size()));
    out_.insert(out_.end(), name.begin(), name.end());
  }
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) { U8(static_cast<std::uint8_t>(v >> 8)), U8(static_cast<std::uint8_t>(v)); }
  void U32(std::uint32_t v) { U16(static_cast<std::uint16_t>(v >> 16)), U16(static_cast<std::uint16_t>(v)); }
  std::vector<std::uint8_t> out_;
};

const std::vector<std::string> kJobAttributes = {"job-id", "job-name", "job-state", "job-printer-uri"};
const std::vector<std::string> kJobEvents = {"job-created", "job-state-changed", "job-completed"};

std::string Utf8ToAnsi(const std::string& s) { return winkit::Recode(s, CP_UTF8, CP_ACP); }

std::string QueueOfUri(const std::string& uri) {
  const size_t slash = uri.rfind('/');
  return slash == std::string::npos ? uri : uri.substr(slash + 1);
}

std::string PrinterUri(const std::string& queue) {
  return "ipp://localhost/" + (queue.empty() ? std::string() : "printers/" + queue);
}

}  // namespace

std::vector<std::uint8_t> EncodeGetJobs(std::uint32_t request_id, const std::string& printer_uri,
                                        const char* which_jobs) {
  Writer w(kGetJobs, request_id, printer_uri);
  w.User();
  w.Attr(kKeyword, "which-jobs", which_jobs);
  w.Keywords("requested-attributes", kJobAttributes);
  return w.Finish();
}

std::vector<std::uint8_t> EncodeGetJobAttributes(std::uint32_t request_id, int job_id) {
  Writer w(kGetJobAttributes, request_id, "ipp://localhost/");
  w.Integer("job-id", job_id);
  w.User();
  w.Keywords("requested-attributes", kJobAttributes);
  return w.Finish();
}

std::vector<std::uint8_t> EncodeCreateSubscription(std::uint32_t request_id, const std::string& printer_uri,
                                                   int lease_seconds) {
  Writer w(kCreatePrinterSubscriptions, request_id, printer_uri);
  w.User();
  w.Group(kSubscriptionGroup);
  w.Attr(kKeyword, "notify-pull-method", "ippget");
  w.Keywords("notify-events", kJobEvents);
  w.Integer("notify-lease-duration", lease_seconds);
  return w.Finish();
}

std::vector<std::uint8_t> EncodeRenewSubscription(std::uint32_t request_id, const std::string& printer_uri,
                                                  int subscription_id, int lease_seconds) {
  Writer w(kRenewSubscription, request_id, printer_uri);
  w.Integer("notify-subscription-id", subscription_id);
  w.User();
  w.Group(kSubscriptionGroup);
  w.Integer("notify-lease-duration", lease_seconds);
  return w.Finish();
}

std::vector<std::uint8_t> EncodeGetNotifications(std::uint32_t request_id, const std::string& printer_uri,
                                                 int subscription_id, int first_sequence) {
  Writer w(kGetNotifications, request_id, printer_uri);
  w.User();
  w.Integer("notify-subscription-ids", subscription_id);
  w.Integer("notify-sequence-numbers", first_sequence);
  w.Boolean("notify-wait", false);
  return w.Finish();
}

std::vector<std::uint8_t> EncodeCancelSubscription(std::uint32_t request_id, const std::string& printer_uri,
                                                   int subscription_id) {
  Writer w(kCancelSubscription, request_id, printer_uri);
  w.Integer("notify-subscription-id", subscription_id);
  w.User();
  return w.Finish();
}

bool Decode(const std::vector<std::uint8_t>& b, Reply& reply) {
  reply = Reply();
  if (b.size() < 9) return false;
  const int status = (b[2] << 8) | b[3];
  size_t pos = 8;
  Job* job = nullptr;
  Event* event = nullptr;
  bool in_subscription = false;
  std::string last_name;
  for (;;) {
    if (pos >= b.size()) return false;  // no end tag: the reply was cut short
    const std::uint8_t tag = b[pos++];
    if (tag == kEndOfAttributes) break;
    if (tag < 0x10) {  // a new group
      job = nullptr, event = nullptr, in_subscription = tag == kSubscriptionGroup;
      if (tag == kJobGroup) job = &reply.jobs.emplace_back();
      if (tag == kEventNotificationGroup) event = &reply.events.emplace_back();
      continue;
    }
    if (pos + 2 > b.size()) return false;
    const size_t name_len = static_cast<size_t>((b[pos] << 8) | b[pos + 1]);
    pos += 2;
    if (pos + name_len + 2 > b.size()) return false;
    std::string name(reinterpret_cast<const char*>(&b[pos]), name_len);
    pos += name_len;
    const size_t value_len = static_cast<size_t>((b[pos] << 8) | b[pos + 1]);
    pos += 2;
    if (pos + value_len > b.size()) return false;
    const std::uint8_t* v = &b[pos];
    pos += value_len;
    if (name.empty()) name = last_name;  // a further value of the same attribute
    last_name = name;
    const std::string text(reinterpret_cast<const char*>(v), value_len);
    int n = 0;
    const bool number = (tag == kInteger || tag == kEnum) && value_len == 4;
    if (number)
      n = static_cast<int>((std::uint32_t{v[0]} << 24) | (std::uint32_t{v[1]} << 16) | (std::uint32_t{v[2]} << 8) |
                           v[3]);
    const bool is_name = tag == kNameWithoutLanguage || tag == kTextWithoutLanguage;
    if (job) {
      if (number && name == "job-id") job->id = n;
      if (number && name == "job-state") job->state = n;
      if (is_name && name == "job-name") job->name = Utf8ToAnsi(text);
      if (tag == kUri && name == "job-printer-uri") job->printer = QueueOfUri(text);
    } else if (event) {
      if (number && name == "notify-sequence-number") event->sequence = n;
      if (number && name == "notify-job-id") event->job_id = n;
      if (number && name == "job-state") event->job_state = n;
      if (tag == kKeyword && name == "notify-subscribed-event") event->event = text;
      if (is_name && name == "job-name") event->job_name = Utf8ToAnsi(text);
    } else if (in_subscription && number && name == "notify-subscription-id") {
      reply.subscription_id = n;
    }
  }
  reply.status = status;
  return true;
}

bool Client::Call(const std::string& queue, const std::vector<std::uint8_t>& body, Reply& reply) {
  std::vector<std::uint8_t> raw;
  if (!Post(queue.empty() ? "/" : "/printers/" + queue, body, raw)) return false;
  if (!Decode(raw, reply)) {
    error_ = "CUPS at " + host_ + ":" + std::to_string(port_) + " sent a damaged IPP reply";
    return false;
  }
  return true;
}

bool Client::GetJobs(const std::string& queue, const char* which, std::vector<Job>& jobs) {
  Reply r;
  if (!Call(queue, EncodeGetJobs(next_request_++, PrinterUri(queue), which), r)) return false;
  if (!Succeeded(r.status)) {
    error_ = "CUPS refused Get-Jobs (status " + std::to_string(r.status) + ")";
    return false;
  }
  jobs = std::move(r.jobs);
  return true;
}

bool Client::QueryJob(int job_id, Job& job, bool& found) {
  found = false;
  Reply r;
  if (!Call("", EncodeGetJobAttributes(next_request_++, job_id), r)) return false;
  if (r.status == kStatusNotFound) return true;
  if (!Succeeded(r.status) || r.jobs.empty()) {
    error_ = "CUPS refused Get-Job-Attributes (status " + std::to_string(r.status) + ")";
    return false;
  }
  job = r.jobs.front();
  found = true;
  return true;
}

bool Client::CreateSubscription(const std::string& queue, int lease_seconds, int& subscription_id) {
  Reply r;
  if (!Call(queue, EncodeCreateSubscription(next_request_++, PrinterUri(queue), lease_seconds), r)) return false;
  if (!Succeeded(r.status) || r.subscription_id <= 0) {
    error_ = "CUPS refused a subscription to the jobs of " + queue + " (status " + std::to_string(r.status) + ")";
    return false;
  }
  subscription_id = r.subscription_id;
  return true;
}

bool Client::RenewSubscription(const std::string& queue, int subscription_id, int lease_seconds, bool& gone) {
  gone = false;
  Reply r;
  if (!Call(queue, EncodeRenewSubscription(next_request_++, PrinterUri(queue), subscription_id, lease_seconds), r))
    return false;
  gone = r.status == kStatusNotFound;
  if (!Succeeded(r.status)) {
    error_ = "CUPS refused to renew subscription " + std::to_string(subscription_id) + " (status " +
             std::to_string(r.status) + ")";
    return false;
  }
  return true;
}

bool Client::GetNotifications(const std::string& queue, int subscription_id, int first_sequence,
                              std::vector<Event>& events, bool& gone) {
  gone = false;
  Reply r;
  if (!Call(queue, EncodeGetNotifications(next_request_++, PrinterUri(queue), subscription_id, first_sequence), r))
    return false;
  gone = r.status == kStatusNotFound;
  if (!Succeeded(r.status)) {
    error_ = "CUPS refused Get-Notifications (status " + std::to_string(r.status) + ")";
    return false;
  }
  events = std::move(r.events);
  return true;
}

bool Client::CancelSubscription(const std::string& queue, int subscription_id) {
  Reply r;
  return Call(queue, EncodeCancelSubscription(next_request_++, PrinterUri(queue), subscription_id), r) &&
         Succeeded(r.status);
}

}  // namespace ipp
