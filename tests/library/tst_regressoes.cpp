// Regressions found by the sanitized test pass (ASan + UBSan) in the library.
#include "library/componenttable.h"
#include "library/componenttablemodel.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// UBSan in the window tests: the main window's tables are members, destroyed
// before the grids (child widgets) that show them; a grid being torn down
// still asked its model for the row count, and the model called into the
// destroyed table. The model now answers no rows once its table is gone.
TEST(ModelRegressions, ModelOutlivingItsTableHasNoRows)
{
    auto table = std::make_unique<ComponentTable>();
    table->append();
    table->setField(ComponentTable::Field::Nome, "R1");
    table->post();
    ComponentTableModel model(*table, true);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("▶"));

    table.reset();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DisplayRole).isValid());
    EXPECT_EQ(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QString());
    EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("R2"), Qt::EditRole));
}

} // namespace
