// The registry script interpreter: a component's registration script, read and then applied in
// both directions to a registry of its own. Whatever the script holds, reading gives a script or
// an error naming a line, and a script read registers and unregisters without failing.
#include "fuzz/FuzzSupport.h"
#include "platform/registry/RegistryScript.h"
#include "platform/text/WideText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzEnvironment& environment = FuzzEnvironment::Get();
  static const std::vector<ScriptReplacement> replacements = {
      {L"MODULE", L"/usr/lib/pendrel/libPendrelBand.so"}, {L"CLSID", L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}"}};
  const std::wstring text = FromUtf8(AsBytes(data, size));
  std::optional<RegistryScript> script;
  try {
    script = RegistryScript::Parse(text, replacements);
  } catch (const RegistryScriptError& e) {
    FUZZ_CHECK(e.Line() >= 1, "an error on line 0");
    FUZZ_CHECK(ToUtf8(e.Message()).starts_with("line " + std::to_string(e.Line()) + ": "), "an error without its line");
    return 0;
  }
  environment.ClearRegistry();
  FUZZ_CHECK(script->Apply(ScriptMode::Register) == ERROR_SUCCESS, "registering a script that was read fails");
  FUZZ_CHECK(script->Apply(ScriptMode::Unregister) == ERROR_SUCCESS, "unregistering a registered script fails");
  return 0;
}
