#include "store/SyncTables.h"

#include <SQLiteCpp/Database.h>

namespace SyncTables {

namespace {

// Capture is 1 once the notebook joined a place; the replica sets it to 0 inside its own
// transactions, so what a sync writes never comes back as a change made here. The outbox keeps
// each save's columns as stored, so every version saved here becomes a revision of its own.
const char *const CreateSql = R"sql(
CREATE TABLE IF NOT EXISTS SyncState (
  Only INTEGER PRIMARY KEY CHECK (Only = 1),
  Computer BLOB NOT NULL,
  Capture INTEGER NOT NULL DEFAULT 0,
  PlaceID BLOB,
  SyncKey BLOB,
  Settings BLOB,
  LastSent INTEGER NOT NULL DEFAULT 0
);
INSERT OR IGNORE INTO SyncState (Only, Computer) VALUES (1, randomblob(16));
CREATE TABLE IF NOT EXISTS SyncObjects (
  Identity BLOB PRIMARY KEY,
  Kind INTEGER NOT NULL,
  LocalID INTEGER,
  Waiting INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX IF NOT EXISTS SyncObjectsByLocal ON SyncObjects (Kind, LocalID);
CREATE TABLE IF NOT EXISTS SyncRevisions (
  Seq INTEGER PRIMARY KEY,
  ID BLOB NOT NULL UNIQUE,
  Object BLOB NOT NULL,
  Parents BLOB NOT NULL,
  Deleted INTEGER NOT NULL,
  Content BLOB NOT NULL,
  Mine INTEGER NOT NULL,
  Batch INTEGER,
  Here INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS SyncRevisionsByObject ON SyncRevisions (Object);
CREATE INDEX IF NOT EXISTS SyncRevisionsByBatch ON SyncRevisions (Batch);
CREATE TABLE IF NOT EXISTS SyncOutbox (
  Seq INTEGER PRIMARY KEY,
  Kind INTEGER NOT NULL,
  LocalID INTEGER NOT NULL,
  Deleted INTEGER NOT NULL,
  Title, AddDate, LastUpdate, Priority, Icon, GroupID, Color, Body
);
CREATE TABLE IF NOT EXISTS SyncRead (
  Computer BLOB PRIMARY KEY,
  Batch INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS SyncConflicts (
  Object BLOB NOT NULL,
  Revision BLOB NOT NULL,
  PRIMARY KEY (Object, Revision)
);
CREATE TABLE IF NOT EXISTS SyncConflictVersions (
  HistoryID INTEGER PRIMARY KEY,
  NoteID INTEGER NOT NULL,
  ReplacedAt INTEGER NOT NULL
);
CREATE TRIGGER IF NOT EXISTS SyncNoteAdded AFTER INSERT ON Notes
WHEN (SELECT Capture FROM SyncState) = 1 BEGIN
  INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title, AddDate, LastUpdate, Priority, Icon, GroupID, Color, Body)
  VALUES (1, NEW.ID, 0, NEW.nNoteTitle, NEW.nAddDate, NEW.nLastUpdate, NEW.nPriority, NEW.nIcon, NEW.nGroupID,
          NEW.nColor, NEW.nNote);
END;
CREATE TRIGGER IF NOT EXISTS SyncNoteChanged AFTER UPDATE ON Notes
WHEN (SELECT Capture FROM SyncState) = 1 BEGIN
  INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title, AddDate, LastUpdate, Priority, Icon, GroupID, Color, Body)
  VALUES (1, NEW.ID, 0, NEW.nNoteTitle, NEW.nAddDate, NEW.nLastUpdate, NEW.nPriority, NEW.nIcon, NEW.nGroupID,
          NEW.nColor, NEW.nNote);
END;
CREATE TRIGGER IF NOT EXISTS SyncNoteDeleted AFTER DELETE ON Notes
WHEN (SELECT Capture FROM SyncState) = 1 BEGIN
  INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title, AddDate, LastUpdate, Priority, Icon, GroupID, Color, Body)
  VALUES (1, OLD.ID, 1, OLD.nNoteTitle, OLD.nAddDate, OLD.nLastUpdate, OLD.nPriority, OLD.nIcon, OLD.nGroupID,
          OLD.nColor, OLD.nNote);
END;
CREATE TRIGGER IF NOT EXISTS SyncGroupAdded AFTER INSERT ON Groups
WHEN (SELECT Capture FROM SyncState) = 1 BEGIN
  INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title) VALUES (0, NEW.ID, 0, NEW.vGroupName);
END;
CREATE TRIGGER IF NOT EXISTS SyncGroupChanged AFTER UPDATE ON Groups
WHEN (SELECT Capture FROM SyncState) = 1 BEGIN
  INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title) VALUES (0, NEW.ID, 0, NEW.vGroupName);
END;
CREATE TRIGGER IF NOT EXISTS SyncGroupDeleted AFTER DELETE ON Groups
WHEN (SELECT Capture FROM SyncState) = 1 BEGIN
  INSERT INTO SyncOutbox (Kind, LocalID, Deleted, Title) VALUES (0, OLD.ID, 1, OLD.vGroupName);
END;
)sql";

} // namespace

void create(SQLite::Database &db)
{
    db.exec(CreateSql);
}

} // namespace SyncTables
