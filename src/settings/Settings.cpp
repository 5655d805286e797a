// The extraction options start with their load-time values until the settings are read.
#include "settings/Settings.h"

bool IncludeSubs = false;
bool ExtractFromAll = false;
std::string FileTypes;
