#include "edit/componentedit.h"
#include "library/librarydocument.h"
#include "tests/footprint/tablelines.h"

#include <gtest/gtest.h>

namespace {

using Dialogs::Button;
using Field = ComponentTable::Field;

QList<QByteArray> names(const ComponentTable &table)
{
    QList<QByteArray> result;
    for (int i = 0; i < table.rowCount(); ++i)
        result << table.nameAt(i);
    return result;
}

TEST(ReplaceEvery, Rule)
{
    EXPECT_EQ(substituiTodas("aaa", "aa", "b"), "ba");
    EXPECT_EQ(substituiTodas("xax", "x", "xx"), "xxaxx"); // inserted text not rescanned
    EXPECT_EQ(substituiTodas("ABab", "ab", "X"), "ABX");
    EXPECT_EQ(substituiTodas("dev-dev-R", "dev-", ""), "R");
    EXPECT_EQ(substituiTodas("abc", "", "X"), "abc");
}

TEST(Prefix, FromCaption)
{
    EXPECT_EQ(prefixoDoTitulo(QStringLiteral("C:\\kicad\\library\\conn.lib")), "conn");
    EXPECT_EQ(prefixoDoTitulo(QStringLiteral("C:dev.lib")), "dev");
    EXPECT_EQ(prefixoDoTitulo(QStringLiteral("/a.b/my.conn.lib")), "my.conn");
    EXPECT_EQ(prefixoDoTitulo(QStringLiteral("nova")), "nova");
    EXPECT_EQ(prefixoDoTitulo(QString()), "");
}

// The two documents; putting a row into edit state marks the edit one.
class EditTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QObject::connect(&table, &ComponentTable::dataChange, [this] { ++dataChanges; });
    }
    bool modified() const { return editDoc.modificado(); }
    void tiraPrefixo(const QString &title)
    {
        editDoc.setTitulo(title);
        ::tiraPrefixo(editDoc);
    }

    LibraryDocument editDoc;
    LibraryDocument searchDoc;
    ComponentTable &table = editDoc.table();
    ComponentTable &search = searchDoc.table();
    ScriptedDialogs dialogs;
    int dataChanges = 0;
};

TEST_F(EditTable, PrefixRemoval)
{
    tiraPrefixo(QStringLiteral("dev.lib"));
    EXPECT_FALSE(modified()); // empty table: nothing at all
    EXPECT_EQ(dataChanges, 0);

    preenche(table,
             {{"dev-R1", ""}, {"DEV-R2", ""}, {"Dev-R3", ""}, {"x-dev-y", ""}, {"A-dev", ""}});
    dataChanges = 0;
    tiraPrefixo(QStringLiteral("/home/u/dev.lib"));
    EXPECT_EQ(names(table), QList<QByteArray>({"R1", "R2", "Dev-R3", "x-y", "A-dev"}));
    EXPECT_TRUE(modified());
    EXPECT_EQ(table.currentRow(), 4);
    // The move to the first row, then once when notifications resume.
    EXPECT_EQ(dataChanges, 2);

    tiraPrefixo(QString());
    EXPECT_EQ(names(table), QList<QByteArray>({"R1", "R2", "DevR3", "xy", "Adev"}));
}

TEST_F(EditTable, NamePlaceholders)
{
    preenche(table, {{"U7", ">NAME\r>name\r>Name\r>NaMe\r>NAME1\rNAME\r"}, {"R", "x >name y"}});
    poeNomeNosComandos(editDoc);
    EXPECT_EQ(table.comandosAt(0), "U7\rU7\rU7\r>NaMe\rU71\rNAME\r");
    EXPECT_EQ(table.comandosAt(1), "x R y");
    EXPECT_TRUE(modified());
    EXPECT_EQ(table.currentRow(), 1);
}

TEST_F(EditTable, CopyRefusedInAnyCase)
{
    preenche(search, {{"R", "DEF R\rENDDEF\r"}});
    preenche(table, {{"a", "1"}, {"r", "2"}, {"R1", "3"}});
    editDoc.limpaHistorico(); // as loaded
    EXPECT_EQ(copiaComponente(searchDoc, editDoc, dialogs), CopyResult::Refused);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].kind, Dialogs::Kind::Error);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Já existe um componente com este nome na biblioteca atual!"));
    EXPECT_EQ(dialogs.messages[0].buttons, Dialogs::Buttons(Button::Ok));
    EXPECT_EQ(table.currentRow(), 1);
    EXPECT_EQ(names(table), QList<QByteArray>({"a", "r", "R1"}));
    EXPECT_FALSE(modified());
}

TEST_F(EditTable, CopyTakesItsSortedPlace)
{
    EXPECT_EQ(copiaComponente(searchDoc, editDoc, dialogs), CopyResult::Nothing);
    const QByteArray text = "DEF \xe9t\rF0 \"U\"\r\nENDDEF\r";
    preenche(search, {{"A", "a"}, {"R1", text}});
    search.next();
    EXPECT_EQ(copiaComponente(searchDoc, editDoc, dialogs), CopyResult::Copied);
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.currentRow(), 0);
    EXPECT_EQ(table.field(Field::Comandos), text);
    EXPECT_TRUE(modified());

    preenche(table, {{"R10", ""}, {"R", ""}});
    search.first();
    copiaComponente(searchDoc, editDoc, dialogs);
    search.next();
    EXPECT_EQ(copiaComponente(searchDoc, editDoc, dialogs), CopyResult::Refused);
    EXPECT_EQ(names(table), QList<QByteArray>({"A", "R", "R1", "R10"}));
    EXPECT_EQ(table.currentRow(), 2);
    EXPECT_EQ(table.state(), ComponentTable::State::Browse);
}

TEST_F(EditTable, DeleteLastOfThree)
{
    EXPECT_FALSE(apagaComponente(editDoc));
    EXPECT_FALSE(modified());
    preenche(table, {{"A", ""}, {"B", ""}, {"C", ""}});
    table.last();
    EXPECT_TRUE(apagaComponente(editDoc));
    EXPECT_TRUE(modified());
    EXPECT_EQ(names(table), QList<QByteArray>({"A", "B"}));
    EXPECT_EQ(table.currentRow(), 1);
}

} // namespace
