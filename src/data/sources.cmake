# Files of src/data/: shared definitions and the data module.
list(APPEND CORE_SOURCES
  data/Cp1250.h data/Cp1250.cpp
  data/Clock.h data/Clock.cpp
  data/Regional.h data/Regional.cpp
  data/Amounts.h data/Amounts.cpp
  data/FileUtil.h data/FileUtil.cpp
  data/ExportFolder.h data/ExportFolder.cpp
  data/SafeFile.h data/SafeFile.cpp
  data/Progress.h
  data/IniFile.h data/IniFile.cpp
  data/uNumberText.h data/uNumberText.cpp
  data/PeriodFilter.h data/PeriodFilter.cpp
  data/UniqueNumbers.h data/UniqueNumbers.cpp
  data/TableFiles.h data/TableFiles.cpp
  data/TableSchema.h data/TableSchema.cpp
  data/TableSwap.h data/TableSwap.cpp
  data/ServerSchema.h data/ServerSchema.cpp
  data/ServerTables.h data/ServerTables.cpp
  data/uDefinicje.h data/uDefinicje.cpp
  data/uRecords.h
  data/uDM.h data/uDM.cpp data/uDMWrite.cpp
  data/ViewModel.h data/ViewModel.cpp
)
