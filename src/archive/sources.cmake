# Files of src/archive/
list(APPEND CORE_SOURCES
  archive/FileOper.cpp archive/FileOper.h
  archive/uFileOperations.cpp archive/uFileOperations.h)
list(APPEND UI_SOURCES
  archive/uArchiwum.h archive/uArchiwum.cpp)
