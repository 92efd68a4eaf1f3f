#include "band/BandModule.h"

#include <mutex>
#include <string>
#include <string_view>

#include "band/ModuleMessage.h"
#include "platform/com/TypeLib.h"
#include "platform/ui/Resources.h"
#include "resources/BandBitmaps.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "resources/TesselLib.h"
#include "resources/VersionRecord.h"

namespace {

struct StringResource {
  unsigned id;
  std::wstring_view text;
};

// The string table.
constexpr StringResource kStrings[] = {
    {IDS_PROJNAME, L"Pendrel"},
    {IDS_BAND_TITLE, L"Bookmark"},
    {IDS_SEARCH_BOX, L"search\nstring"},
    {IDS_CATEGORY_BOX, L"Category\n"},
    {IDS_BUTTON_ADD, L"Add"},
    {IDS_BUTTON_CHANGE, L"Change"},
    {IDS_BUTTON_DELETE, L"Delete"},
    {IDS_BUTTON_OPTIONS, L"Options"},
    {IDS_BUTTON_SHOW, L"Show"},
};

HINSTANCE Register() {
  HINSTANCE module = RegisterModule(kModuleName);
  for (const auto& entry : kStrings) AddStringResource(module, entry.id, entry.text);
  AddBitmapResource(module, IDB_TOOLBAR, ToolbarButtonsBitmap());
  AddBitmapResource(module, IDB_CHECKED, CheckedBitmap());
  AddBitmapResource(module, IDB_UNCHECKED, UncheckedBitmap());
  AddDataResource(module, L"REGISTRY", IDR_TESSELBAND, EmbeddedResourceFile("resources/TesselBand.rgs"));
  AddTypeLibResource(module, IDR_TYPELIB, TesselTypeLibrary());
  std::string version;
  for (const auto& field : kVersionRecord) version += std::string(field.name) + "=" + field.value + "\n";
  AddDataResource(module, L"VERSION", VS_VERSION_INFO, version);
  return module;
}

}  // namespace

HINSTANCE BandInstance() {
  // Registered once for the life of the process: the window system keeps the module's resources
  // for everything the band makes, and the band library is loaded once.
  static const HINSTANCE module = Register();
  return module;
}
