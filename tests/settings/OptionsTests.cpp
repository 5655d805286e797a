// The dialog's options as one value: all eight read and written together, and a damaged value
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

TEST_F(OptionsTest, SaveAndLoadCarryAllEightAndADamagedValueStopsTheReading) {
  TRegistryIniFile ini(kBaseKey);
  Options changed;
  changed.buttonText = false;
  changed.colourOnly = true;
  changed.remove = true;
  changed.extraction = {true, false, ".ico", 48};
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
  EXPECT_EQ(loaded.extraction.minSize, 48);
  // A size no image has counts as missing.
  TRegistryIniFile(kBaseKey).WriteInteger(kSection, "Minimum Image Size", 100000);
  loaded.Load(ini);
  EXPECT_EQ(loaded.extraction.minSize, 0);

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
