# Files of src/import/: Paradox table files of an earlier installation brought over.
list(APPEND CORE_SOURCES
  import/CodePages.h import/CodePages.cpp
  import/Duplicates.h import/Duplicates.cpp
  import/TablePreview.h import/TablePreview.cpp
  import/ParadoxConvert.h import/ParadoxConvert.cpp
  import/ParadoxReader.h
  import/uImportParadox.h import/uImportParadox.cpp)
# The reader program's own files: pxlib runs in that process alone, never in the program.
list(APPEND PARADOX_SOURCES
  import/Pxlib.h
  import/ParadoxLayout.h import/ParadoxLayout.cpp
  import/ParadoxTable.h import/ParadoxTable.cpp
  import/ParadoxReader.h import/ParadoxReader.cpp)
