// Where the settings live, and the extraction options in force (program-wide).
#pragma once
#include <string>

inline constexpr const char* kBaseKey = "software\\Varnholt";
inline constexpr const char* kSection = "Glyph Gatherer";
inline constexpr const char* kDefaultFileTypes = ".EXE.DLL.ICO.CUR.OCX.VBX.CPL.ANI.DRV.BIN.SCR.ICL";

// Set at start and by the configuration dialog; read by every extraction run.
extern bool IncludeSubs;
extern bool ExtractFromAll;
extern std::string FileTypes;
