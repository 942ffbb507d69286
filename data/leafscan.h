#pragma once

#include <QtGlobal>

// One leaf of one value column read once for both of its summaries: the extremes of each
// block for the min/max pyramid and the value moments of the whole leaf for the range
// statistics. This pass touches every sample of every column after a read, so it is kept
// to the arithmetic both summaries need: no per-sample missing-value test (a block with a
// missing sample shows in its extremes or in the sums, and is then left to the callers'
// careful scans), one conversion to double per sample.
//
// The sums are taken about the leaf's first value. The portable path adds them in four
// interleaved partial sums (sample i to partial i % 4), as the statistics always have; the
// wide path uses eight and fused multiply-adds (one rounding per product and sum), so its
// sums may differ from the portable ones in the last bits.
struct LeafScan
{
    static constexpr int Samples = 1024;
    static constexpr int BlockSize = 64;
    static constexpr int Blocks = Samples / BlockSize;
    static constexpr quint32 AllClean = (quint32(1) << Blocks) - 1;

    // Portable: SSE2 where the target has it, plain C++ elsewhere. Wide: AVX and FMA,
    // chosen at run time on a processor that has them.
    enum class Path
    {
        Portable,
        Wide
    };
    static bool wideAvailable();
    // Wide when available, unless the environment sets OSTREL_PORTABLE_SCAN (to compare
    // or profile the portable path on a machine that has both).
    static Path bestPath();

    // Bit b set: every sample of block b is valid (|v| < 999, not NaN); only then do
    // blockMin[b] and blockMax[b] hold its extremes.
    quint32 cleanBlocks = 0;
    float blockMin[Blocks];
    float blockMax[Blocks];
    // Over the leaf, with d = v[i] - v[0] in double and dt[i] the stamp deltas: the sums of
    // d, d * d and dt * d. Meaningful only when every block is clean.
    double sumD = 0.0;
    double sumDD = 0.0;
    double sumTD = 0.0;

    bool allClean() const { return cleanBlocks == AllClean; }
    // v: Samples values; dt: Samples stamp deltas. next, when not null: the Samples values
    // the caller scans next, fetched from memory while this leaf is summed.
    void run(const float* v, const double* dt, Path path, const float* next = nullptr);
};
