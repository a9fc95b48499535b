#include "coarsescores.h"

#include <algorithm>
#include <cmath>

namespace Cryptanalysis {

CoarseScores::CoarseScores(const LanguageModel &model, double floorNats)
    : m_scores(std::size_t(SymbolCount) * SymbolCount * SymbolCount * SymbolCount)
    , m_floor(int(std::clamp(std::lround(floorNats * LanguageModel::Scale / Step), -128L, 0L)))
{
    for (int a = 0; a < SymbolCount; ++a) {
        for (int b = 0; b < SymbolCount; ++b) {
            for (int c = 0; c < SymbolCount; ++c) {
                for (int d = 0; d < SymbolCount; ++d) {
                    const long rounded = std::lround(double(model.score(a, b, c, d)) / Step);
                    m_scores[std::size_t(index(a, b, c, d))] = std::int8_t(std::max(long(m_floor), rounded));
                }
            }
        }
    }
}

} // namespace Cryptanalysis
