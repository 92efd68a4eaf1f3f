// The browser's event interface, DWebBrowserEvents2: a sink connects its IDispatch to the
// browser's connection point for DIID_DWebBrowserEvents2 and receives each event as an Invoke
// with the event's DISPID. Arguments come last first (see DISPPARAMS).
#pragma once
#include "platform/com/Unknown.h"

extern const IID DIID_DWebBrowserEvents2;

// Event identifiers, with the arguments of each in their declared order.
// StatusTextChange(text)
constexpr DISPID DISPID_STATUSTEXTCHANGE = 102;
// DownloadComplete()
constexpr DISPID DISPID_DOWNLOADCOMPLETE = 104;
// CommandStateChange(command: int32, enable: bool)
constexpr DISPID DISPID_COMMANDSTATECHANGE = 105;
// ProgressChange(progress: int32, progressMax: int32)
constexpr DISPID DISPID_PROGRESSCHANGE = 108;
// TitleChange(text)
constexpr DISPID DISPID_TITLECHANGE = 113;
// BeforeNavigate2(browser: IDispatch, url, flags, targetFrameName, postData, headers: by
// reference, cancel: by reference to a bool the sink may set to stop the navigation)
constexpr DISPID DISPID_BEFORENAVIGATE2 = 250;
// NewWindow2(browser: by reference to IDispatch, cancel: by reference to a bool)
constexpr DISPID DISPID_NEWWINDOW2 = 251;
// NavigateComplete2(browser: IDispatch, url: by reference)
constexpr DISPID DISPID_NAVIGATECOMPLETE2 = 252;
// OnQuit()
constexpr DISPID DISPID_ONQUIT = 253;
// DocumentComplete(browser: IDispatch, url: by reference)
constexpr DISPID DISPID_DOCUMENTCOMPLETE = 259;

// Commands of CommandStateChange.
constexpr LONG CSC_UPDATECOMMANDS = -1;
constexpr LONG CSC_NAVIGATEFORWARD = 1;
constexpr LONG CSC_NAVIGATEBACK = 2;
