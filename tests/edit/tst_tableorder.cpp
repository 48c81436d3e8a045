#include "library/componenttable.h"

#include <QCollator>
#include <QRandomGenerator>
#include <algorithm>
#include <gtest/gtest.h>

// The table's name sort against a plain reference: a stable sort of the rows
// in order of addition by the locale's case-insensitive comparison, empty
// names first. Each row's Comandos holds its creation number.
namespace {

using Field = ComponentTable::Field;

class TableOrder : public ::testing::Test
{
protected:
    void add(const QByteArray &nome)
    {
        table.append();
        table.setField(Field::Nome, nome);
        table.setField(Field::Comandos, QByteArray::number(++added));
        table.post();
    }
    QList<int> order() const
    {
        QList<int> result;
        for (int i = 0; i < table.rowCount(); ++i)
            result << table.comandosAt(i).toInt();
        return result;
    }
    void expectSorted()
    {
        QList<int> expected = order();
        std::sort(expected.begin(), expected.end());
        QHash<int, QByteArray> names;
        for (int i = 0; i < table.rowCount(); ++i)
            names[table.comandosAt(i).toInt()] = table.nameAt(i);
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            if (names[a].isEmpty() != names[b].isEmpty())
                return names[a].isEmpty();
            return collator.compare(QString::fromLatin1(names[a]), QString::fromLatin1(names[b])) <
                   0;
        });
        const QByteArray current = table.field(Field::Comandos);
        table.sortByName();
        ASSERT_EQ(order(), expected);
        EXPECT_EQ(table.field(Field::Comandos), current);
    }
    QByteArray randomName()
    {
        static const QList<QByteArray> pool = {"ab", "AB",     "Ab",     "b",    "B",     "",
                                               "R1", "r1",     "R10",    "R1 ",  "\xc9t", "\xe9t",
                                               "et", "conn_2", "conn-2", "\xb5", "\xdf"};
        QByteArray n = pool[rng.bounded(int(pool.size()))];
        return rng.bounded(3) ? n : n + QByteArray::number(rng.bounded(20));
    }
    int randomRow() { return int(rng.bounded(table.rowCount())); }

    ComponentTable table;
    int added = 0;
    QRandomGenerator rng{20071004};
};

TEST_F(TableOrder, CaseVariantsKeepTheirOrderOfAddition)
{
    for (const char *n : {"b", "AB", "ab", "", "Ab"})
        add(n);
    table.sortByName();
    EXPECT_EQ(order(), QList<int>({4, 2, 3, 5, 1}));
}

TEST_F(TableOrder, AdditionsRenamesAndRemovalsSortAsOneFullSort)
{
    for (int i = 0; i < 150; ++i)
        add(randomName());
    expectSorted();
    for (int round = 0; round < 60; ++round) {
        // Single rows added to a sorted table take the fast path; many at
        // once, renames and removals mix the two.
        const int adds = round % 5 == 0 ? 40 : round % 3;
        for (int i = 0; i < adds; ++i)
            add(randomName());
        if (round % 2) {
            table.moveTo(randomRow());
            table.edit();
            table.setField(Field::Nome, randomName());
            table.post();
        }
        if (round % 4 == 3) {
            table.moveTo(randomRow());
            table.remove();
        }
        table.moveTo(randomRow());
        expectSorted();
    }
}

TEST_F(TableOrder, LocateMatchesWholeNamesIgnoringCase)
{
    for (const char *n : {"", "AB", "ab", "R1", "r10"})
        add(n);
    table.moveTo(3);
    EXPECT_FALSE(table.locate(u"nome_componente", "R"));
    EXPECT_FALSE(table.locate(u"nome_componente", "R1 "));
    EXPECT_EQ(table.currentRow(), 3);
    // The current row is tried first, then the rows from the first.
    table.moveTo(2);
    EXPECT_TRUE(table.locate(u"nome_componente", "aB"));
    EXPECT_EQ(table.currentRow(), 2);
    table.moveTo(4);
    EXPECT_TRUE(table.locate(u"nome_componente", "Ab"));
    EXPECT_EQ(table.currentRow(), 1);
    EXPECT_TRUE(table.locate(u"nome_componente", ""));
    EXPECT_EQ(table.currentRow(), 0);
    // A renamed row is found by its new name only.
    table.moveTo(3);
    table.edit();
    table.setField(Field::Nome, "Q");
    table.first();
    EXPECT_FALSE(table.locate(u"nome_componente", "r1"));
    EXPECT_TRUE(table.locate(u"nome_componente", "q"));
    EXPECT_EQ(table.currentRow(), 3);
}

} // namespace
