#pragma once

#include "export/WorkbookTable.h"

#include <climits>

class RecordsModel;

// The shown columns of rows first..first+count-1 as a writer takes them: headers with units,
// names as text, numbers exactly as the cells show them, out-of-range readings marked in
// the model's language. The one place a table leaves the model for a file.
WorkbookTable exportTable(const RecordsModel &model, int first = 0, int count = INT_MAX);
