#pragma once

namespace lorvane {

class QueryState;

// The criteria grid rsWhere: its columns follow the query's fields, the aggregate aliases and
// the calculated-field aliases; its rows are OR lines of criteria cells.
class CriteriaGrid {
public:
    explicit CriteriaGrid(QueryState& state) : s_(state) {}

    // Recreates the columns (every FieldList item, then each non-empty aggregate alias, then
    // each calculated-field alias) and carries over the non-empty cells of columns that remain.
    void RebuildColumns();
    // After the tables changed: drops grouping, ordering and calculated rows that no longer
    // refer to a field of the query, then rebuilds the columns.
    void PruneAfterFieldListChange();

    // Copies every rsWhere row into rsCriteriaClone, by column name.
    void SQLWhereCloneRS();
    // Copies every rsHaving row into rsCriteriaClone, by position.
    void SQLHavingCloneRS();
    // Deletes every row of rsCriteriaClone; its columns stay.
    void DestroyRSClone();

    // The split mark: each line is copied with the marked column's cell set to the split
    // value; then lines whose cells are all empty are deleted; the mark is cleared.
    void Normalise();
    // Deletes the lines of rsWhere and rsHaving in which no cell holds text.
    void DeleteEmptyRows();

private:
    QueryState& s_;
};

}  // namespace lorvane
