#pragma once

class RecordsModel;
struct StoredTable;

// Puts rows loaded from the survey file into a model (emptied first), in the columns they were
// shown in: unit names and decimals from the file, not from today's tables. Returns the rows
// added; 0 when the stored columns are not usable. Keys are not set: the caller decides.
int fillModelFromStored(RecordsModel &model, const StoredTable &table);
