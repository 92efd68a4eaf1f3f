// The interfaces between a browser window and a band docked in it: the band answers
// IObjectWithSite, IInputObject and IDeskBand (with IOleWindow and IDockingWindow); the site the
// browser gives it answers IInputObjectSite, IOleWindow and IServiceProvider.
#pragma once
#include "platform/com/Unknown.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Messages.h"

extern const IID IID_IObjectWithSite;
extern const IID IID_IInputObject;
extern const IID IID_IInputObjectSite;
extern const IID IID_IOleWindow;
extern const IID IID_IDockingWindow;
extern const IID IID_IDeskBand;
extern const IID IID_IServiceProvider;
// The service a site answers with the window's browser object.
extern const GUID SID_SWebBrowserApp;

struct IObjectWithSite : IUnknown {
  // `site` may be null: the band lets go of its site.
  virtual HRESULT SetSite(IUnknown* site) = 0;
  virtual HRESULT GetSite(REFIID iid, void** site) = 0;

 protected:
  ~IObjectWithSite() = default;
};

struct IInputObject : IUnknown {
  virtual HRESULT UIActivateIO(BOOL activate, MSG* msg) = 0;
  virtual HRESULT HasFocusIO() = 0;
  // S_OK: the band used the key; S_FALSE: the browser handles it.
  virtual HRESULT TranslateAcceleratorIO(MSG* msg) = 0;

 protected:
  ~IInputObject() = default;
};

struct IInputObjectSite : IUnknown {
  virtual HRESULT OnFocusChangeIS(IUnknown* object, BOOL focus) = 0;

 protected:
  ~IInputObjectSite() = default;
};

struct IOleWindow : IUnknown {
  virtual HRESULT GetWindow(HWND* window) = 0;
  virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;

 protected:
  ~IOleWindow() = default;
};

struct IDockingWindow : IOleWindow {
  virtual HRESULT ShowDW(BOOL show) = 0;
  virtual HRESULT CloseDW(DWORD reserved) = 0;
  virtual HRESULT ResizeBorderDW(const RECT* border, IUnknown* site, BOOL reserved) = 0;

 protected:
  ~IDockingWindow() = default;
};

// What a band tells the browser about itself; only the fields dwMask names are asked for.
constexpr DWORD DBIM_MINSIZE = 0x0001;
constexpr DWORD DBIM_MAXSIZE = 0x0002;
constexpr DWORD DBIM_INTEGRAL = 0x0004;
constexpr DWORD DBIM_ACTUAL = 0x0008;
constexpr DWORD DBIM_TITLE = 0x0010;
constexpr DWORD DBIM_MODEFLAGS = 0x0020;
constexpr DWORD DBIM_BKCOLOR = 0x0040;

constexpr DWORD DBIMF_NORMAL = 0x0000;
constexpr DWORD DBIMF_VARIABLEHEIGHT = 0x0008;

struct POINTL {
  LONG x = 0;
  LONG y = 0;
};

struct DESKBANDINFO {
  DWORD dwMask = 0;
  POINTL ptMinSize;
  POINTL ptMaxSize;
  POINTL ptIntegral;
  POINTL ptActual;
  wchar_t wszTitle[256] = {};
  DWORD dwModeFlags = 0;
  DWORD crBkgnd = 0;
};

struct IDeskBand : IDockingWindow {
  virtual HRESULT GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) = 0;

 protected:
  ~IDeskBand() = default;
};

struct IServiceProvider : IUnknown {
  virtual HRESULT QueryService(const GUID& service, REFIID iid, void** object) = 0;

 protected:
  ~IServiceProvider() = default;
};
