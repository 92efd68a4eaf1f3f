#include "links/RepairJob.h"

#include <vector>

#include "links/CLinkChecker.h"
#include "platform/ui/MessageLoop.h"
#include "store/CBookmarkDatabase.h"
#include "toolbar/ReportedFailure.h"

namespace {

void RepairAddresses(const RepairJobOrder& order, const std::stop_token& stop) {
  // A connection of the job's own: the toolbar's store object stays with the user-interface
  // thread. One that cannot be opened has been reported by the store already.
  auto database = MakeCounted<CBookmarkDatabase>(order.dataFolder);
  if (!database->IsConnected()) return;
  std::vector<std::wstring> addresses;
  database->ListAddresses(addresses);
  for (const std::wstring& address : addresses) {
    if (stop.stop_requested()) return;
    std::wstring newAddress;
    auto checker = MakeCounted<CLinkChecker>(stop, order.timeouts);
    const bool checked = checker->CheckLink(address, newAddress);
    // A check the stop cut short, or one that ended just as the stop came, is not written.
    if (stop.stop_requested()) return;
    if (checked && newAddress != address) database->ReplaceAddress(address, newAddress);
  }
}

}  // namespace

int RepairThreadProc(const RepairJobOrder& order, std::stop_token stop) {
  RunReportingFailure(L"RepairThreadProc failed", [&] { RepairAddresses(order, stop); });
  if (order.notify) PostMessageW(order.notify, order.endedMessage, order.job, 0);
  return 0;
}

RepairJob::~RepairJob() { Stop(); }

bool RepairJob::Start(const std::wstring& dataFolder, HWND notify, UINT endedMessage) {
  if (Running()) return false;
  RepairJobOrder order{dataFolder, notify, endedMessage, ++number_};
  thread_ = std::jthread([order = std::move(order)](std::stop_token stop) { RepairThreadProc(order, stop); });
  return true;
}

bool RepairJob::Release(WPARAM job) {
  if (job != number_ || !Running()) return false;
  thread_.join();
  return true;
}

void RepairJob::Stop() {
  if (!Running()) return;
  thread_.request_stop();
  thread_.join();
}
