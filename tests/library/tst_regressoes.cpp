// Regressions found by the sanitized test pass (ASan + UBSan) in the library.
#include "library/componenttablemodel.h"
#include "library/librarydocument.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// UBSan in the window tests: the window's tables were members, destroyed
// before the grids (child widgets) that showed them, and a grid being torn
// down still asked its model for rows. Tables now belong to documents that
// outlive their models: a model destroyed first leaves the document whole,
// and a new model shows the same rows.
TEST(ModelRegressions, DocumentOutlivesTheModelsShowingIt)
{
    LibraryDocument doc;
    ComponentTable &table = doc.table();
    table.append();
    table.setField(ComponentTable::Field::Nome, "R1");
    table.post();
    {
        ComponentTableModel model(table, true);
        ASSERT_EQ(model.rowCount(), 1);
    }
    table.append();
    table.setField(ComponentTable::Field::Nome, "R2");
    table.post();
    ComponentTableModel again(table, true);
    EXPECT_EQ(again.rowCount(), 2);
    EXPECT_EQ(again.data(again.index(1, 0), Qt::DisplayRole).toString(), QStringLiteral("R2"));
}

} // namespace
