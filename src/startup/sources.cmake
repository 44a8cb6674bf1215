# Files of src/startup/: what the program settles before its first window: its working folder,
# one copy at a time, the order of the start-up steps.
list(APPEND CORE_SOURCES
  startup/uSingleInstance.h startup/uSingleInstance.cpp
  startup/uRunDirectory.h startup/uRunDirectory.cpp
  startup/uStartup.h startup/uStartup.cpp
)
