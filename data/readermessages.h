#pragma once

#include <QString>
#include <QStringList>

// The messages that more than one reader sends, so that each has one text and one translation.
// They are made on the worker that reads (see UiLanguage for why that is safe).
namespace ReaderMessages {

// A recording longer than one time line holds: only its first kept samples are read.
QString historyCut(const QString& path, qint64 kept);

// Lines of a CSV file whose first field is not a time, left out.
QString skippedRows(const QString& path, qint64 rows);

// Cells of a CSV file that are not numbers, taken as missing values.
QString missingCells(const QString& path, qint64 cells);

// Variables whose names an earlier column already took, the first ten of them named.
QString repeatedNames(const QString& path, const QStringList& names);

} // namespace ReaderMessages
