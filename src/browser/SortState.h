#pragma once

namespace netrova {

// The sort of a history list: the column last clicked and the direction. It lives for the
// program run, so a window opened again sorts on from where the last one left off.
struct SortState {
    int SortColumn = 0;
    bool SortAscending = false;
};

// A click on a column header: a new column sorts ascending, the same column again reverses.
inline void ClickSortColumn(SortState& state, int column) {
    state.SortAscending = !state.SortAscending;
    if (column != state.SortColumn)
        state.SortAscending = true;
    state.SortColumn = column;
}

// -1, 0 or 1, negated for a descending sort.
template <class T> int CompareOrdered(const T& a, const T& b, bool ascending) {
    const int r = (a > b) - (a < b);
    return ascending ? r : -r;
}

} // namespace netrova
