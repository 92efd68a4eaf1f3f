#include "links/RepairJob.h"

#include <vector>

#include "links/CLinkChecker.h"
#include "links/PlausibleAddress.h"
#include "platform/ui/MessageLoop.h"
#include "store/CBookmarkDatabase.h"
#include "toolbar/ReportedFailure.h"

namespace {

// Posts the order's progress message before the first address and then at most once an
// interval, however quick the checks are.
class ProgressPoster {
 public:
  explicit ProgressPoster(const RepairJobOrder& order) : order_(order) {}
  void BeforeCheck() {
    if (!order_.notify || order_.progressMessage == 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (posted_ && now - last_ < kRepairProgressInterval) return;
    posted_ = true;
    last_ = now;
    PostMessageW(order_.notify, order_.progressMessage, order_.job, 0);
  }

 private:
  const RepairJobOrder& order_;
  bool posted_ = false;
  std::chrono::steady_clock::time_point last_{};
};

void RepairAddresses(const RepairJobOrder& order, RepairTally& tally, const std::stop_token& stop) {
  // A connection of the job's own: the toolbar's store object stays with the user-interface
  // thread. One that cannot be opened has been reported by the store already.
  auto database = MakeCounted<CBookmarkDatabase>(order.dataFolder);
  if (!database->IsConnected()) return;
  std::vector<std::wstring> addresses;
  database->ListAddresses(addresses);
  tally.total = addresses.size();
  tally.listed = true;
  ProgressPoster progress(order);
  for (const std::wstring& address : addresses) {
    if (stop.stop_requested()) return;
    ++tally.current;
    progress.BeforeCheck();
    std::wstring newAddress;
    auto checker = MakeCounted<CLinkChecker>(stop, order.timeouts);
    const bool checked = checker->CheckLink(address, newAddress);
    // A check the stop cut short, or one that ended just as the stop came, is not written.
    if (stop.stop_requested()) return;
    if (!checked) {
      ++tally.unreachable;
    } else if (newAddress == address) {
      ++tally.unchanged;
    } else if (!IsPlausibleAddress(newAddress)) {
      // The server named an address no bookmark should get: kept, as after a failed check.
      ++tally.unreachable;
    } else {
      database->ReplaceAddress(address, newAddress);
      ++tally.moved;
    }
  }
}

}  // namespace

int RepairThreadProc(const RepairJobOrder& order, std::stop_token stop) {
  RepairTally ownTally;
  RepairTally& tally = order.tally ? *order.tally : ownTally;
  RunReportingFailure(L"RepairThreadProc failed", [&] { RepairAddresses(order, tally, stop); });
  if (order.notify) PostMessageW(order.notify, order.endedMessage, order.job, 0);
  return 0;
}

RepairJob::~RepairJob() { Stop(); }

bool RepairJob::Start(const std::wstring& dataFolder, HWND notify, UINT endedMessage, UINT progressMessage) {
  if (Running()) return false;
  tally_ = std::make_shared<RepairTally>();
  RepairJobOrder order{dataFolder, notify, endedMessage, ++number_, {}, progressMessage, tally_};
  thread_ = std::jthread([order = std::move(order)](std::stop_token stop) { RepairThreadProc(order, stop); });
  return true;
}

bool RepairJob::Release(WPARAM job) {
  if (!IsCurrent(job)) return false;
  thread_.join();
  return true;
}

void RepairJob::Stop() {
  if (!Running()) return;
  thread_.request_stop();
  thread_.join();
}
