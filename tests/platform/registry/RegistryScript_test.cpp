// Registry scripts as a component's registration applies them: what registration writes and
// removal takes away (and leaves), replacements that hold awkward characters, and scripts that
// cannot be read, which must change nothing.
#include "platform/registry/RegistryScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/TestSupport.h"

namespace {

class RegistryScriptTest : public IsolatedTest, protected RegistryProbe {
 protected:
  static LONG Apply(std::wstring_view script, ScriptMode mode,
                    const std::vector<ScriptReplacement>& replacements = {}) {
    return RegistryScript::Parse(script, replacements).Apply(mode);
  }
};

constexpr wchar_t kComponent[] =
    LR"(
HKCR
{
	Sample.Thing.1 = s 'Thing'
	{
		CLSID = s '{11111111-2222-3333-4444-555555555555}'
	}
	NoRemove CLSID
	{
		ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Sample thing'
		{
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
		}
	}
}
HKEY_LOCAL_MACHINE
{
	NoRemove Software
	{
		NoRemove 'Sample Vendor'
		{
			NoRemove List
			{
				val {11111111-2222-3333-4444-555555555555} = s 'Sample'
			}
		}
	}
}
)";

TEST_F(RegistryScriptTest, RegistrationWritesEveryKeyAndValueAndRemovalLeavesWhatIsNoRemoveOrNotItsOwn) {
  // What was there before: an older registration's stale key inside the ForceRemove key, another
  // class beside it, and another entry in the list.
  Write(HKEY_CLASSES_ROOT, L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale", L"", L"old");
  Write(HKEY_CLASSES_ROOT, L"CLSID\\{99999999-2222-3333-4444-555555555555}", L"", L"another class");
  Write(HKEY_LOCAL_MACHINE, L"Software\\Sample Vendor\\List", L"{99999999-2222-3333-4444-555555555555}", L"Other");

  std::vector<ScriptReplacement> module{{L"MODULE", L"/opt/sample/libthing.so"}};
  ASSERT_EQ(Apply(kComponent, ScriptMode::Register, module), ERROR_SUCCESS);
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Sample.Thing.1"), L"Thing");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Sample.Thing.1\\CLSID"), L"{11111111-2222-3333-4444-555555555555}");
  const std::wstring thing = L"CLSID\\{11111111-2222-3333-4444-555555555555}";
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, thing), L"Sample thing");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, thing + L"\\InprocServer32"), L"/opt/sample/libthing.so");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, thing + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, thing + L"\\Stale")) << "ForceRemove clears the key first";
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Sample Vendor\\List", L"{11111111-2222-3333-4444-555555555555}"),
            L"Sample");

  // Registering again changes nothing.
  ASSERT_EQ(Apply(kComponent, ScriptMode::Register, module), ERROR_SUCCESS);
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, thing + L"\\InprocServer32"), L"/opt/sample/libthing.so");

  // A key the script names without NoRemove stays while it holds a key of someone else's.
  Write(HKEY_CLASSES_ROOT, L"Sample.Thing.1\\Foreign", L"", L"kept");

  ASSERT_EQ(Apply(kComponent, ScriptMode::Unregister, module), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, thing));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Sample.Thing.1\\CLSID"));
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Sample.Thing.1\\Foreign"), L"kept");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CLSID\\{99999999-2222-3333-4444-555555555555}"), L"another class");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Sample Vendor\\List", L"{11111111-2222-3333-4444-555555555555}"),
            std::nullopt);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Sample Vendor\\List", L"{99999999-2222-3333-4444-555555555555}"),
            L"Other");

  // Removing what is already gone is no error, nor is removing from an empty registry.
  EXPECT_EQ(Apply(kComponent, ScriptMode::Unregister, module), ERROR_SUCCESS);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software");
  EXPECT_EQ(Apply(kComponent, ScriptMode::Unregister, module), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software")) << "removal creates nothing";
}

TEST_F(RegistryScriptTest, ReplacementsAndQuotedWordsAreTakenAsWritten) {
  // A path with spaces, quotes, braces and percent signs stays one text.
  std::wstring path = L"/home/o'neil/my {libs}/100% sure/lib.so";
  std::wstring script =
      LR"(HKCU { Test = s '%MODULE%' { val 'Two words' = s 'it''s 50%% off' val '%MODULE%' = s 'x' 'NoRemove' = s 'a name' } })";
  ASSERT_EQ(Apply(script, ScriptMode::Register, {{L"module", path}}), ERROR_SUCCESS);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"Test"), path);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"Test", L"Two words"), L"it's 50% off");
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"Test", path), L"x");
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"Test\\NoRemove"), L"a name") << "a quoted word is never a keyword";
  // Keywords and roots are read without regard to case.
  ASSERT_EQ(Apply(L"hkcu { noremove Test { VAL v = S 'w' } }", ScriptMode::Register), ERROR_SUCCESS);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"Test", L"v"), L"w");
}

TEST_F(RegistryScriptTest, AMalformedScriptIsAnErrorWithItsLineAndChangesNothing) {
  struct Case {
    std::wstring script;
    size_t line;
    const wchar_t* problem;
  };
  const Case cases[] = {
      {L"HKCU\n{\n  Key = s 'value'\n", 3, L"ends inside a block"},
      {L"HKCU { Key = s 'value }", 1, L"without its closing quote"},
      {L"HKCU { Key = 'value' }", 1, L"is not a kind of data"},
      {L"HKCU { Key = d '5' }", 1, L"\"d\" is not a kind of data"},
      {L"HKCU { Key = s value }", 1, L"is not quoted"},
      {L"HKCU\n{\n  Key =\n}", 4, L"is not a kind of data"},
      {L"HKU { Key }", 1, L"is not a root key"},
      {L"HKCU Key", 1, L"\"{\" was expected"},
      {L"HKCU { val v = s 'x' }", 1, L"a root key holds no values"},
      {L"HKCU { Key { val = s 'x' } }", 1, L"a name was expected"},
      {L"HKCU { Key { val v s 'x' } }", 1, L"\"=\" was expected"},
      {L"HKCU { A\\B = s 'x' }", 1, L"holds a backslash"},
      {L"HKCU { Key = s '%MODULE' }", 1, L"without its closing %"},
      {L"HKCU { Key = s '%OTHER%' }", 1, L"no value for %OTHER%"},
      {L"HKCU { }\n}", 2, L"is not a root key"},
      {L"HKCU { Key = s 'x' } }", 1, L"is not a root key"},
      // A key's name is a line of the hive file.
      {L"HKCU\n{\n  'Two\nLines' = s 'x'\n}", 3, L"a name holds a line end"},
      {L"HKCU { Key { val 'a\rb' = s 'x' } }", 1, L"a name holds a line end"},
      {L"HKCU\n{\n  HKEY_CURRENT_USER { Software }\n}", 3, L"is a root key's name"},
  };
  for (const Case& c : cases) {
    try {
      RegistryScript::Parse(c.script, {{L"MODULE", L"/m.so"}});
      ADD_FAILURE() << "accepted: " << ToUtf8(c.script);
    } catch (const RegistryScriptError& e) {
      EXPECT_EQ(e.Line(), c.line) << ToUtf8(c.script) << " -> " << ToUtf8(e.Message());
      EXPECT_NE(e.Message().find(c.problem), std::wstring::npos) << ToUtf8(c.script) << " -> " << ToUtf8(e.Message());
    }
  }

  // Bounds: nesting, length of the script, of a name, of a text.
  std::wstring deep = L"HKCU {";
  for (size_t i = 0; i <= RegistryScript::kMaxDepth; ++i) deep += L" K {";
  for (size_t i = 0; i <= RegistryScript::kMaxDepth; ++i) deep += L" }";
  deep += L" }";
  EXPECT_THROW(RegistryScript::Parse(deep), RegistryScriptError);
  EXPECT_THROW(RegistryScript::Parse(L"HKCU { K }" + std::wstring(RegistryScript::kMaxScriptLength, L' ')),
               RegistryScriptError);
  EXPECT_THROW(RegistryScript::Parse(L"HKCU { " + std::wstring(RegistryScript::kMaxNameLength + 1, L'n') + L" }"),
               RegistryScriptError);
  EXPECT_THROW(
      RegistryScript::Parse(L"HKCU { K = s '" + std::wstring(RegistryScript::kMaxTextLength + 1, L't') + L"' }"),
      RegistryScriptError);

  // A fault late in a script leaves the registry as it was: nothing of the good part is written.
  EXPECT_THROW(RegistryScript::Parse(L"HKCU { Good = s 'x' }\nHKLM { Bad = s }"), RegistryScriptError);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Good"));
  EXPECT_FALSE(std::filesystem::exists(HiveFile(HKEY_CURRENT_USER)));
}

TEST_F(RegistryScriptTest, AnUnreadableHiveStopsTheScriptWithTheRegistryError) {
  std::filesystem::create_directories(RegistryFolder());
  std::ofstream(HiveFile(HKEY_LOCAL_MACHINE)) << "not a hive";
  EXPECT_EQ(Apply(L"HKCU { First = s 'x' } HKLM { Second = s 'y' }", ScriptMode::Register), ERROR_BADDB);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"First"), L"x") << "what came before the failure stays";
  std::ifstream in(HiveFile(HKEY_LOCAL_MACHINE));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "not a hive");
}

}  // namespace
