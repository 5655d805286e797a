// The settings store over the private prefix's real registry.
#include <gtest/gtest.h>

#include <vector>

#include "RawRegistry.h"
#include "settings/RegistryIniFile.h"

namespace {

const char* kKey = "software\\VarnholtTest";
const char* kSec = "Section";

using testreg::RawValue;

std::string SectionPath() { return std::string(kKey) + "\\" + kSec; }

RawValue Raw(const char* name) { return testreg::ReadRaw(SectionPath(), name); }

void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
  testreg::WriteRaw(SectionPath(), name, type, data, size);
}

class RegistryIniFileTest : public testing::Test {
 protected:
  void SetUp() override { TRegistryIniFile(kKey).EraseSection(kSec); }
  void TearDown() override { TRegistryIniFile(kKey).EraseSection(kSec); }
};

TEST(ParseIntegerText, AcceptsWholeNumbersOnly) {
  EXPECT_EQ(ParseIntegerText("300"), 300);
  EXPECT_EQ(ParseIntegerText("  -42"), -42);
  EXPECT_EQ(ParseIntegerText("+7"), 7);
  EXPECT_EQ(ParseIntegerText("$1F"), 31);
  EXPECT_EQ(ParseIntegerText("0x10"), 16);
  EXPECT_EQ(ParseIntegerText("x10"), 16);
  EXPECT_EQ(ParseIntegerText("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseIntegerText("2147483647"), 2147483647);
  EXPECT_EQ(ParseIntegerText("-2147483648"), -2147483647 - 1);
  // A signed hex text negates modulo 2^32.
  EXPECT_EQ(ParseIntegerText("-$80000000"), -2147483647 - 1);
  EXPECT_EQ(ParseIntegerText("-$FFFFFFFF"), 1);
  for (const char* bad : {"", " ", "2147483648", "$100000000", "12a", "1 ", "abc", "-", "0x"})
    EXPECT_FALSE(ParseIntegerText(bad).has_value()) << bad;
}

TEST_F(RegistryIniFileTest, MissingValuesGiveDefaultsWithoutCreatingTheSection) {
  TRegistryIniFile ini(kKey);
  EXPECT_TRUE(ini.ReadBool(kSec, "Flag", true));
  EXPECT_EQ(ini.ReadInteger(kSec, "Int", 582), 582);
  EXPECT_EQ(ini.ReadString(kSec, "Text", "dflt"), "dflt");
  EXPECT_EQ(Raw("Flag").type, static_cast<DWORD>(REG_NONE));
  HKEY k;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\VarnholtTest\\Section", 0, KEY_READ, &k), ERROR_SUCCESS);
}

TEST_F(RegistryIniFileTest, StoredFormsOfEachKind) {
  TRegistryIniFile ini(kKey);
  ini.WriteBool(kSec, "Flag", true);
  ini.WriteInteger(kSec, "Int", -5);
  ini.WriteString(kSec, "Text", " .Exe ");
  RawValue flag = Raw("Flag"), num = Raw("Int"), text = Raw("Text");
  EXPECT_EQ(flag.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(flag.data, (std::vector<BYTE>{'1', 0}));
  EXPECT_EQ(num.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(num.data, (std::vector<BYTE>{0xFB, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(text.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(text.data, (std::vector<BYTE>{' ', '.', 'E', 'x', 'e', ' ', 0}));
  EXPECT_EQ(ini.ReadString(kSec, "Text", ""), " .Exe ");
  EXPECT_EQ(ini.ReadInteger(kSec, "Int", 0), -5);
}

TEST_F(RegistryIniFileTest, TextIntegersKeepTheirTypeAndFlagsAlwaysBecomeText) {
  PutRaw("Height", REG_SZ, "300", 4);
  DWORD zero = 0;
  PutRaw("Flag", REG_DWORD, &zero, 4);
  PutRaw("Junk", REG_SZ, "abc", 4);
  TRegistryIniFile ini(kKey);
  EXPECT_EQ(ini.ReadInteger(kSec, "Height", 480), 300);
  EXPECT_FALSE(ini.ReadBool(kSec, "Flag", true));
  EXPECT_TRUE(ini.ReadBool(kSec, "Junk", true));
  ini.WriteInteger(kSec, "Height", -12);
  EXPECT_EQ(Raw("Height").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Raw("Height").data, (std::vector<BYTE>{'-', '1', '2', 0}));
  ini.WriteBool(kSec, "Flag", false);
  EXPECT_EQ(Raw("Flag").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Raw("Flag").data, (std::vector<BYTE>{'0', 0}));
}

TEST_F(RegistryIniFileTest, TextsReadUnexpandedToTheFirstZero) {
  PutRaw("Exp", REG_EXPAND_SZ, "%TEMP%\0tail", 12);
  PutRaw("Empty", REG_SZ, "", 0);
  TRegistryIniFile ini(kKey);
  EXPECT_EQ(ini.ReadString(kSec, "Exp", ""), "%TEMP%");
  EXPECT_EQ(ini.ReadString(kSec, "Empty", "dflt"), "");
}

// Values an earlier build wrote in the system's code page: the registry keeps texts wide, so
// they read back as the same texts, and a text written again is stored as it was.
TEST_F(RegistryIniFileTest, ValuesOfTheEarlierBuildReadBackUnchanged) {
  const std::wstring earlier = L".ICO.DLL.\u00C9CR";  // .ICO.DLL.ÉCR
  {
    TRegistryIniFile(kKey).WriteInteger(kSec, "made", 0);  // the section
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\VarnholtTest\\Section", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"File Types", 0, REG_SZ, reinterpret_cast<const BYTE*>(earlier.c_str()),
                   static_cast<DWORD>((earlier.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  PutRaw("Flag", REG_SZ, "1", 2);
  const DWORD width = 640;
  PutRaw("Width", REG_DWORD, &width, sizeof width);
  TRegistryIniFile ini(kKey);
  EXPECT_EQ(ini.ReadString(kSec, "File Types", ""), ".ICO.DLL.ÉCR");
  EXPECT_TRUE(ini.ReadBool(kSec, "Flag", false));
  EXPECT_EQ(ini.ReadInteger(kSec, "Width", 0), 640);

  ini.WriteString(kSec, "File Types", ini.ReadString(kSec, "File Types", ""));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\VarnholtTest\\Section", 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t back[64] = L"";
  DWORD size = sizeof back;
  RegQueryValueExW(key, L"File Types", nullptr, nullptr, reinterpret_cast<BYTE*>(back), &size);
  RegCloseKey(key);
  EXPECT_EQ(std::wstring(back), earlier);
}

TEST_F(RegistryIniFileTest, WrongTypesRaiseTheirMessages) {
  BYTE eight[8] = {1};
  BYTE two[2] = {1};
  DWORD one = 1;
  PutRaw("Long", REG_BINARY, eight, 8);
  PutRaw("Short", REG_BINARY, two, 2);
  PutRaw("Num", REG_DWORD, &one, 4);
  TRegistryIniFile ini(kKey);
  auto message = [](auto f) {
    try {
      f();
    } catch (const ERegistryException& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { ini.ReadInteger(kSec, "Long", 0); }), "Failed to get data for 'Long'");
  EXPECT_EQ(message([&] { ini.ReadBool(kSec, "Short", false); }), "Invalid data type for 'Short'");
  EXPECT_EQ(message([&] { ini.ReadString(kSec, "Num", ""); }), "Invalid data type for 'Num'");
}

TEST_F(RegistryIniFileTest, EraseSectionRemovesNestedKeysButKeepsTheBase) {
  HKEY k;
  RegCreateKeyExA(HKEY_CURRENT_USER, "software\\VarnholtTest\\Section\\A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &k, nullptr);
  RegCloseKey(k);
  TRegistryIniFile ini(kKey);
  ini.WriteString(kSec, "Text", "x");
  ini.EraseSection(kSec);
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\VarnholtTest\\Section", 0, KEY_READ, &k), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\VarnholtTest", 0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
}

}  // namespace
