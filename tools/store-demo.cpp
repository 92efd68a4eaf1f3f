// A short look at the bookmark store in a data folder set up by `pendrel install`: adds a few
// categories (one of them refused), renames one, and lists them.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/text/WideText.h"
#include "platform/ui/MessageBox.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "toolbar/Settings.h"

int main() {
  SetMessageBoxHandler([](const MessageBoxRequest& box) {
    std::cout << "message box [" << ToUtf8(box.caption) << "]: " << ToUtf8(box.text) << "\n";
    return IDOK;
  });
  try {
    std::wstring folder = ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue);
    std::cout << "data folder (CurDir): " << ToUtf8(folder) << "\n";
    auto store = MakeCounted<CBookmarkDatabase>(folder);
    for (const wchar_t* name : {L"News", L"Recipes", L"O'Reilly books", L"bad/name"}) {
      std::cout << "AddCategory(" << ToUtf8(name) << ") -> " << (store->AddCategory(name) ? "true" : "false") << "\n";
    }
    store->RenameCategory(L"Cooking", L"Recipes");
    std::cout << "RenameCategory(Cooking, Recipes)\n";
    std::vector<std::wstring> categories;
    store->ListCategories(categories);
    std::cout << "categories:";
    for (const auto& c : categories) std::cout << " [" << ToUtf8(c) << "]";
    std::cout << "\n";
    for (const wchar_t* name : {L"News", L"Cooking", L"O'Reilly books"}) store->DeleteCategory(name);
    std::cout << "demo categories deleted again\n";
  } catch (const CCustomException& e) {
    std::cerr << "store-demo: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
