#pragma once

// Rectangles of the windows' picture areas: the live view's cells and the archive's tiles.

namespace ostrel {

// A rectangle in window pixels, (left, top) inside, (right, bottom) outside.
struct CellRect {
    int nLeft = 0;
    int nTop = 0;
    int nRight = 0;
    int nBottom = 0;

    bool IsEmpty() const { return nRight <= nLeft || nBottom <= nTop; }
    bool Contains(int x, int y) const
    {
        return !IsEmpty() && x >= nLeft && x < nRight && y >= nTop && y < nBottom;
    }
    int Width() const { return nRight - nLeft; }
    int Height() const { return nBottom - nTop; }
    bool operator==(const CellRect&) const = default;
};

// Cell i (0-based, row by row) of a grid of nSide x nSide over rcArea: the integer grid step
// less nGap pixels on the right and below, inset by nInset pixels from the step's top-left.
// The live view's cells are GridCell({62, 22, 702, 502}, side, i, 1, 2); side 1 gives the single
// cell (63, 23)-(701, 501). Empty for a side below 1 or a cell outside the grid.
inline CellRect GridCell(const CellRect& rcArea, int nSide, int nIndex, int nInset, int nGap)
{
    if (nSide < 1 || nIndex < 0 || nIndex >= nSide * nSide)
        return {};
    const int nStepX = rcArea.Width() / nSide;
    const int nStepY = rcArea.Height() / nSide;
    const int nColumn = nIndex % nSide;
    const int nRow = nIndex / nSide;
    const int nLeft = rcArea.nLeft + nStepX * nColumn + nInset;
    const int nTop = rcArea.nTop + nStepY * nRow + nInset;
    return {nLeft, nTop, rcArea.nLeft + nStepX * (nColumn + 1) - nGap + nInset,
            rcArea.nTop + nStepY * (nRow + 1) - nGap + nInset};
}

} // namespace ostrel
