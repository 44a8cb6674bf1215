# Files of src/archive/
list(APPEND CORE_SOURCES
  archive/FileOper.cpp archive/FileOper.h
  archive/uFileOperations.cpp archive/uFileOperations.h)
