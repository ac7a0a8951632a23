#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <map>
#include <memory>

// The language the program speaks. Every user-visible text goes through tr() (or
// QT_TR_NOOP / QCoreApplication::translate) with its English text as the source; another
// language is one catalogue, "Palvarin_<code>.qm", looked up in the search path. Setting a
// language installs its catalogue (and Qt's own texts where Qt ships them), Qt then sends
// every widget a LanguageChange event, and changed() tells everything else that renders
// words (models, pages) to render again.
class Language : public QObject
{
    Q_OBJECT
public:
    // Created on first use, in Chinese (the program's first language) when its catalogue is
    // found; a QCoreApplication must exist by then.
    static Language &instance();

    // Where catalogues are looked up, in order; ":/i18n" is the copy compiled into the program.
    void setSearchPath(const QStringList &directories) { m_searchPath = directories; }
    QStringList searchPath() const { return m_searchPath; }

    // "en" needs no catalogue. False, and nothing changes, when the catalogue is not found.
    // Also when `code` is already in use (a catalogue found on a new search path is loaded).
    bool set(const QString &code) { return set(code, m_searchPath); }
    // The same, looking for the catalogue in `searchPath` instead.
    bool set(const QString &code, const QStringList &searchPath);
    QString code() const { return m_code; }
    // "en" and every code with a catalogue in the search path (or in `searchPath`).
    QStringList available() const { return available(m_searchPath); }
    static QStringList available(const QStringList &searchPath);
    // The language named in itself ("English", and what its catalogue calls it), for a chooser;
    // the locale's own name, or the code, when its catalogue has no name.
    static QString nativeName(const QString &code, const QStringList &searchPath);

    // Loads the catalogue of `code` from the first folder of `searchPath` that has it.
    static bool load(QTranslator &translator, const QString &code, const QStringList &searchPath);
    // A text in the language `code`, whichever is in use: for messages shown in both languages
    // at once, before anyone could choose (the source text when `code` has no catalogue).
    QString translate(const QString &code, const char *context, const char *source) const;

signals:
    void changed(const QString &code);

private:
    Language();

    QStringList m_searchPath{QStringLiteral(":/i18n")};
    QString m_code{QStringLiteral("en")};
    QTranslator m_catalogue;
    QTranslator m_qtCatalogue; // Qt's standard buttons and file dialog
    mutable std::map<QString, std::unique_ptr<QTranslator>> m_others; // for translate()
};
