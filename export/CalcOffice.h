#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// A private headless LibreOffice reached over UNO, with a plain interface so that nothing
// else in the program needs the office's headers. One document at a time.
class CalcOffice
{
public:
    // A cell the caller wants written; rows and columns are 1-based.
    struct Cell
    {
        int row = 0;
        int column = 0;
        QVariant value;
        bool hasValue = false;
        bool centred = false;
    };

    CalcOffice();
    ~CalcOffice(); // shuts the office down
    CalcOffice(const CalcOffice &) = delete;
    CalcOffice &operator=(const CalcOffice &) = delete;

    // The soffice program: PALVARIN_SOFFICE from the environment, else the setter's value,
    // else the system's one.
    static QString programPath();
    static void setProgramPath(const QString &path);
    // Marker inside every office command line this process starts, for finding leftovers.
    static QString processTag();
    // Removes the private profiles that programs which died without ending their office left
    // in the temporary folder (their process is gone). Returns how many went.
    static int removeStaleProfiles();

    // Starts the office process without waiting for it; false when it cannot be started.
    bool launch();
    // Connects to the launched office, retrying while it starts, for at most timeoutMs.
    bool connect(int timeoutMs);
    bool isConnected() const;
    // How long the last successful start took, from launch() to connected, in ms.
    static qint64 lastStartMs();

    bool openDocument(const QString &path);
    bool hasDocument() const;
    int sheetCount() const;
    // Appends a sheet to the open document.
    bool appendSheet(const QString &name);
    // Writes cells sorted by (row, column) in bulk: texts that are plain decimal numbers become
    // number cells showing the same decimals, every other value stays text.
    bool writeCells(int sheetIndex, const QList<Cell> &cells);
    // The same, one office call per cell operation: the baseline the bulk path is measured against.
    bool writeCellsOneByOne(int sheetIndex, const QList<Cell> &cells);
    // Saves in the Excel 97-2003 format; storeAs also makes the path the document's location.
    bool storeAs(const QString &path);
    bool store();
    bool isModified() const;
    // The document was saved to this path in the .xls format and not changed since.
    bool isStoredAt(const QString &path) const;
    bool closeDocument();
    // Ends the office: terminate, bounded wait, kill if needed; removes the private profile
    // and any lock file left beside documents it had open.
    void shutdown();

    // Whether a text is written as a number, and with how many decimals.
    static bool parseNumber(const QString &text, double *value, int *decimals);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
