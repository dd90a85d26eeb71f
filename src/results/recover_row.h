// Producing one row's file from the engine that found it.
#pragma once

#include <QString>

#include "engines/recovery_base.h"
#include "recovery_item.h"

// Writes the row's data to destination: 0 when the whole file was written,
// -1 (or the engine's negative result) when not.
int recover_row(engine_kind_e kind, recovery_base_c &engine, const recovery_item_s &row,
                const QString &destination);

// Copies a live file; 0 when both files opened (a read or write error ends
// the copy early), -1 when either cannot be opened.
int copy_file(const std::wstring &source, const QString &destination);
