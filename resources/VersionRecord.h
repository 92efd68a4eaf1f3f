// The band library's version record (resource VERSION 1), one "Name=Value" line per field.
#pragma once

struct VersionField {
  const char* name;
  const char* value;
};

inline constexpr VersionField kVersionRecord[] = {
    {"FileVersion", "1.0.0.1"},
    {"ProductVersion", "1.0.0.1"},
    {"InternalName", "PendrelBand"},
    {"OriginalFilename", "libPendrelBand.so"},
    {"FileDescription", "PendrelBand Module"},
    {"ProductName", "PendrelBand Module"},
};

inline constexpr unsigned VS_VERSION_INFO = 1;
