#pragma once

// Rows another survey file holds, named by their UUIDs, to bring into this one (what a shared
// store sends back). Included by Places.h.

#include "analysis/RequiredThickness.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <limits>

struct MergeAsset
{
    QByteArray uuid;   // 16 bytes
    QByteArray parent; // empty: a top-level asset
    int kind = 4;      // an AssetKind
    QString tag;
    QString description;
};

struct MergeCml
{
    QByteArray uuid;
    QByteArray asset;
    QString tag;
    QString description;
    double nominal = std::numeric_limits<double>::quiet_NaN();
    double minimum = std::numeric_limits<double>::quiet_NaN();
    double allowance = std::numeric_limits<double>::quiet_NaN();
    QString material;
    QString notes;
    DesignInputs design; // formula None: none
};

struct MergeRoute
{
    QByteArray uuid;
    QString name;
    QString notes;
    QVector<QByteArray> cmls; // in walking order
};

// A survey with what its session needs to be shown again.
struct MergeSurvey
{
    QByteArray uuid;
    QByteArray asset; // empty: not said
    QByteArray route;
    qint64 dateMs = 0;
    qint64 startedMs = 0;
    qint64 endedMs = 0;
    QString inspector;
    double velocity = std::numeric_limits<double>::quiet_NaN();
    QString notes;
    QString serial;
    QString firmware;
    qint64 meterType = -1;
    int layout = 1;
    QString unitNumbers; // as the file keeps them: "2,0"
    QString unitNames;   // one per line
    QString decimals;    // "2,0"
};

struct MergeReading
{
    QByteArray uuid;
    qint64 seq = 0;     // its place in its survey
    quint32 number = 0; // in the gauge's memory; 0: pushed
    qint64 dateMs = 0;
    QString name;
    float values[6] = {};
    quint8 flags = 0;
    QByteArray cml; // empty: not assigned
    QString comment;
};

struct MergeCounts
{
    int assets = 0;
    int cmls = 0;
    int routes = 0;
};

// A CML's metadata as last agreed with the shared store: the store's revision of it and the
// fields as text (compared whole, never parsed here).
struct AgreedCml
{
    qint64 revision = 0;
    QString fields;
};
