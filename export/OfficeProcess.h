#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

// A private headless LibreOffice process reached over UNO. Its own profile keeps it apart
// from a LibreOffice the user has open; it never outlives this object nor this program.
// Nothing outside the export's office files needs the office's headers to use it.
class OfficeProcess
{
public:
    // The soffice program: PALVARIN_SOFFICE from the environment, else the system's one.
    static QString defaultProgram();
    // Marker inside every office command line this process starts, for finding leftovers.
    static QString processTag();
    // Removes the private profiles, and the pipe sockets, that programs which died without
    // ending their office left behind (their process is gone). Returns how many went.
    static int removeStaleProfiles();

    // An empty program means defaultProgram() at launch.
    explicit OfficeProcess(const QString &program = QString());
    ~OfficeProcess(); // shuts the office down
    OfficeProcess(const OfficeProcess &) = delete;
    OfficeProcess &operator=(const OfficeProcess &) = delete;

    // Starts the office process without waiting for it to listen; false when it cannot start.
    bool launch();
    // Connects to the launched office, retrying while it starts, for at most timeoutMs.
    bool connect(int timeoutMs);
    bool isConnected() const;
    // How long this office took from launch() to connected, in ms (0 until connected).
    qint64 startMs() const;
    // Ends the office: asked to terminate when connected, then a bounded wait, then killed
    // with its whole process group; its private profile and pipe socket go too.
    void shutdown();

private:
    friend class CalcDocument;
    friend class OfficeCallDeadline;
    struct Impl; // export/OfficeUno.h
    std::unique_ptr<Impl> d;
};
