#include "library/componentrename.h"
#include "library/componenttablemodel.h"
#include "library/librarydocument.h"

#include <gtest/gtest.h>

namespace {

struct RenameCase
{
    const char *what;
    QByteArray oldName, typed, text;
    QByteArray name, renamed; // the row's new name, its new text
};

class RenameInTheGrid : public ::testing::TestWithParam<RenameCase>
{
};

// The grid's rename reaches the DEF line, F1 when it showed the name, and the
// .dcm entry (keyed without "~"), as one undo step.
TEST_P(RenameInTheGrid, RenamesTextAndDescriptionInOneStep)
{
    const RenameCase &c = GetParam();
    LibraryDocument doc;
    ComponentTable &t = doc.table();
    t.setRecording(false);
    t.append();
    t.setField(ComponentTable::Field::Nome, c.oldName);
    t.setField(ComponentTable::Field::Comandos, c.text);
    t.post();
    t.setRecording(true);
    doc.descricoes().acrescenta(Descricao::nova(dcmName(c.oldName), "desc", "", ""));
    ComponentTableModel model(t, true);
    ASSERT_TRUE(model.setData(model.index(0, 0), QString::fromLatin1(c.typed), Qt::EditRole));
    t.storePending();
    EXPECT_EQ(t.nameAt(0), c.name);
    EXPECT_EQ(t.comandosAt(0), c.renamed);
    ASSERT_NE(doc.descricoes().procura(dcmName(c.name)), nullptr);
    EXPECT_EQ(doc.descricoes().procura(dcmName(c.name))->descricao(), "desc");
    EXPECT_EQ(doc.descricoes().quantasEntradas(), 1);
    EXPECT_EQ(doc.historico().count(), 1);
    doc.desfaz();
    EXPECT_EQ(t.comandosAt(0), c.text);
    EXPECT_NE(doc.descricoes().procura(dcmName(c.oldName)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RenameInTheGrid,
    ::testing::Values(
        RenameCase{"def_and_value", "74HC244", "X244",
                   "DEF 74HC244 U 0 40 Y Y 1 L N\rF0 \"U\" 0 0 50 H V C CNN\r"
                   "F1 \"74HC244\" 0 -100 50 H V C CNN\rENDDEF\r",
                   "X244",
                   "DEF X244 U 0 40 Y Y 1 L N\rF0 \"U\" 0 0 50 H V C CNN\r"
                   "F1 \"X244\" 0 -100 50 H V C CNN\rENDDEF\r"},
        RenameCase{"hidden_value_keeps_its_mark", "~X", "Y",
                   "DEF ~X #PWR 0 0 Y Y 1 F P\r\nF1 \"X\" 0 0 50 H I C CNN\r\nENDDEF\r\n", "~Y",
                   "DEF ~Y #PWR 0 0 Y Y 1 F P\r\nF1 \"Y\" 0 0 50 H I C CNN\r\nENDDEF\r\n"},
        RenameCase{"value_set_otherwise_stays_blank_quoted", "R", "R 1",
                   "  DEF  R R 0 0 N Y 1 F N\rF1 \"10k\" 0 0 50 V V C CNN\r", "R 1",
                   "  DEF  \"R 1\" R 0 0 N Y 1 F N\rF1 \"10k\" 0 0 50 V V C CNN\r"}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace
