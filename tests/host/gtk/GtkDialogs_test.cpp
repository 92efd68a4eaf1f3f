// The window system's boxes and menus as GTK dialogs and menus: what they show and the answers
// they give back, driven from the main loop while they are up.
#include "host/gtk/GtkDialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/host/gtk/GtkTestDisplay.h"
#include "published/ToolbarIds.h"

namespace {

struct SeenDialog {
  std::string title;
  std::string text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  std::vector<GtkResponseType> buttons;
};

// Answers the next message dialog with `response`, noting what it showed.
class DialogAnswer {
 public:
  DialogAnswer(GtkResponseType response, SeenDialog& seen)
      : step_([response, &seen] {
          GtkMessageDialog* dialog = ShownMessageDialog();
          if (!dialog) return false;
          seen.title = gtk_window_get_title(GTK_WINDOW(dialog));
          gchar* text = nullptr;
          g_object_get(dialog, "text", &text, "message-type", &seen.type, nullptr);
          seen.text = text ? text : "";
          g_free(text);
          for (GtkResponseType candidate : {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL, GTK_RESPONSE_YES, GTK_RESPONSE_NO})
            if (gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), candidate)) seen.buttons.push_back(candidate);
          gtk_dialog_response(GTK_DIALOG(dialog), response);
          return true;
        }) {}

 private:
  LaterStep step_;
};

MessageBoxRequest Box(std::wstring caption, std::wstring text, UINT type) {
  MessageBoxRequest box;
  box.caption = std::move(caption);
  box.text = std::move(text);
  box.type = type;
  return box;
}

class GtkDialogsTest : public GtkTest {};

TEST_F(GtkDialogsTest, AQuestionShowsItsCaptionIconAndYesNoAndGivesTheAnswerChosen) {
  const MessageBoxRequest question =
      Box(L"Delete bookmark", L"Delete http://example.test/ from the bookmarks?", MB_YESNO | MB_ICONQUESTION);
  SeenDialog seen;
  {
    DialogAnswer answer(GTK_RESPONSE_YES, seen);
    EXPECT_EQ(RunMessageBoxDialog(question, nullptr), IDYES);
  }
  EXPECT_EQ(seen.title, "Delete bookmark");
  EXPECT_EQ(seen.text, "Delete http://example.test/ from the bookmarks?");
  EXPECT_EQ(seen.type, GTK_MESSAGE_QUESTION);
  EXPECT_EQ(seen.buttons, (std::vector<GtkResponseType>{GTK_RESPONSE_YES, GTK_RESPONSE_NO}));

  SeenDialog again;
  DialogAnswer no(GTK_RESPONSE_NO, again);
  EXPECT_EQ(RunMessageBoxDialog(question, nullptr), IDNO);
  // Closed without a button, a question is answered with what changes nothing.
  DialogAnswer closed(GTK_RESPONSE_DELETE_EVENT, again);
  EXPECT_EQ(RunMessageBoxDialog(question, nullptr), IDNO);
}

TEST_F(GtkDialogsTest, EachKindOfBoxHasItsIconAndButtonsAndAClosedBoxChangesNothing) {
  struct Case {
    UINT type;
    GtkMessageType icon;
    std::vector<GtkResponseType> buttons;
    int closed;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONEXCLAMATION, GTK_MESSAGE_WARNING, {GTK_RESPONSE_OK}, IDOK},
      {MB_OK | MB_ICONERROR, GTK_MESSAGE_ERROR, {GTK_RESPONSE_OK}, IDOK},
      {MB_OK | MB_ICONINFORMATION, GTK_MESSAGE_INFO, {GTK_RESPONSE_OK}, IDOK},
      {MB_OK, GTK_MESSAGE_OTHER, {GTK_RESPONSE_OK}, IDOK},
      {MB_OKCANCEL | MB_ICONWARNING, GTK_MESSAGE_WARNING, {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL}, IDCANCEL},
      {MB_YESNOCANCEL | MB_ICONQUESTION,
       GTK_MESSAGE_QUESTION,
       {GTK_RESPONSE_CANCEL, GTK_RESPONSE_YES, GTK_RESPONSE_NO},
       IDCANCEL},
  };
  for (const Case& c : cases) {
    SeenDialog seen;
    DialogAnswer closed(GTK_RESPONSE_DELETE_EVENT, seen);
    EXPECT_EQ(RunMessageBoxDialog(Box(L"PendrelBand", L"text", c.type), nullptr), c.closed) << c.type;
    EXPECT_EQ(seen.type, c.icon) << c.type;
    EXPECT_EQ(seen.buttons, c.buttons) << c.type;
  }
  SeenDialog seen;
  DialogAnswer ok(GTK_RESPONSE_OK, seen);
  EXPECT_EQ(RunMessageBoxDialog(Box(L"Warning", L"x", MB_OKCANCEL), nullptr), IDOK);
}

TEST_F(GtkDialogsTest, TheTextIsShownAsItIsEvenWithPercentSigns) {
  SeenDialog seen;
  DialogAnswer ok(GTK_RESPONSE_OK, seen);
  RunMessageBoxDialog(Box(L"PendrelBand", L"100% %s %n <b>done</b>\nnext line", MB_OK), nullptr);
  EXPECT_EQ(seen.text, "100% %s %n <b>done</b>\nnext line");
}

TEST_F(GtkDialogsTest, ABoxAskedForByAnotherThreadIsShownOnTheMainLoopAndAnswered) {
  SeenDialog seen;
  DialogAnswer yes(GTK_RESPONSE_YES, seen);
  std::atomic<int> answer{0};
  // A thread of its own, started once the main loop runs (so that the loop owns the main
  // context): it waits for the main loop to show the box.
  std::thread worker;
  LaterStep start([&] {
    worker = std::thread([&] {
      answer = RunMessageBoxDialog(Box(L"Repair bookmarks", L"Go on?", MB_YESNO | MB_ICONQUESTION), nullptr);
    });
    return true;
  });
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  LaterStep stop([&] {
    if (answer == 0) return false;
    g_main_loop_quit(loop);
    return true;
  });
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  worker.join();
  EXPECT_EQ(answer, IDYES);
  EXPECT_EQ(seen.title, "Repair bookmarks");
}

// A menu entry as the GTK menu shows it.
class PopupMenuTest : public GtkDialogsTest {
 protected:
  void SetUp() override {
    GtkDialogsTest::SetUp();
    if (HasFatalFailure()) return;
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    anchor_ = gtk_button_new_with_label("Options");
    gtk_container_add(GTK_CONTAINER(window_), anchor_);
    gtk_widget_show_all(window_);
    ASSERT_TRUE(RunGtkUntil([&] { return gtk_widget_get_mapped(anchor_); }));
    request_.items = {
        {1, MF_CHECKED, L"Checked entry", nullptr, nullptr},
        {2, MF_GRAYED, L"Greyed entry", nullptr, nullptr},
        {0, MF_SEPARATOR, L"", nullptr, nullptr},
        {3, 0, L"Plain entry", nullptr, nullptr},
        {4, MF_CHECKED | MF_GRAYED, L"Checked and greyed", nullptr, nullptr},
    };
  }
  void TearDown() override {
    if (window_) gtk_widget_destroy(window_);
    GtkDialogsTest::TearDown();
  }
  GtkWidget* window_ = nullptr;
  GtkWidget* anchor_ = nullptr;
  PopupMenuRequest request_;
};

TEST_F(PopupMenuTest, ShowsChecksGreyedEntriesAndSeparatorsAndAnswersTheEntryChosen) {
  std::vector<ShownEntry> shown;
  LaterStep choose([&] {
    GtkWidget* menu = MenuAt(anchor_);
    if (!menu) return false;
    shown = EntriesOf(menu);
    gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), ItemLabelled(menu, "Plain entry"), TRUE);
    return true;
  });
  EXPECT_EQ(RunPopupMenu(request_, anchor_), 3u);
  EXPECT_EQ(shown, (std::vector<ShownEntry>{{"Checked entry", true, true, true},
                                            {"Greyed entry", false, false, false},
                                            {"-"},
                                            {"Plain entry", false, false, true},
                                            {"Checked and greyed", true, true, false}}));
  // The menu is gone with its answer.
  EXPECT_EQ(gtk_menu_get_for_attach_widget(anchor_), nullptr);
}

TEST_F(PopupMenuTest, AMenuClosedWithoutAChoiceAnswersNothing) {
  LaterStep dismiss([&] {
    GtkWidget* menu = MenuAt(anchor_);
    if (!menu) return false;
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
    return true;
  });
  EXPECT_EQ(RunPopupMenu(request_, anchor_), 0u);
  EXPECT_TRUE(dismiss.Done());
}

}  // namespace
