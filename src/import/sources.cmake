# Files of src/import/: Paradox table files of the old program brought over (needs pxlib).
list(APPEND CORE_SOURCES
  import/Pxlib.h
  import/ParadoxTable.h import/ParadoxTable.cpp
  import/ParadoxConvert.h import/ParadoxConvert.cpp
  import/TableSwap.h import/TableSwap.cpp
  import/uImportParadox.h import/uImportParadox.cpp)
list(APPEND UI_SOURCES
  import/uImportMenu.h import/uImportMenu.cpp)
