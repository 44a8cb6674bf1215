# Files of src/dbengine/: the database engine layer over SQLite.
list(APPEND CORE_SOURCES
  dbengine/EDBEngineError.h
  dbengine/SqliteHandles.h
  dbengine/SqliteFile.h dbengine/SqliteFile.cpp
  dbengine/SqlNormalizer.h dbengine/SqlNormalizer.cpp
  dbengine/PolishText.h dbengine/PolishText.cpp
  dbengine/RowCache.h dbengine/RowCache.cpp
  dbengine/Session.h dbengine/Session.cpp
  dbengine/Database.h dbengine/Database.cpp
  dbengine/Query.h dbengine/Query.cpp
  dbengine/PgConnection.h dbengine/PgConnection.cpp
)
