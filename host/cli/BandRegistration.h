// Registration of the band library from the command line: `pendrel register`, `pendrel
// unregister`, and the registration step of `pendrel install` and `pendrel uninstall`.
//
// The library is the one beside the program (a build folder) or, failing that, the one in the
// installed private library folder (PENDREL_BAND_LIBRARY_DIR, relative to the program's folder).
// It is loaded and its own DllRegisterServer or DllUnregisterServer does the work, so the
// registered InprocServer32 names that library's full path.
#pragma once
#include <filesystem>
#include <iosfwd>
#include <optional>

inline constexpr char kBandLibraryName[] = "libPendrelBand.so";

// The band library to register; none when neither place holds one.
std::optional<std::filesystem::path> FindBandLibrary();

enum class Registration { Register, Unregister };

// Loads the library and registers or unregisters it. Says what it did on `out` ("band:
// registered PATH"), or why not on `err`. True on success. Changes nothing when a hive it would
// write (HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE) cannot be read.
bool ChangeBandRegistration(Registration change, std::ostream& out, std::ostream& err);
