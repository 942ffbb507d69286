#pragma once

#include "appendbatch.h"
#include "readtail.h"
#include "tavloader.h"

#include <QString>
#include <memory>

class TavDataModel;
class TavTail;
namespace TavCsv {
class CsvTail;
}

// The worker's side of a follow: takes in what was appended to the file since the read (or
// the last batch) and lays it out against the data set that is held, without writing it.
// Every append the held set cannot take as such is answered ReadWhole, so that a data set
// extended by batches always equals a read of the file as it then stands.
class FollowTail
{
public:
    FollowTail();
    ~FollowTail();
    FollowTail(const FollowTail&) = delete;
    FollowTail& operator=(const FollowTail&) = delete;

    // Goes on after a read that left the file at tail, and that limits bounded; without one
    // nothing can be taken.
    void reset(const ReadTail& tail, const TavLoader::Limits& limits);
    void reset();
    qint64 consumed() const { return m_consumed; }

    // Decodes what was appended to path, at most limits.followPiece bytes of it so that the
    // GUI thread's step stays short (the rest waits for the next decode), against held (read only:
    // another thread may read it at the same time, nobody writes it). report receives the readers'
    // messages.
    AppendBatch decode(const QString& path, const TavDataModel& held,
                       const TavLoader::Limits& limits, const InfoReport& report);

private:
    bool takeCsv(const QString& path, qint64 end, AppendBatch& batch, QStringList& layoutNames,
                 const InfoReport& report);
    bool takeTav(const QString& path, qint64 end, AppendBatch& batch, QStringList& layoutNames,
                 const InfoReport& report);

    std::unique_ptr<TavCsv::CsvTail> m_csv;
    std::unique_ptr<TavTail> m_tav;
    qint64 m_consumed = 0;
    bool m_inBurst = false; // the last batch left more to take
};
