# Files of src/archive/
list(APPEND CORE_SOURCES
  archive/FileOper.cpp archive/FileOper.h
  archive/uFileOperations.cpp archive/uFileOperations.h
  archive/uArchiveDescription.cpp archive/uArchiveDescription.h
  archive/ArchiveSet.cpp archive/ArchiveSet.h
  archive/uArchiveStore.cpp archive/uArchiveStore.h)
list(APPEND UI_SOURCES
  archive/uArchiwum.h archive/uArchiwum.cpp)
