// The registry hive reader: a hive file as it stands on the disk, which anything may have written
// or cut short. Whatever it holds, reading gives a hive or none; a hive read is written and read
// again to the same text, and its keys can be walked.
#include "fuzz/FuzzSupport.h"
#include "platform/registry/Hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<Hive> hive = Hive::Parse(AsBytes(data, size));
  if (!hive) return 0;
  const std::string text = hive->Serialize();
  std::optional<Hive> again = Hive::Parse(text);
  FUZZ_CHECK(again.has_value(), "a written hive cannot be read back");
  FUZZ_CHECK(again->Serialize() == text, "a hive changes on its way through its text");

  // Every key found from the root is there, and removing the tree empties it.
  std::vector<std::wstring> pending = {L""};
  size_t visited = 0;
  while (!pending.empty() && visited < 10000) {
    std::wstring path = std::move(pending.back());
    pending.pop_back();
    ++visited;
    FUZZ_CHECK(hive->Find(path) != nullptr, "a listed subkey cannot be found");
    for (const std::wstring& name : hive->Subkeys(path)) pending.push_back(path.empty() ? name : path + L"\\" + name);
  }
  for (const std::wstring& name : hive->Subkeys(L"")) hive->RemoveTree(name);
  FUZZ_CHECK(!hive->HasSubkeys(L""), "keys left after removing every tree");
  return 0;
}
