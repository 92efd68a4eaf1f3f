// The repair job: goes through every stored bookmark address on a worker thread, checks each with
// the link checker, and stores the address a moved page now has (a redirect, or a refresh tag that
// names a new site). Addresses that fail the check or answer with an error stay as they are; the
// job never deletes or marks a bookmark and shows no progress.
//
// The worker shares nothing with the user-interface thread but its stop flag: it opens the
// database with a connection of its own, and it never touches a window. When it ends it posts
// a message to the window that started it, whose thread then releases the job (Release).
#pragma once
#include <stop_token>
#include <string>
#include <thread>

#include "platform/com/WinTypes.h"
#include "platform/inet/InternetSession.h"

// What a job is given when it starts, copied to the worker.
struct RepairJobOrder {
  std::wstring dataFolder;  // the folder of Bookmark.mdb
  HWND notify = nullptr;    // told `endedMessage` when the job ends; none: nobody is told
  UINT endedMessage = 0;
  WPARAM job = 0;  // the job's number, the message's wParam
  InternetTimeouts timeouts{};  // how long each check waits on its server
};

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
  // Starts a worker on `dataFolder` that posts `endedMessage` (wParam: the job's number) to
  // `notify` when it ends. Refused (false) while a job is running.
  bool Start(const std::wstring& dataFolder, HWND notify, UINT endedMessage);
  // The ended message of job `job` has arrived: joins its thread, which has nothing left to do.
  // False, and nothing done, for a message of a job already stopped or released.
  bool Release(WPARAM job);
  // Raises the stop flag and waits for the worker, which ends promptly: between addresses, or in
  // a check, whose request the flag aborts. Nothing when no job runs.
  void Stop();

 private:
  std::jthread thread_;
  WPARAM number_ = 0;
};
