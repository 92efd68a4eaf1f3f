// The GLib main loop and the window system's message loop on one thread: the desktop host runs
// GLib's loop, and the window system's messages are taken from it (MessagePump); a wait for
// WebKit's work lets GLib's loop run for a bounded time (IterateMainLoop).
#pragma once
#include "host/gtk/GObjectRef.h"
#include "host/gtk/GtkHeaders.h"

#include <chrono>
#include <functional>

// Runs the default main context once, waiting at most `most` for something to happen.
void IterateMainLoop(std::chrono::milliseconds most);

// While it lives, calls `dispatch` from the GLib main loop whenever the calling thread's window
// message queue holds something (looked at every `every`).
class MessagePump {
 public:
  MessagePump(std::function<void()> dispatch, std::chrono::milliseconds every);
  MessagePump(const MessagePump&) = delete;
  MessagePump& operator=(const MessagePump&) = delete;

 private:
  static gboolean OnTick(gpointer self);
  std::function<void()> dispatch_;
  GSourceHandle source_;
};
