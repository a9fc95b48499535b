// The numbers that frequency analysis looks at first.
#pragma once

#include "frequencycount.h"

struct FrequencyMeasures
{
    qint64 total = 0;        // N, the symbols or codes counted
    double ioc = 0;          // index of coincidence, sum of n(n-1) / (N(N-1)); 0 when N < 2
    double entropy = 0;      // Shannon entropy in bits per symbol or code; 0 when N = 0
    double maxEntropy = 0;   // log2 of the number of labels: 5 for 32 symbols
    double peak = 0;         // the largest share; 0 when N = 0
    int peakIndex = -1;      // its label (the first of equals); -1 when N = 0
    int seen = 0;            // the labels that occur
    // The peak relative to a uniform share over the labels that occur, peak *
    // seen: 1 for a flat text, whatever the number of codes a key has, so that
    // keys compare at a glance.
    double peakRelative = 0;
};

FrequencyMeasures measureFrequencies(const FrequencyCounts &counts);

// count / total, or 0 for an empty text.
double shareOf(qint64 count, qint64 total);
