// The shell's Internet-shortcut object: one address kept in a ".url" file, the text form
//   [InternetShortcut]
//   URL=http://example.com/
// with CR LF line ends, UTF-8. Reached through its two interfaces: IUniformResourceLocator for
// the address and IPersistFile for the file.
#pragma once
#include <string>

#include "platform/com/Unknown.h"

extern const CLSID CLSID_InternetShortcut;
extern const IID IID_IUniformResourceLocator;
extern const IID IID_IPersistFile;

struct IUniformResourceLocator : IUnknown {
  // E_INVALIDARG for an address holding a line end or a NUL, which would break the file's lines.
  virtual HRESULT SetURL(const std::wstring& url) = 0;
  // S_OK with the address; S_FALSE with an empty text when the object holds none.
  virtual HRESULT GetURL(std::wstring* url) = 0;

 protected:
  ~IUniformResourceLocator() = default;
};

struct IPersistFile : IUnknown {
  // Reads the shortcut in `path`: its [InternetShortcut] section (any case) and the first URL=
  // line of it; other sections and lines are passed over. Fails for a file that cannot be read,
  // that is no regular file (a link is not followed, a FIFO is not waited on), that is larger
  // than 64 KiB or has more than 4,096 lines, that has no such section, or whose address holds a
  // carriage return or a NUL.
  virtual HRESULT Load(const std::wstring& path) = 0;
  // Writes the shortcut to `path`, replacing a file of that name as one step (a reader sees the
  // old file or the new one, never a part). The file is readable by the user alone. Fails
  // (E_ACCESSDENIED) without following it when the folder holding `path` is a link, or when
  // something other than a regular file (a link, a folder) has the name.
  virtual HRESULT Save(const std::wstring& path) = 0;

 protected:
  ~IPersistFile() = default;
};

// Makes a new, empty shortcut object and hands it out through `iid` (IUnknown,
// IUniformResourceLocator or IPersistFile); E_NOINTERFACE for another.
HRESULT CreateInternetShortcut(REFIID iid, void** object);
