# Files of src/dbengine/: the database engine layer over SQLite and PostgreSQL.
list(APPEND CORE_SOURCES
  dbengine/EDBEngineError.h
  dbengine/SqliteHandles.h
  dbengine/SqliteFile.h dbengine/SqliteFile.cpp
  dbengine/SqlNormalizer.h dbengine/SqlNormalizer.cpp
  dbengine/PolishText.h dbengine/PolishText.cpp
  dbengine/RowCache.h dbengine/RowCache.cpp
  dbengine/Session.h dbengine/Session.cpp
  dbengine/Statement.h
  dbengine/Database.h dbengine/Database.cpp
  dbengine/ServerStore.cpp
  dbengine/Query.h dbengine/Query.cpp
  dbengine/PgConnection.h dbengine/PgConnection.cpp
)
