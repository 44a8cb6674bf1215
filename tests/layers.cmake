# Reads every #include between folders of src/ and fails when one runs against the layers:
# a folder may include only folders of a lower layer (and itself). Folders of one layer stay
# independent of each other, and only src/dbengine calls SQLite. Run by CTest:
# cmake -DSRC=<src> -P layers.cmake
set(layer_dbengine 0)
set(layer_data 1)
# Core features: no windows, each on its own.
set(layer_access 2)
set(layer_import 2)
set(layer_output 2)
set(layer_report 2)
# Core features built on others: the archive restores old Paradox tables through the import;
# start-up settles its folder with the file operations; the tools lay out tables and passwords.
set(layer_archive 3)
set(layer_startup 4)
set(layer_tools 4)
# Windows.
set(layer_dialogs 5)
set(layer_editing 6)
set(layer_windows 6)
set(layer_app 7)

file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(faults "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" from "${source}")
  if(NOT DEFINED layer_${from})
    string(APPEND faults "\n  ${source}: the folder ${from} has no layer")
    continue()
  endif()
  # Only the engine speaks to SQLite; everything else goes through it.
  if(NOT from STREQUAL "dbengine")
    file(STRINGS ${SRC}/${source} calls REGEX "sqlite3_[a-z_]+\\(")
    foreach(line IN LISTS calls)
      string(STRIP "${line}" line)
      string(APPEND faults "\n  ${source} calls SQLite outside the engine: ${line}")
    endforeach()
  endif()
  file(STRINGS ${SRC}/${source} includes REGEX "^#include \"[a-z]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" to "${line}")
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT DEFINED layer_${to} OR NOT layer_${to} LESS layer_${from})
      string(APPEND faults "\n  ${source} (${from}) includes ${to}: ${line}")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes against the layers:${faults}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files follow the layers")
