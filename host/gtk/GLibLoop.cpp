#include "host/gtk/GLibLoop.h"

#include "platform/ui/MessageLoop.h"

namespace {

gboolean WakeUp(gpointer fired) {
  *static_cast<bool*>(fired) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

void IterateMainLoop(std::chrono::milliseconds most) {
  // Something pending is handled at once; otherwise a timer ends the wait.
  if (g_main_context_iteration(nullptr, FALSE)) return;
  bool fired = false;
  guint timer = g_timeout_add(static_cast<guint>(most.count()), WakeUp, &fired);
  g_main_context_iteration(nullptr, TRUE);
  if (!fired) g_source_remove(timer);
}

MessagePump::MessagePump(std::function<void()> dispatch, std::chrono::milliseconds every)
    : dispatch_(std::move(dispatch)) {
  source_ = GSourceHandle(g_timeout_add(static_cast<guint>(every.count()), OnTick, this));
}


gboolean MessagePump::OnTick(gpointer self) {
  MSG msg;
  if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) static_cast<MessagePump*>(self)->dispatch_();
  return G_SOURCE_CONTINUE;
}
