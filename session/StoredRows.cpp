#include "session/StoredRows.h"

#include "records/RecordsModel.h"
#include "store/SurveyStore.h"

int fillModelFromStored(RecordsModel &model, const StoredTable &stored)
{
    const int layout = stored.info.layout;
    const int values = layout == 1 ? 2 : layout == 2 ? GaugeRecord::MaxValues : 0;
    if (!values || stored.info.unitNames.size() != values || stored.info.decimals.size() != values)
        return 0;
    QList<QVariantList> unitTable;
    QList<int> numbers;
    if (layout == 1) {
        // The model takes column 0 (thickness) from entry unitNumbers[1], column 1 from unitNumbers[0].
        unitTable = {{0, stored.info.unitNames[1], stored.info.decimals[1]},
                     {1, stored.info.unitNames[0], stored.info.decimals[0]}};
        numbers = {0, 1};
    } else {
        for (int i = 0; i < values; ++i) {
            unitTable.append({i, stored.info.unitNames[i], stored.info.decimals[i]});
            numbers << i;
        }
    }
    model.clear();
    if (!model.setColumns(layout, numbers, unitTable))
        return 0;
    return model.append(stored.records);
}
