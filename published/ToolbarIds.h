// What the band publishes to the hosts that dock it about its toolbar window: the command ids of
// its buttons and setup-menu entries, the control ids of its boxes, and the messages that hand out
// its setup menu and its repair state. A host finds the toolbar window through the band's
// IOleWindow and reaches everything else through these, never through the band's classes.
#pragma once
#include "platform/com/WinTypes.h"
#include "platform/ui/Messages.h"

// Command ids of the buttons and of the setup menu's entries.
constexpr UINT ID_BUTTON_ADD = 32768;
constexpr UINT ID_BUTTON_CHANGE = 32769;
constexpr UINT ID_BUTTON_DELETE = 32770;
constexpr UINT ID_BUTTON_OPTIONS = 32771;
constexpr UINT ID_BUTTON_SHOW = 32772;
constexpr UINT ID_TOOLBAR = 206;
constexpr UINT ID_SEARCH_BOX = 103;
constexpr UINT ID_CATEGORY_BOX = 104;

constexpr UINT ID_MENU_ENABLE_FORMS = 32792;
constexpr UINT ID_MENU_DISABLE_FORMS = 32393;
constexpr UINT ID_MENU_SEARCH_OR = 32784;
constexpr UINT ID_MENU_SEARCH_AND = 32785;
constexpr UINT ID_MENU_LIST_ALL = 32773;
constexpr UINT ID_MENU_REPAIR = 32775;
constexpr UINT ID_MENU_HISTORY_SWITCH = 32783;
constexpr UINT ID_MENU_DISPLAY_HISTORY = 32776;
constexpr UINT ID_MENU_CLEAR_HISTORY = 32777;
constexpr UINT ID_MENU_IMPORT = 32780;
constexpr UINT ID_MENU_EXPORT = 32781;
constexpr UINT ID_MENU_DELETE_CATEGORY = 32786;
constexpr UINT ID_MENU_HELP = 32779;
constexpr UINT ID_MENU_ABOUT = 32788;

// Sent to the toolbar window: answers its setup menu (an HMENU) as the result; 0 before the menu
// is built. wParam and lParam are 0.
constexpr UINT TBM_GETSETUPMENU = WM_APP + 0x101;
// Sent to the toolbar window: TRUE while a repair job runs (from its start until the toolbar has
// let go of its ended worker), else FALSE. wParam and lParam are 0.
constexpr UINT TBM_ISREPAIRRUNNING = WM_APP + 0x102;
