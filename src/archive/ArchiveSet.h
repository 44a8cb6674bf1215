#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// An archive folder holds one whole set of files: the two table copies and the description.
// A new set is made beside the old one under staged names and put in place by renames that a
// marker file announces, so that whatever moment a crash or a power cut strikes, the next
// archive operation on the folder finds the whole old set or the whole new one.

// The names of the set's files: the two table files, then the description.
QStringList ArchiveSetFiles();
// Those of them that dir holds.
QStringList ArchiveSetFilesIn(const QString& dir);
// Where the new copy of one of the set's files is made before it takes the file's place.
QString StagedArchiveFile(const QString& dir, const QString& fileName);

// Puts the staged set, which must be complete, in place of the set in dir: the staged files and
// the folder are synced, the marker written, and each file renamed over its predecessor. From
// the marker on, the new set is decided: a crash is completed by FinishInterruptedArchive. False
// with the reason; before the marker, the staged files are removed and the old set stays.
bool PlaceStagedArchive(const QString& dir, QString* error = nullptr);

// Removes a staged set that will not be placed.
void RemoveStagedArchive(const QString& dir);

// Run before anything reads or writes the set in dir: completes a replacement whose marker is
// there and removes what interrupted archives left (staged copies, and the copies set aside by
// earlier builds, which are put back where a table would otherwise be missing). False with the
// reason when a replacement could not be completed: the folder then holds no whole set. The live
// data directory is never taken for an archive folder.
bool FinishInterruptedArchive(const QString& dir, QString* error = nullptr);

// Called with the name of each step before a replacement or its completion writes, syncs,
// renames or removes a file. Tests throw from it to stop the work there, as a crash would.
using ArchiveStepHook = std::function<void(const QString& step)>;
void SetArchiveStepHook(ArchiveStepHook hook);
// Runs the hook, if any.
void ArchiveStep(const QString& step);
