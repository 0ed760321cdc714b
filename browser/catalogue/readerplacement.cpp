#include "readerplacement.h"

#include "placement.h"

#include <limits>

namespace tamsel {

QPoint readerPosition(const QRect &available, const QRect &mainFrame, const QSize &readerFrame, const QRect &lists)
{
    const auto kept = [&](int x, int y) { return common::keptOnArea(available, QRect(QPoint(x, y), readerFrame)); };
    const int top = mainFrame.top();
    const int right = mainFrame.right() + 1;
    const int left = mainFrame.left() - readerFrame.width();
    if (right + readerFrame.width() <= available.right() + 1)
        return kept(right, top);
    if (left >= available.left())
        return kept(left, top);

    // The least cover lies where an edge meets an edge of the lists or of the area. Candidates
    // nearest to "beside" come first, so they win a tie.
    const int xs[] = {right, left, lists.right() + 1, lists.left() - readerFrame.width(), available.left(),
                      available.right() + 1 - readerFrame.width()};
    const int ys[] = {top, lists.bottom() + 1, lists.top() - readerFrame.height(), available.top(),
                      available.bottom() + 1 - readerFrame.height()};
    QPoint best = kept(right, top);
    qint64 leastCover = std::numeric_limits<qint64>::max();
    for (int y : ys) {
        for (int x : xs) {
            const QPoint at = kept(x, y);
            const QRect cover = QRect(at, readerFrame) & lists;
            const qint64 area = cover.isEmpty() ? 0 : qint64(cover.width()) * cover.height();
            if (area < leastCover) {
                leastCover = area;
                best = at;
            }
        }
    }
    return best;
}

} // namespace tamsel
