# Files of src/access/
list(APPEND CORE_SOURCES access/uVtCrypt.cpp access/uVtCrypt.h)
