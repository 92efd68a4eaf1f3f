// The repair job: goes through every stored bookmark address on a worker thread, checks each with
// the link checker, and stores the address a moved page now has (a redirect, or a refresh tag that
// names a new site) when that address is a plausible one (see PlausibleAddress.h). Addresses that
// fail the check, answer with an error or name an implausible new address stay as they are; the
// job never deletes or marks a bookmark.
//
// The worker shares nothing with the user-interface thread but its stop flag and its tally: it
// opens the database with a connection of its own, and it never touches a window. While it runs it
// posts a progress message to the window that started it, now and then, and when it ends it posts
// the ended message, whose handling thread then releases the job (Release) and may read the final
// tally.
#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/com/WinTypes.h"
#include "platform/inet/InternetSession.h"

// What a job has done so far: written by its worker, read by any thread.
struct RepairTally {
  std::atomic<bool> listed{false};     // the address list has been read (the store could be opened)
  std::atomic<size_t> total{0};        // addresses in the list, known once it has been read
  std::atomic<size_t> current{0};      // the number (from 1) of the address being checked
  std::atomic<size_t> moved{0};        // addresses replaced by the new one found
  std::atomic<size_t> unreachable{0};  // failed checks, and moves to an implausible address
  std::atomic<size_t> unchanged{0};    // checks that found no move
};

// What a job is given when it starts, copied to the worker.
struct RepairJobOrder {
  std::wstring dataFolder;  // the folder of Bookmark.mdb
  HWND notify = nullptr;    // told `endedMessage` when the job ends; none: nobody is told
  UINT endedMessage = 0;
  WPARAM job = 0;  // the job's number, the wParam of both messages
  InternetTimeouts timeouts{};  // how long each check waits on its server
  // Posted to `notify` before the first address is checked and then before an address at most
  // once every kRepairProgressInterval, so a long list of quick checks never floods the queue;
  // 0: none.
  UINT progressMessage = 0;
  std::shared_ptr<RepairTally> tally{};  // counted into when given
};

// The least time between two progress messages of one job.
constexpr std::chrono::milliseconds kRepairProgressInterval{250};

// The worker's body: reads the address list once, in order, and checks one address after the
// other until the list ends or `stop` is requested. A stop request ends a check in progress at
// once, and the address of that check is not written. Then posts the ended message. Catches
// everything it meets (reported in a message box from this thread); returns 0.
int RepairThreadProc(const RepairJobOrder& order, std::stop_token stop);

// The toolbar's hold on its repair job: at most one worker thread, joined before it is let go.
// Used from one thread, the one that starts the job.
class RepairJob {
 public:
  RepairJob() = default;
  // Stops and joins a running job.
  ~RepairJob();
  RepairJob(const RepairJob&) = delete;
  RepairJob& operator=(const RepairJob&) = delete;

  // From Start until the job is released or stopped.
  bool Running() const { return thread_.joinable(); }
  // Whether `job` is the number of the job that runs now: a message of an earlier job is not.
  bool IsCurrent(WPARAM job) const { return Running() && job == number_; }
  // Starts a worker on `dataFolder` that posts `progressMessage` (when not 0) while it runs and
  // `endedMessage` when it ends to `notify`, each with the job's number as wParam. Refused
  // (false) while a job is running.
  bool Start(const std::wstring& dataFolder, HWND notify, UINT endedMessage, UINT progressMessage = 0);
  // The ended message of job `job` has arrived: joins its thread, which has nothing left to do.
  // False, and nothing done, for a message of a job already stopped or released.
  bool Release(WPARAM job);
  // Raises the stop flag and waits for the worker, which ends promptly: between addresses, or in
  // a check, whose request the flag aborts. Nothing when no job runs.
  void Stop();
  // The counts of the job started last: still moving while it runs, final once it is released.
  const RepairTally& Tally() const { return *tally_; }

 private:
  std::jthread thread_;
  WPARAM number_ = 0;
  std::shared_ptr<RepairTally> tally_ = std::make_shared<RepairTally>();
};
