#include "tests/host/gtk/GtkTestDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

extern char** environ;

namespace {

constexpr char kScreen[] = "1280x1024x24";
constexpr int kStartMilliseconds = 20000;
constexpr auto kRunLimit = std::chrono::seconds(20);

// The X server this program started, ended when the program ends.
class XvfbServer {
 public:
  ~XvfbServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Starts the server and answers its display (":N"), or empty with the reason in `why`.
  std::string Start(std::string& why) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
      why = "no pipe for Xvfb's display number";
      return {};
    }
    std::string fd = std::to_string(pipe_fds[1]);
    // -terminate: the server ends with its last client, so a test program that dies (a
    // sanitizer's abort) leaves no server behind; this program connects at once and stays.
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", kScreen, "-nolisten", "tcp",
                          "-terminate", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    // The server's own chatter would bury the test output.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int failed = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (failed) {
      close(pipe_fds[0]);
      pid_ = -1;
      why = "Xvfb could not be started (is the xvfb package installed?)";
      return {};
    }
    std::string number;
    pollfd ready{pipe_fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&ready, 1, kStartMilliseconds) > 0) {
      char buffer[16];
      ssize_t got = read(pipe_fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      number.append(buffer, static_cast<size_t>(got));
    }
    close(pipe_fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
      why = "Xvfb started but never said which display it opened";
      return {};
    }
    std::string display = ":";  // appended: g++ 12 misreads ":" + a temporary as an overlapping copy
    display.append(number, 0, number.find('\n'));
    return display;
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace

bool OpenTestDisplay(std::string& why) {
  static XvfbServer server;
  static std::string failure;
  static bool opened = [] {
    std::string display = server.Start(failure);
    if (display.empty()) return false;
    setenv("DISPLAY", display.c_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);
    // No accessibility bus under a bare X server.
    setenv("NO_AT_BRIDGE", "1", 1);
    unsetenv("WAYLAND_DISPLAY");
    if (!gtk_init_check(nullptr, nullptr)) {
      failure = "GTK could not open the display " + display + " of Xvfb";
      return false;
    }
    return true;
  }();
  why = failure;
  return opened;
}

namespace {

// Opens the display before the first test, so that the programs the tests start (pendrel-browser)
// find it in DISPLAY too; without one the whole program fails, saying why.
class TestDisplayEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string why;
    if (!OpenTestDisplay(why)) FAIL() << "no display for the desktop tests: " << why;
  }
};
const auto* const kTestDisplay = ::testing::AddGlobalTestEnvironment(new TestDisplayEnvironment);

}  // namespace

void DrainGtkEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

bool RunGtkUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    g_main_context_iteration(nullptr, FALSE);
    if (!gtk_events_pending()) g_usleep(1000);
  }
  return true;
}

void GtkTest::SetUp() {
  std::string why;
  if (!OpenTestDisplay(why)) FAIL() << "no display for the GTK tests: " << why;
}

void GtkTest::TearDown() {
  if (gdk_display_get_default()) DrainGtkEvents();
}

namespace {
constexpr guint kStepMilliseconds = 20;
}

LaterStep::LaterStep(std::function<bool()> step)
    : step_(std::move(step)), source_(g_timeout_add(kStepMilliseconds, &LaterStep::Try, this)) {}

LaterStep::~LaterStep() {
  if (source_) g_source_remove(source_);
}

gboolean LaterStep::Try(gpointer data) {
  auto* self = static_cast<LaterStep*>(data);
  if (!self->step_()) return G_SOURCE_CONTINUE;
  self->done_ = true;
  self->source_ = 0;
  return G_SOURCE_REMOVE;
}

GtkMessageDialog* ShownMessageDialog() {
  GtkMessageDialog* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next)
    if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
      found = GTK_MESSAGE_DIALOG(w->data);
  g_list_free(windows);
  return found;
}

bool PressGtkKey(GtkWidget* widget, guint keyval, GdkModifierType modifiers) {
  std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> event(gdk_event_new(GDK_KEY_PRESS), &gdk_event_free);
  GdkWindow* window = gtk_widget_get_window(widget);
  event->key.window = window ? GDK_WINDOW(g_object_ref(window)) : nullptr;
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.state = modifiers;
  event->key.keyval = keyval;
  gdk_event_set_device(event.get(), gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
  return gtk_widget_event(widget, event.get());
}

void TypeGtkText(GtkWidget* widget, const std::string& utf8) {
  for (const char* p = utf8.c_str(); *p; p = g_utf8_next_char(p)) {
    gunichar c = g_utf8_get_char(p);
    bool upper = g_unichar_isupper(c);
    PressGtkKey(widget, gdk_unicode_to_keyval(c), upper ? GDK_SHIFT_MASK : static_cast<GdkModifierType>(0));
  }
}

std::vector<ShownEntry> EntriesOf(GtkWidget* menu) {
  std::vector<ShownEntry> entries;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* c = children; c; c = c->next) {
    GtkWidget* item = GTK_WIDGET(c->data);
    ShownEntry entry;
    if (GTK_IS_SEPARATOR_MENU_ITEM(item)) {
      entry.label = "-";
    } else {
      entry.label = gtk_menu_item_get_label(GTK_MENU_ITEM(item));
      entry.check = GTK_IS_CHECK_MENU_ITEM(item);
      entry.checked = entry.check && gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item));
      entry.sensitive = gtk_widget_get_sensitive(item);
    }
    entries.push_back(entry);
  }
  g_list_free(children);
  return entries;
}

GtkWidget* ItemLabelled(GtkWidget* menu, const std::string& label) {
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* c = children; c; c = c->next)
    if (!GTK_IS_SEPARATOR_MENU_ITEM(c->data) && gtk_menu_item_get_label(GTK_MENU_ITEM(c->data)) == label)
      found = GTK_WIDGET(c->data);
  g_list_free(children);
  return found;
}

GtkWidget* MenuAt(GtkWidget* anchor) {
  GList* menus = gtk_menu_get_for_attach_widget(anchor);
  GtkWidget* menu = menus && gtk_widget_get_visible(GTK_WIDGET(menus->data)) ? GTK_WIDGET(menus->data) : nullptr;
  return menu;
}
