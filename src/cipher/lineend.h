// Where a line ends, for every reader of whole texts: the stream, key files,
// the attack's reader and analyze. A line ends at LF; a CR just before the LF
// belongs to the ending (CR LF, written back as such); a CR anywhere else is
// a character of its line, as encryption has always kept it, and stored
// ciphertexts rely on that. (The window's lastLine answers another question:
// which line of an editor the commands act on.)
#pragma once

#include <algorithm>
#include <cstring>

enum class LineEnding { None, Lf, CrLf };

template <typename Unit>
struct LineEnd
{
    const Unit *contentEnd = nullptr; // the line without its ending
    const Unit *next = nullptr;       // where the next line starts
    LineEnding ending = LineEnding::None;
};

namespace lineenddetail {

inline const char *findLineFeed(const char *from, const char *end)
{
    if (from == end) // an empty buffer may have no address, which memchr must not see
        return nullptr;
    return static_cast<const char *>(std::memchr(from, '\n', std::size_t(end - from)));
}

inline const char16_t *findLineFeed(const char16_t *from, const char16_t *end)
{
    const char16_t *found = std::find(from, end, u'\n');
    return found == end ? nullptr : found;
}

inline const char *findLastLineFeed(const char *begin, const char *end)
{
    if (begin == end)
        return nullptr;
    return static_cast<const char *>(memrchr(begin, '\n', std::size_t(end - begin)));
}

inline const char16_t *findLastLineFeed(const char16_t *begin, const char16_t *end)
{
    while (end != begin) {
        if (*--end == u'\n')
            return end;
    }
    return nullptr;
}

} // namespace lineenddetail

// The end of the line that starts at begin, looking no further than end.
// Without a line feed the ending is None and the line runs to end, which
// only ends the line for good where the text ends. A caller reading in
// pieces passes from: no line feed lies in [begin, from).
template <typename Unit>
LineEnd<Unit> findLineEnd(const Unit *begin, const Unit *end, const Unit *from)
{
    const Unit *lineFeed = lineenddetail::findLineFeed(from, end);
    if (!lineFeed)
        return {end, end, LineEnding::None};
    if (lineFeed > begin && lineFeed[-1] == Unit('\r'))
        return {lineFeed - 1, lineFeed + 1, LineEnding::CrLf};
    return {lineFeed, lineFeed + 1, LineEnding::Lf};
}

template <typename Unit>
LineEnd<Unit> findLineEnd(const Unit *begin, const Unit *end)
{
    return findLineEnd(begin, end, begin);
}

// Where the line after the last line end in [begin, end) starts, or null
// when no line ends there: the place to cut a text into whole lines.
template <typename Unit>
const Unit *afterLastLineEnd(const Unit *begin, const Unit *end)
{
    const Unit *lineFeed = lineenddetail::findLastLineFeed(begin, end);
    return lineFeed ? lineFeed + 1 : nullptr;
}

// Calls onLine(begin, contentEnd, ending) for each line of a whole text; a
// text that ends with a line end has no empty line after it.
template <typename Unit, typename OnLine>
void forEachLine(const Unit *begin, const Unit *end, OnLine &&onLine)
{
    while (begin != end) {
        const LineEnd<Unit> line = findLineEnd(begin, end);
        onLine(begin, line.contentEnd, line.ending);
        begin = line.next;
    }
}
