# Files of src/access/
list(APPEND CORE_SOURCES access/uVtCrypt.cpp access/uVtCrypt.h)
list(APPEND CORE_SOURCES access/uPasswordCipher.cpp access/uPasswordCipher.h)
