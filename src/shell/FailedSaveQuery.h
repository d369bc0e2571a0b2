#pragma once

#include <QString>

class PluTable;
class QWidget;

enum class FailedSaveOutcome { Saved, QuitWithoutSaving, Back };

// The close query's way on after the database could not be saved: the user
// tries again, saves the table to another file, quits without saving (this
// run's changes are lost) or goes back to the program, which is the default.
// message is the failure to show first; directory holds pludb.dat.
[[nodiscard]] FailedSaveOutcome AskAfterFailedSave(QWidget* parent, const PluTable& table,
                                                   const QString& directory, QString message);
