// The language model's four-gram scores rounded to a byte, for searches that
// score millions of candidate decryptions.
#pragma once

#include "languagemodel.h"

static_assert(Cryptanalysis::SymbolCount == 32, "the coarse table packs a symbol into five bits");

#include <cstdint>
#include <vector>

namespace Cryptanalysis {

// Scores of four table symbols (no boundaries) in steps of an eighth of a
// nat, down to a floor of at most 16 nats below zero. The exact table is
// 2.2 MiB of 16-bit scores and outgrows a core's cache beside everything
// else, so a search spent nearly half its time waiting for them; this one
// is 1 MiB. The rounding moves a text's score by well under the
// temperatures the searches walk at, and what they finally report is
// scored exactly.
class CoarseScores
{
public:
    static constexpr int Step = LanguageModel::Scale / 8;  // model units per unit here
    static constexpr double LowestFloorNats = -16;

    // floorNats: what any four-gram scoring below it scores here, from
    // LowestFloorNats up.
    explicit CoarseScores(const LanguageModel &model, double floorNats = LowestFloorNats);

    // Five bits a symbol, the oldest highest: the index of the next
    // four-gram is this one's shifted by a symbol, under IndexMask.
    static int index(int a, int b, int c, int d) { return (a << 15) | (b << 10) | (c << 5) | d; }
    static constexpr int IndexMask = (1 << 20) - 1;
    const std::int8_t *data() const { return m_scores.data(); }
    // The floor in model units.
    int floor() const { return m_floor * Step; }

private:
    std::vector<std::int8_t> m_scores;
    int m_floor;
};

} // namespace Cryptanalysis
