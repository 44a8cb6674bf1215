# Files of src/archive/
list(APPEND CORE_SOURCES
  archive/FileOper.cpp archive/FileOper.h
  archive/uFileOperations.cpp archive/uFileOperations.h
  archive/uArchiveDescription.cpp archive/uArchiveDescription.h
  archive/ArchiveSet.cpp archive/ArchiveSet.h
  archive/uArchiveStore.cpp archive/uArchiveStore.h)
