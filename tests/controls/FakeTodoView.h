#pragma once
// A list box stand-in that records what the to-do model asks of it. Its rows follow the items when
// asked to, and a selection beyond the rows is dropped, as a list box window does.
#include <vector>

#include "TodoList.h"

class FakeTodoView : public ITodoListView {
public:
    bool handle = true;
    int rows = 0;
    int selected = -1;
    int synchItems = 0, synchColumns = 0, invalidates = 0;
    std::vector<int> repainted;
    const TTodoItemCollection* items = nullptr;
    const TFont* font = nullptr;

    bool ViewHandleAllocated() const override { return handle; }
    int ViewRowCount() const override { return rows; }
    void ViewRepaintRow(int Row) override { repainted.push_back(Row); }
    void ViewInvalidate() override { ++invalidates; }
    void ViewSynchItems() override {
        ++synchItems;
        if (items) rows = items->Count();
        if (selected >= rows) selected = rows - 1;
    }
    int ViewItemIndex() const override { return selected; }
    void ViewSetItemIndex(int Row) override { selected = Row >= 0 && Row < rows ? Row : -1; }
    void ViewSynchColumns() override { ++synchColumns; }
    const TFont* ViewFont() const override { return font; }

    void Reset() {
        synchItems = synchColumns = invalidates = 0;
        repainted.clear();
    }
};
