#include "frequencymeasures.h"

#include <cmath>

double shareOf(qint64 count, qint64 total)
{
    return total > 0 ? double(count) / double(total) : 0.0;
}

FrequencyMeasures measureFrequencies(const FrequencyCounts &counts)
{
    FrequencyMeasures measures;
    measures.total = counts.total();
    measures.maxEntropy = counts.counts.empty() ? 0.0 : std::log2(double(counts.counts.size()));
    const double total = double(measures.total);

    double coincidences = 0;
    for (int i = 0; i < int(counts.counts.size()); ++i) {
        const qint64 count = counts.counts[i];
        if (count == 0)
            continue;
        ++measures.seen;
        const double share = double(count) / total;
        measures.entropy -= share * std::log2(share);
        coincidences += double(count) * double(count - 1);
        if (measures.peakIndex < 0 || count > counts.counts[measures.peakIndex])
            measures.peakIndex = i;
    }
    if (measures.total >= 2)
        measures.ioc = coincidences / (total * (total - 1));
    if (measures.peakIndex >= 0)
        measures.peak = double(counts.counts[measures.peakIndex]) / total;
    measures.peakRelative = measures.peak * measures.seen;
    // A single kind of symbol has no uncertainty; -0 would print as "-0".
    measures.entropy = std::abs(measures.entropy);
    return measures;
}
