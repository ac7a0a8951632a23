#pragma once

#include "export/AutomationObject.h"
#include "export/CalcOffice.h"

#include <map>
#include <memory>
#include <tuple>

// The Excel object model the engine uses, served by LibreOffice Calc. Cell calls are gathered
// and reach the office in bulk when the workbook is saved or closed, so a table costs a few
// office calls instead of three per cell.
class CalcAutomation : public AutomationObject
{
public:
    enum class Kind { Application, Workbooks, Workbook, Worksheet, Cell };

    // What "Excel.Application" is served by: a new application object (nullptr when no office
    // can be started) and an office started ahead of time.
    static Server server();

    ~CalcAutomation() override;

    AutomationObject *querySubObject(const char *name, const QVariant &arg1 = QVariant(),
                                     const QVariant &arg2 = QVariant()) override;
    QVariant dynamicCall(const char *name, const QVariant &arg1 = QVariant(),
                         const QVariant &arg2 = QVariant()) override;
    bool isNull() const override;

protected:
    bool writeProperty(const char *name, const QVariant &value) override;

private:
    CalcAutomation(Kind kind, CalcAutomation *parent, CalcAutomation *application, int sheet = 0, int row = 0,
                   int column = 0);
    static CalcAutomation *createApplication();
    CalcOffice::Cell &pendingCell();
    bool flush();
    bool closeWorkbook(bool saveChanges);

    Kind kind;
    CalcAutomation *application;
    int sheet;
    int row;
    int column;

    // Application object only.
    std::unique_ptr<CalcOffice> office;
    std::map<std::tuple<int, int, int>, CalcOffice::Cell> pending; // (sheet, row, column)
    bool displayAlerts = true;
};
