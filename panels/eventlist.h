#pragma once

#include "tavrecords.h"

#include <QList>
#include <QString>
#include <QStringList>

enum EventKind
{
    FaultCleared = 0,
    FaultOccurred = 1,
    SystemEvent = 2,
    UserEvent = 3
};

// The merged rows of the event table, three parallel lists of equal length.
struct EventList
{
    QList<int> kinds;
    QStringList texts;
    QList<qint64> stamps;

    int size() const { return stamps.size(); }

    // Where an entry with stamp w goes: after equal stamps, and into the first gap that
    // brackets w when the list is out of order; -1 if no place fits (the entry is dropped).
    static int insertPosition(const QList<qint64>& stamps, qint64 w);

    // Places one entry by insertPosition; returns false when it was dropped.
    bool insert(int kind, const QString& text, qint64 stamp);

    // Faults in record order (states other than 0 and 1 are skipped with a debug line),
    // then system and user events placed among them, each as insert() would place it, in
    // O(n log n) rather than a scan and a list shift per entry.
    static EventList build(const QList<ErrorRecord>& errors, const QList<EventRecord>& sys,
                           const QList<EventRecord>& user, bool showError, bool showSys,
                           bool showUser);
};
