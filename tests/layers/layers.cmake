# Fails, naming each line, when a folder includes a header from a layer above it.
set(rules
  "iconres|ui/|app/|extract/"
  "extract|ui/|app/"
  "export|ui/|app/"
  "settings|ui/|app/"
  "win|ui/|app/|iconres/|extract/|export/|settings/|batch/|shelltree/|about/")
set(found "")
foreach(rule ${rules})
  string(REPLACE "|" ";" parts "${rule}")
  list(POP_FRONT parts folder)
  file(GLOB_RECURSE files ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
  foreach(f ${files})
    get_filename_component(name ${f} NAME_WE)
    # The configuration dialog is a form of the framework.
    if(folder STREQUAL "settings" AND name STREQUAL "Config")
      continue()
    endif()
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      foreach(above ${parts})
        if(line MATCHES "\"${above}")
          string(APPEND found "\n  ${f}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "headers included from a layer above:${found}")
endif()
