# Files of src/editing/: the register entry, taxpayer and sums windows.
list(APPEND UI_SOURCES
  editing/uEditForm.h editing/uEditForm.cpp
  editing/uKontrahent.h editing/uKontrahent.cpp
  editing/uEdycja.h editing/uEdycja.cpp
  editing/uSumy.h editing/uSumy.cpp
)
