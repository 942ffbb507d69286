#pragma once

#include <QByteArray>
#include <QObject>
#include <QVector>

// The five kinds of section in a .tavdata file. Each value is the character that,
// repeated 16 times, opens a section of that kind.
class TavDataHeader : public QObject
{
    Q_OBJECT
public:
    enum HeaderChar
    {
        Global = 73,  // 'I' information items
        History = 72, // 'H' one block of samples
        Error = 65,   // 'A' fault records
        System = 83,  // 'S' system events
        User = 85,    // 'U' user events
    };
    Q_ENUM(HeaderChar)

    static constexpr int MarkerLength = 16;

    // Process-wide, read-only: the markers in the order I, H, A, S, U.
    static const QVector<QByteArray>& sectionMarkers();
};
