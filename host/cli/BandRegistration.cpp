#include "host/cli/BandRegistration.h"

#include <ostream>
#include <system_error>

#include "host/core/HostLines.h"
#include "host/core/InprocServer.h"
#include "host/core/UserFolders.h"
#include "platform/text/WideText.h"

std::optional<std::filesystem::path> FindBandLibrary() {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  const std::filesystem::path candidates[] = {
      program.parent_path() / kBandLibraryName,
      program.parent_path() / PENDREL_BAND_LIBRARY_DIR / kBandLibraryName,
  };
  for (const auto& candidate : candidates)
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate.lexically_normal();
  return std::nullopt;
}

bool ChangeBandRegistration(Registration change, std::ostream& out, std::ostream& err) {
  const char* verb = change == Registration::Register ? "register" : "unregister";
  std::optional<std::filesystem::path> library = FindBandLibrary();
  if (!library) {
    err << "pendrel: cannot " << verb << " the toolbar: no " << kBandLibraryName << " beside the program or in "
        << PENDREL_BAND_LIBRARY_DIR << " from it\n";
    return false;
  }
  // Registration writes to both hives: one that cannot be read would be left out while the other
  // changed (a toolbar listed whose class names no library), so neither is touched then.
  for (HKEY hive : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE}) {
    if (std::optional<std::string> unreadable = UnreadableHive(hive)) {
      err << "pendrel: cannot " << verb << " the toolbar, nothing was changed: " << *unreadable << "\n";
      return false;
    }
  }
  try {
    InprocServer server(*library);
    HRESULT hr = change == Registration::Register ? server.RegisterServer() : server.UnregisterServer();
    if (FAILED(hr)) {
      err << "pendrel: " << (change == Registration::Register ? "DllRegisterServer" : "DllUnregisterServer") << " of "
          << library->string() << " failed (" << ToUtf8(ResultCodeText(hr)) << ")\n";
      return false;
    }
  } catch (const InprocServerError& e) {
    err << "pendrel: " << ToUtf8(e.Why()) << "\n";
    return false;
  }
  out << "band: " << verb << "ed " << library->string() << "\n";
  return true;
}
