# Files of src/tools/: laying out a program directory (the rejestr-install tool's logic).
list(APPEND CORE_SOURCES
  tools/InstallLayout.h tools/InstallLayout.cpp
)
