// Where the settings live, every stored value's name and default in one table, the options
// of the configuration dialog as one value, and the extraction options in force.
#pragma once
#include <string>
#include <type_traits>

#include "settings/RegistryIniFile.h"
#include "settings/SettingsStore.h"

inline constexpr const char* kBaseKey = "software\\Varnholt";
inline constexpr const char* kSection = "Glyph Gatherer";
inline constexpr const char* kDefaultFileTypes = ".EXE.DLL.ICO.CUR.OCX.VBX.CPL.ANI.DRV.BIN.SCR.ICL.MSIX.APPX.MSIXBUNDLE.APPXBUNDLE.MSI";

namespace stored {

// One value of the section: its name, and what reading it gives while it is missing.
// Flags are stored as the text "1" or "0", integers as numbers, texts as they are.
template <class T>
struct Value {
  const char* name;
  T missing;

  auto Read(const SettingsStore& ini) const {
    if constexpr (std::is_same_v<T, bool>) return ini.ReadBool(kSection, name, missing);
    else if constexpr (std::is_same_v<T, int>) return ini.ReadInteger(kSection, name, missing);
    else return ini.ReadString(kSection, name, missing);
  }
  template <class V>
  void Write(const SettingsStore& ini, const V& value) const {
    if constexpr (std::is_same_v<T, bool>) ini.WriteBool(kSection, name, value);
    else if constexpr (std::is_same_v<T, int>) ini.WriteInteger(kSection, name, value);
    else ini.WriteString(kSection, name, value);
  }
};

// The window's layout, read at start and written at close.
inline constexpr Value<bool> Toolbar{"Toolbar", true};
inline constexpr Value<bool> StatusBar{"Status Bar", true};
inline constexpr Value<bool> HeaderPane{"Header Pane", true};
inline constexpr Value<int> WindowState{"Main WindowState", 0};
inline constexpr Value<int> MainHeight{"Main Height", 480};
inline constexpr Value<int> MainLeft{"Main Left", 236};
inline constexpr Value<int> MainTop{"Main Top", 113};
inline constexpr Value<int> MainWidth{"Main Width", 582};
inline constexpr Value<int> NavWidth{"Nav Width", 170};
inline constexpr Value<bool> PreviewPane{"Preview Pane", false};
inline constexpr Value<int> PreviewHeight{"Preview Height", 150};
inline constexpr Value<bool> HideDuplicates{"Hide Duplicates", false};
inline constexpr Value<bool> IncludeCursors{"Include Cursors", false};
// The configuration dialog's options.
inline constexpr Value<bool> ButtonText{"Toolbar Button Text", true};
inline constexpr Value<bool> ToolTips{"Toolbar Tool Tips", true};
inline constexpr Value<bool> ColourOnly{"Toolbar Colour Only", false};
inline constexpr Value<bool> Remove{"Remove", false};
inline constexpr Value<bool> IncludeSubs{"Include Subs", false};
inline constexpr Value<bool> ExtractFromAll{"Extract From All", true};
inline constexpr Value<const char*> FileTypes{"File Types", kDefaultFileTypes};
inline constexpr Value<int> MinSize{"Minimum Image Size", 0};

}  // namespace stored

// What an extraction run examines. Until the settings are read nothing is examined, which
// is what the run started while the main window loads relies on.
struct ExtractionOptions {
  bool includeSubs = false;
  bool extractFromAll = false;
  std::string fileTypes;
  // Only icons that store an image at least this many pixels wide and high; 0 lists every icon.
  int minSize = 0;

  // Reads the four in this order. An error ends the reading where it happened; the values
  // read before it are kept.
  void Load(const SettingsStore& ini);
};

// The eight options of the configuration dialog; a fresh value holds the stored defaults.
struct Options {
  bool buttonText = stored::ButtonText.missing;
  bool toolTips = stored::ToolTips.missing;
  bool colourOnly = stored::ColourOnly.missing;
  bool remove = stored::Remove.missing;
  ExtractionOptions extraction{stored::IncludeSubs.missing, stored::ExtractFromAll.missing, stored::FileTypes.missing,
                               stored::MinSize.missing};

  // Read or write all eight, in the order of the table in Settings.cpp. An error ends the
  // sequence where it happened: values read before it are kept, values written stay written.
  void Load(const SettingsStore& ini);
  void Save(const SettingsStore& ini) const;
};

// The extraction options in force: set at start and by the configuration dialog's Apply,
// read by every extraction run.
extern ExtractionOptions Extraction;
// Each of the three by the name the extraction run reads it under.
inline bool& IncludeSubs = Extraction.includeSubs;
inline bool& ExtractFromAll = Extraction.extractFromAll;
inline std::string& FileTypes = Extraction.fileTypes;
