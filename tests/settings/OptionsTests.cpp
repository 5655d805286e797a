// The dialog's options as one value: all seven read and written together, and a damaged value
// ending the reading where it stands.
#include <gtest/gtest.h>

#include "RawRegistry.h"
#include "settings/Settings.h"

namespace {

const char* kSectionPath = "software\\Varnholt\\Glyph Gatherer";

class OptionsTest : public testing::Test {
 protected:
  void SetUp() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
  void TearDown() override { TRegistryIniFile(kBaseKey).EraseSection(kSection); }
};

TEST_F(OptionsTest, SaveAndLoadCarryAllSevenAndADamagedValueStopsTheReading) {
  TRegistryIniFile ini(kBaseKey);
  Options changed;
  changed.buttonText = false;
  changed.colourOnly = true;
  changed.remove = true;
  changed.extraction = {true, false, ".ico"};
  changed.Save(ini);
  Options loaded;
  loaded.Load(ini);
  EXPECT_FALSE(loaded.buttonText);
  EXPECT_TRUE(loaded.toolTips);
  EXPECT_TRUE(loaded.colourOnly);
  EXPECT_TRUE(loaded.remove);
  EXPECT_TRUE(loaded.extraction.includeSubs);
  EXPECT_FALSE(loaded.extraction.extractFromAll);
  EXPECT_EQ(loaded.extraction.fileTypes, ".ico");

  // Values before the damaged one are read; it and those after keep what they held.
  BYTE eight[8] = {1};
  testreg::WriteRaw(kSectionPath, "Remove", REG_BINARY, eight, 8);
  Options partial;
  partial.extraction.includeSubs = false;
  EXPECT_THROW(partial.Load(ini), ERegistryException);
  EXPECT_FALSE(partial.buttonText);
  EXPECT_TRUE(partial.colourOnly);
  EXPECT_FALSE(partial.remove);
  EXPECT_FALSE(partial.extraction.includeSubs);
}

}  // namespace
