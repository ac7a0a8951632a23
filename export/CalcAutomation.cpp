#include "export/CalcAutomation.h"

#include <QDir>
#include <cstring>

namespace {

// Connecting covers the office's start-up (about 3.5 s, longer on a loaded machine).
const int kConnectTimeoutMs = 45000;
const int kCentred = -4108; // Excel's xlCenter
const int kExcel97Format = 56; // Excel's xlExcel8

// An office started ahead of time and not yet taken by an application object.
std::unique_ptr<CalcOffice> &warmOffice()
{
    static std::unique_ptr<CalcOffice> office;
    return office;
}

bool is(const char *name, const char *member)
{
    return std::strcmp(name, member) == 0;
}

} // namespace

AutomationObject::Server CalcAutomation::server()
{
    Server s;
    s.create = [] { return static_cast<AutomationObject *>(createApplication()); };
    s.warm = [] {
        if (warmOffice())
            return;
        auto office = std::make_unique<CalcOffice>();
        if (office->launch())
            warmOffice() = std::move(office);
    };
    s.release = [] { warmOffice().reset(); };
    return s;
}

CalcAutomation *CalcAutomation::createApplication()
{
    std::unique_ptr<CalcOffice> office = std::move(warmOffice());
    if (!office) {
        office = std::make_unique<CalcOffice>();
        if (!office->launch())
            return nullptr;
    }
    if (!office->connect(kConnectTimeoutMs))
        return nullptr; // the office is ended as it goes out of scope
    auto *app = new CalcAutomation(Kind::Application, nullptr, nullptr);
    app->office = std::move(office);
    return app;
}

CalcAutomation::CalcAutomation(Kind kind, CalcAutomation *parent, CalcAutomation *application, int sheet, int row,
                               int column)
    : AutomationObject(parent), kind(kind), application(application ? application : this), sheet(sheet), row(row),
      column(column)
{
}

CalcAutomation::~CalcAutomation() = default; // an application object ends its office here

bool CalcAutomation::isNull() const
{
    return !application->office || !application->office->isConnected();
}

AutomationObject *CalcAutomation::querySubObject(const char *name, const QVariant &arg1, const QVariant &arg2)
{
    CalcOffice *o = application->office.get();
    if (!o)
        return nullptr;
    switch (kind) {
    case Kind::Application:
        if (is(name, "WorkBooks"))
            return new CalcAutomation(Kind::Workbooks, this, application);
        break;
    case Kind::Workbooks:
        if (is(name, "Open(QString, QVariant)") && !o->hasDocument() && o->openDocument(arg1.toString()))
            return new CalcAutomation(Kind::Workbook, this, application);
        break;
    case Kind::Workbook:
        if (is(name, "WorkSheets(int)") && o->hasDocument()) {
            const int index = arg1.toInt();
            if (index >= 1 && index <= o->sheetCount())
                return new CalcAutomation(Kind::Worksheet, this, application, index);
        }
        break;
    case Kind::Worksheet:
        // The .xls format holds 65536 rows and 256 columns; Excel refuses cells beyond them too.
        if (is(name, "Cells(int,int)") && o->hasDocument()) {
            const int r = arg1.toInt();
            const int c = arg2.toInt();
            if (r >= 1 && r <= 65536 && c >= 1 && c <= 256)
                return new CalcAutomation(Kind::Cell, this, application, sheet, r, c);
        }
        break;
    case Kind::Cell:
        break;
    }
    return nullptr;
}

CalcOffice::Cell &CalcAutomation::pendingCell()
{
    CalcOffice::Cell &cell = application->pending[std::make_tuple(sheet, row, column)];
    cell.row = row;
    cell.column = column;
    return cell;
}

bool CalcAutomation::flush()
{
    CalcAutomation *app = application;
    bool ok = true;
    while (!app->pending.empty()) {
        const int sheetIndex = std::get<0>(app->pending.begin()->first);
        QList<CalcOffice::Cell> cells;
        auto it = app->pending.begin();
        for (; it != app->pending.end() && std::get<0>(it->first) == sheetIndex; ++it)
            cells << it->second;
        app->pending.erase(app->pending.begin(), it);
        ok = app->office->writeCells(sheetIndex, cells) && ok;
    }
    return ok;
}

bool CalcAutomation::closeWorkbook(bool saveChanges)
{
    CalcOffice *o = application->office.get();
    bool ok = true;
    if (saveChanges && (!application->pending.empty() || o->isModified()))
        ok = flush() && o->store();
    application->pending.clear();
    return o->closeDocument() && ok;
}

QVariant CalcAutomation::dynamicCall(const char *name, const QVariant &arg1, const QVariant &arg2)
{
    CalcOffice *o = application->office.get();
    if (!o)
        return false;
    switch (kind) {
    case Kind::Application:
        if (is(name, "Quit()")) {
            if (o->hasDocument())
                closeWorkbook(false);
            o->shutdown();
            return true;
        }
        break;
    case Kind::Workbook:
        if (!o->hasDocument())
            return false;
        if (is(name, "Save()"))
            return flush() && o->store();
        if (is(name, "SaveAs(const QString&, int)")) {
            if (arg1.toString().isEmpty() || arg2.toInt() != kExcel97Format)
                return false; // only the .xls format is offered
            const QString path = QDir::fromNativeSeparators(arg1.toString());
            if (!flush())
                return false;
            // Saved there as .xls a moment ago and unchanged: writing it again gives the same file.
            return o->isStoredAt(path) || o->storeAs(path);
        }
        if (is(name, "Close(bool)"))
            return closeWorkbook(arg1.toBool());
        break;
    case Kind::Cell:
        if (is(name, "SetHorizontalAlignment(const QVariant&)")) {
            pendingCell().centred = arg1.toInt() == kCentred;
            return true;
        }
        if (is(name, "SetValue(const QVariant&)")) {
            CalcOffice::Cell &cell = pendingCell();
            cell.value = arg1;
            cell.hasValue = true;
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

bool CalcAutomation::writeProperty(const char *name, const QVariant &value)
{
    if (kind == Kind::Application && is(name, "DisplayAlerts")) {
        // A headless office never asks; the value is kept for what reads it back.
        application->displayAlerts = value.toBool();
        return true;
    }
    return false;
}
