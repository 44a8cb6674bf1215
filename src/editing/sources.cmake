# Files of src/editing/: register entry, taxpayer and sums windows, and the number texts they
# normalise (window-free, so in the core).
list(APPEND CORE_SOURCES
  editing/uNumberText.h editing/uNumberText.cpp
)
list(APPEND UI_SOURCES
  editing/uEditForm.h editing/uEditForm.cpp
  editing/uKontrahent.h editing/uKontrahent.cpp
  editing/uEdycja.h editing/uEdycja.cpp
  editing/uSumy.h editing/uSumy.cpp
)
