# Files of src/app/: program start and the main window. main.cpp itself is the program target.
list(APPEND UI_SOURCES
  app/uApplication.h app/uApplication.cpp
  app/uProgram.cpp
  app/uProgramWindows.h app/uProgramWindows.cpp
  app/uWindows.h
  app/uMain.h app/uMain.cpp app/uMainUi.cpp app/uMainCommands.cpp app/uMainExport.cpp
  app/uDBGrid.h app/uDBGrid.cpp
  app/uElidedLabel.h app/uElidedLabel.cpp
  app/uSearchField.h app/uSearchField.cpp
  app/uTranslations.h app/uTranslations.cpp
)
