// The files the picture tests read: every file of the icon fixtures (each depth, palettes,
// masks, alpha, PNG) and some of the system's own libraries.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

#include "extract/AllFilesIterator.h"
#include "fixtures/IconFixtures.h"

// The fixture files, made in folder (ending in "\"), then each library named ("\shell32.dll")
// of the system folder.
inline TStringList FixtureAndSystemFiles(const std::string& folder, std::initializer_list<const char*> libraries) {
  fixtures::MakeIconFixtureFolder(folder);
  TStringList files;
  ListFiles(folder + "*.*", files, false);
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  for (const char* name : libraries) files.Add(std::string(system) + name);
  return files;
}
