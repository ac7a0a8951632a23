#include "interaction/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>

namespace {
const QString prefix = QStringLiteral("Palvarin_");
}

Language &Language::instance()
{
    static Language language;
    return language;
}

Language::Language()
{
    // The program speaks Chinese until told otherwise, as its users expect.
    if (load(m_catalogue, QStringLiteral("zh"))) {
        QCoreApplication::installTranslator(&m_catalogue);
        m_code = QStringLiteral("zh");
    }
}

bool Language::load(QTranslator &translator, const QString &code) const
{
    for (const QString &directory : m_searchPath) {
        if (translator.load(prefix + code, directory))
            return true;
    }
    return false;
}

bool Language::set(const QString &code)
{
    const bool english = code == QLatin1String("en");
    // English is the source language; a catalogue named for it (a deployment's corrections)
    // is still used when present.
    QTranslator next;
    const bool found = load(next, code);
    if (!found && !english)
        return false;
    QCoreApplication::removeTranslator(&m_catalogue);
    QCoreApplication::removeTranslator(&m_qtCatalogue);
    if (found) {
        load(m_catalogue, code);
        QCoreApplication::installTranslator(&m_catalogue);
    }
    if (!english
        && m_qtCatalogue.load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtCatalogue);
    m_code = code;
    emit changed(code);
    return true;
}

QString Language::translate(const QString &code, const char *context, const char *source) const
{
    std::unique_ptr<QTranslator> &translator = m_others[code];
    if (!translator) {
        translator = std::make_unique<QTranslator>();
        load(*translator, code); // not found: it stays empty and the source text is used
    }
    const QString text = translator->translate(context, source);
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

QStringList Language::available() const
{
    QStringList codes{QStringLiteral("en")};
    for (const QString &directory : m_searchPath) {
        const QDir dir(directory.isEmpty() ? QStringLiteral(".") : directory);
        for (const QString &file : dir.entryList({prefix + QStringLiteral("*.qm")}, QDir::Files)) {
            const QString code = file.mid(prefix.size(), file.size() - prefix.size() - 3);
            if (!codes.contains(code))
                codes << code;
        }
    }
    return codes;
}
