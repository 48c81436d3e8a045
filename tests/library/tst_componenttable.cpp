#include "library/componenttable.h"
#include "tests/support/libraryfixtures.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <random>

using libfix::addRow;
using libfix::namesOf;
using Field = ComponentTable::Field;
using State = ComponentTable::State;
using Names = QList<QByteArray>;

namespace {

// A table holding the given names in this order, posted, with the first row
// current.
void fill(ComponentTable &t, const Names &names)
{
    for (const QByteArray &n : names)
        addRow(t, n, "DEF " + n + " U\rENDDEF\r");
    t.first();
}

} // namespace

// ---------------------------------------------------------------------------
// Pending rows: append, set field, post, edit and how moves end them.

TEST(ComponentTablePending, FreshTableIsEmptyAndBrowsing)
{
    ComponentTable t;
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_EQ(t.state(), State::Browse);
    EXPECT_TRUE(t.atEnd());
    EXPECT_TRUE(t.field(Field::Nome).isEmpty());
    EXPECT_TRUE(t.field(u"comandos").isEmpty());
}

TEST(ComponentTablePending, AppendAddsEmptyRowAtEndAndMakesItCurrent)
{
    ComponentTable t;
    fill(t, {"a", "b"});
    t.append();
    EXPECT_EQ(t.state(), State::Insert);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_FALSE(t.isEmpty());
    EXPECT_TRUE(t.field(Field::Nome).isEmpty());
    EXPECT_TRUE(t.field(Field::Comandos).isEmpty());
    EXPECT_FALSE(t.atEnd());
}

TEST(ComponentTablePending, NewRowWhoseFieldsWereSetIsStoredByEveryMove)
{
    // Each way of ending the insert stores the row where it was appended.
    for (int how = 0; how < 6; ++how) {
        SCOPED_TRACE(how);
        ComponentTable t;
        fill(t, {"m", "c"});
        t.append();
        t.setField(Field::Nome, "a");
        switch (how) {
        case 0:
            t.first();
            break;
        case 1:
            t.last();
            break;
        case 2:
            t.next();
            break;
        case 3:
            t.prior();
            break;
        case 4:
            t.append();
            break;
        case 5:
            t.locate(u"nome_componente", "m");
            break;
        }
        EXPECT_EQ(namesOf(t).mid(0, 3), (Names{"m", "c", "a"}));
        EXPECT_EQ(t.rowCount(), how == 4 ? 4 : 3);
    }
}

TEST(ComponentTablePending, NewRowWithNothingSetLeavesNoTrace)
{
    ComponentTable t;
    fill(t, {"a", "b", "c"});
    t.next(); // b current
    t.append();
    t.first();
    EXPECT_EQ(namesOf(t), (Names{"a", "b", "c"}));
    EXPECT_EQ(t.state(), State::Browse);

    // An unposted empty row dropped by a move gives the current row back.
    ComponentTable u;
    fill(u, {"a", "b", "c"});
    u.next();
    u.append();
    u.append(); // drops the first empty row, adds another
    EXPECT_EQ(u.rowCount(), 4);
    u.sortByName(); // drops the second one
    EXPECT_EQ(namesOf(u), (Names{"a", "b", "c"}));
    EXPECT_EQ(u.field(Field::Nome), "b");

    // On an empty table, the dropped row leaves the table empty again.
    ComponentTable e;
    e.append();
    e.next();
    EXPECT_TRUE(e.isEmpty());
    EXPECT_EQ(e.currentRow(), -1);
    EXPECT_TRUE(e.atEnd());
}

TEST(ComponentTablePending, ExplicitPostStoresAndSetFieldOutsidePendingDoesNothing)
{
    ComponentTable t;
    t.append();
    t.setField(Field::Comandos, "DEF x\r");
    t.post();
    EXPECT_EQ(t.state(), State::Browse);
    // In browse state a field cannot be written.
    t.setField(Field::Nome, "changed");
    t.setField(Field::Comandos, "changed");
    EXPECT_TRUE(t.field(Field::Nome).isEmpty());
    EXPECT_EQ(t.field(Field::Comandos), "DEF x\r");
    // A posted row with only its text set is kept although its name is empty.
    t.first();
    EXPECT_EQ(t.rowCount(), 1);
}

TEST(ComponentTablePending, EditThatChangesAFieldIsStoredAndOneThatChangesNothingLeavesNoTrace)
{
    ComponentTable t;
    fill(t, {"a", "b"});
    const QByteArray before = t.field(Field::Comandos);

    t.edit();
    EXPECT_EQ(t.state(), State::Edit);
    t.next();
    EXPECT_EQ(t.state(), State::Browse);
    EXPECT_EQ(namesOf(t), (Names{"a", "b"}));
    EXPECT_EQ(t.comandosAt(0), before);

    t.edit();
    t.setField(Field::Nome, "renamed");
    t.setField(u"COMANDOS", "DEF renamed U\r\nENDDEF");
    t.first();
    EXPECT_EQ(namesOf(t), (Names{"a", "renamed"}));
    EXPECT_EQ(t.comandosAt(1), "DEF renamed U\r\nENDDEF");
    EXPECT_EQ(t.rowCount(), 2);
}

TEST(ComponentTablePending, AfterEditOnlyWhenEnteringEditFromBrowse)
{
    ComponentTable t;
    fill(t, {"a"});
    QSignalSpy afterEdit(&t, &ComponentTable::afterEdit);

    t.edit();
    t.edit(); // already editing
    EXPECT_EQ(afterEdit.count(), 1);
    t.first();
    t.edit(); // a new edit after the first ended
    EXPECT_EQ(afterEdit.count(), 2);
    t.post();

    t.append();
    t.edit(); // insert state: nothing
    EXPECT_EQ(t.state(), State::Insert);
    EXPECT_EQ(afterEdit.count(), 2);
}

TEST(ComponentTablePending, EditOnEmptyTableStartsAnInsertWithoutAfterEdit)
{
    ComponentTable t;
    QSignalSpy afterEdit(&t, &ComponentTable::afterEdit);
    t.edit();
    EXPECT_EQ(t.state(), State::Insert);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.currentRow(), 0);
    EXPECT_EQ(afterEdit.count(), 0);
    t.setField(Field::Nome, "x");
    t.post();
    EXPECT_EQ(namesOf(t), (Names{"x"}));
}

TEST(ComponentTablePending, AboutToEndPendingLetsABoundEditorStoreItsText)
{
    // A bound editor answers aboutToEndPending by storing what the user typed;
    // that text is then in the row, and makes the edit a change.
    ComponentTable t;
    fill(t, {"a", "b"});
    QObject::connect(&t, &ComponentTable::aboutToEndPending, &t,
                     [&] { t.setField(Field::Comandos, "typed"); });
    t.edit();
    t.next();
    EXPECT_EQ(t.comandosAt(0), "typed");
    EXPECT_EQ(t.state(), State::Browse);
    EXPECT_EQ(t.currentRow(), 1);
}

// ---------------------------------------------------------------------------
// Fields and names.

TEST(ComponentTableFields, FieldNamesAreMatchedWithoutRegardToCase)
{
    ComponentTable t;
    t.append();
    t.setField(u"nome_Componente", "N1");
    EXPECT_EQ(t.field(u"NOME_COMPONENTE"), "N1");
    t.setField(u"nome_componente", "N2");
    EXPECT_EQ(t.field(Field::Nome), "N2");
    t.setField(u"comandos", "C");
    EXPECT_EQ(t.field(u"Comandos"), "C");
    t.setField(u"ILHAS", "7");
    EXPECT_EQ(t.field(u"ilhas"), "7");
    // An unknown field name neither stores nor reads anything.
    t.setField(u"nome", "zzz");
    EXPECT_TRUE(t.field(u"nome").isEmpty());
    EXPECT_EQ(t.field(Field::Nome), "N2");
    EXPECT_EQ(t.field(Field::Comandos), "C");
}

TEST(ComponentTableFields, NameKeepsFirst60BytesAndStopsAtNul)
{
    ComponentTable t;
    t.append();
    const QByteArray seventy = QByteArray("0123456789").repeated(7);
    t.setField(Field::Nome, seventy);
    EXPECT_EQ(t.field(Field::Nome), seventy.left(60));

    t.setField(Field::Nome, QByteArray("ab\0cd", 5));
    EXPECT_EQ(t.field(Field::Nome), "ab");

    t.setField(Field::Nome, QByteArray("\0x", 2));
    EXPECT_TRUE(t.field(Field::Nome).isEmpty());

    // Exactly 60 bytes stay whole.
    t.setField(Field::Nome, seventy.left(60));
    EXPECT_EQ(t.field(Field::Nome).size(), 60);
}

TEST(ComponentTableFields, EveryByteSurvivesInNamesAndTexts)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    ComponentTable t;
    t.append();
    t.setField(Field::Nome, all.mid(0x80, 60));
    t.setField(Field::Comandos, all);
    t.post();
    EXPECT_EQ(t.nameAt(0), all.mid(0x80, 60));
    EXPECT_EQ(t.comandosAt(0), all);
    // The command text is not cut at NUL nor at 60 bytes.
    EXPECT_EQ(t.field(Field::Comandos).size(), 256);
}

// ---------------------------------------------------------------------------
// Navigation, deletion and flags.

TEST(ComponentTableNavigation, EmptyTableOnlySetsFlags)
{
    ComponentTable t;
    t.first();
    EXPECT_TRUE(t.atEnd());
    t.last();
    t.next();
    t.prior();
    EXPECT_TRUE(t.atEnd());
    EXPECT_TRUE(t.atBegin());
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_TRUE(t.isEmpty());

    // A walk on an empty table does nothing.
    int visits = 0;
    for (t.first(); !t.atEnd(); t.next())
        ++visits;
    EXPECT_EQ(visits, 0);
}

TEST(ComponentTableNavigation, FirstLastNextPriorWithBeginAndEndFlagsAndNoWrap)
{
    ComponentTable t;
    fill(t, {"a", "b", "c"});

    t.first();
    EXPECT_EQ(t.currentRow(), 0);
    EXPECT_TRUE(t.atBegin());
    EXPECT_FALSE(t.atEnd());

    t.prior(); // on the first row: stays, begin flag set
    EXPECT_EQ(t.currentRow(), 0);
    EXPECT_TRUE(t.atBegin());

    t.next();
    EXPECT_EQ(t.currentRow(), 1);
    EXPECT_FALSE(t.atBegin());
    EXPECT_FALSE(t.atEnd());

    t.last();
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_TRUE(t.atEnd());

    t.prior();
    EXPECT_EQ(t.currentRow(), 1);
    EXPECT_FALSE(t.atEnd());

    t.next(); // onto the last row: the end flag is not set yet
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_FALSE(t.atEnd());
    t.next(); // past it: stays, end flag set, nothing wraps or changes
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_TRUE(t.atEnd());
    t.next();
    EXPECT_EQ(t.currentRow(), 2);
    EXPECT_EQ(namesOf(t), (Names{"a", "b", "c"}));
    EXPECT_EQ(t.field(Field::Nome), "c");

    t.first(); // clears the end flag
    EXPECT_FALSE(t.atEnd());
    EXPECT_TRUE(t.atBegin());
}

TEST(ComponentTableNavigation, WalkFromCurrentVisitsEachRowOnceAndEndsOnLast)
{
    ComponentTable t;
    fill(t, {"r0", "r1", "r2", "r3", "r4"});
    t.next();
    t.next(); // r2

    Names visited;
    while (!t.atEnd()) {
        visited.append(t.field(Field::Nome));
        t.next();
    }
    EXPECT_EQ(visited, (Names{"r2", "r3", "r4"}));
    EXPECT_EQ(t.currentRow(), 4);

    // A single-row table: one visit.
    ComponentTable one;
    fill(one, {"only"});
    int visits = 0;
    for (one.first(); !one.atEnd(); one.next())
        ++visits;
    EXPECT_EQ(visits, 1);
}

TEST(ComponentTableNavigation, DeleteMakesFollowingRowCurrentOrTheNewLast)
{
    ComponentTable t;
    fill(t, {"a", "b", "c", "d"});
    t.next(); // b
    t.remove();
    EXPECT_EQ(namesOf(t), (Names{"a", "c", "d"}));
    EXPECT_EQ(t.field(Field::Nome), "c");

    t.last();
    t.remove(); // the last row: the new last becomes current
    EXPECT_EQ(namesOf(t), (Names{"a", "c"}));
    EXPECT_EQ(t.field(Field::Nome), "c");
    EXPECT_EQ(t.currentRow(), 1);

    t.first();
    t.remove();
    EXPECT_EQ(t.field(Field::Nome), "c");
    t.remove();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_TRUE(t.atEnd());
    EXPECT_TRUE(t.field(Field::Nome).isEmpty());
}

TEST(ComponentTableNavigation, DeleteTellsBoundControlsEvenWhenTheIndexStaysTheSame)
{
    ComponentTable t;
    fill(t, {"a", "b", "c"});
    QSignalSpy change(&t, &ComponentTable::dataChange);
    QSignalSpy moved(&t, &ComponentTable::currentRowChanged);
    t.remove(); // row 0 goes, row 0 is now "b"
    EXPECT_EQ(change.count(), 1);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(t.field(Field::Nome), "b");
}

TEST(ComponentTableNavigation, DeleteDropsAPendingEditOfTheRow)
{
    ComponentTable t;
    fill(t, {"a", "b"});
    t.edit();
    t.setField(Field::Nome, "x");
    t.remove();
    EXPECT_EQ(t.state(), State::Browse);
    EXPECT_EQ(namesOf(t), (Names{"b"}));
}

TEST(ComponentTableNavigation, ClearEmptiesAndEndsInBrowse)
{
    ComponentTable t;
    fill(t, {"a", "b"});
    t.append();
    t.setField(Field::Nome, "c");
    QSignalSpy change(&t, &ComponentTable::dataChange);
    t.clear();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_EQ(t.state(), State::Browse);
    EXPECT_TRUE(t.atEnd());
    EXPECT_EQ(change.count(), 1);
}

// ---------------------------------------------------------------------------
// Sort by name.

TEST(ComponentTableSort, EqualNamesKeepAdditionOrderAndEmptyNamesComeFirst)
{
    ComponentTable t;
    addRow(t, "b", "1");
    addRow(t, "ab", "2");
    addRow(t, "", "3");
    addRow(t, "AB", "4");
    addRow(t, "0", "5");
    addRow(t, "", "6");
    addRow(t, "Ab", "7");
    t.sortByName();
    QList<QByteArray> texts;
    for (int i = 0; i < t.rowCount(); ++i)
        texts.append(t.comandosAt(i));
    EXPECT_EQ(namesOf(t), (Names{"", "", "0", "ab", "AB", "Ab", "b"}));
    EXPECT_EQ(texts, (Names{"3", "6", "5", "2", "4", "7", "1"}));

    // Added the other way round, the capitals come first.
    ComponentTable u;
    addRow(u, "B");
    addRow(u, "AB");
    addRow(u, "ab");
    addRow(u, "b");
    u.sortByName();
    EXPECT_EQ(namesOf(u), (Names{"AB", "ab", "B", "b"}));
}

TEST(ComponentTableSort, MixedCaseNamesSortAsOneAlphabet)
{
    ComponentTable t;
    for (const char *n : {"zeta", "Alpha", "beta", "GAMMA", "delta", "Epsilon"})
        addRow(t, n);
    t.sortByName();
    EXPECT_EQ(namesOf(t), (Names{"Alpha", "beta", "delta", "Epsilon", "GAMMA", "zeta"}));
}

TEST(ComponentTableSort, CurrentRowStaysCurrent)
{
    ComponentTable t;
    addRow(t, "x", "x1");
    addRow(t, "c", "c");
    addRow(t, "X", "x2");
    addRow(t, "a", "a");
    t.first();
    t.next();
    t.next(); // the second "x"
    t.sortByName();
    EXPECT_EQ(namesOf(t), (Names{"a", "c", "x", "X"}));
    EXPECT_EQ(t.field(Field::Comandos), "x2");
    EXPECT_EQ(t.currentRow(), 3);

    // A pending new row is stored first and stays current after the sort.
    t.append();
    t.setField(Field::Nome, "b");
    t.sortByName();
    EXPECT_EQ(namesOf(t), (Names{"a", "b", "c", "x", "X"}));
    EXPECT_EQ(t.field(Field::Nome), "b");
    EXPECT_EQ(t.state(), State::Browse);
}

TEST(ComponentTableSort, AfterClearNewRowsStillSortInAdditionOrder)
{
    ComponentTable t;
    for (int i = 0; i < 5; ++i)
        addRow(t, "old");
    t.clear();
    addRow(t, "same", "1");
    addRow(t, "SAME", "2");
    addRow(t, "Same", "3");
    t.first();
    t.next(); // "SAME"
    t.sortByName();
    EXPECT_EQ(t.comandosAt(0), "1");
    EXPECT_EQ(t.comandosAt(1), "2");
    EXPECT_EQ(t.comandosAt(2), "3");
    EXPECT_EQ(t.field(Field::Comandos), "2");
}

TEST(ComponentTableSort, BytesAboveAsciiSortWithoutLosingRows)
{
    // Latin-1 names: the order must agree with the locale's case-insensitive
    // collation, adjacent row by adjacent row.
    const Names names{"\xe9t\xe9", "\xc9T\xc9", "eta", "zulu", "\xe0", "\xc0", "Ab", "\xff", "a"};
    ComponentTable t;
    for (const QByteArray &n : names)
        addRow(t, n);
    t.sortByName();
    ASSERT_EQ(t.rowCount(), names.size());
    libfix::NameOrder order;
    for (int i = 1; i < t.rowCount(); ++i)
        EXPECT_LE(order.compare(t.nameAt(i - 1), t.nameAt(i)), 0) << i;
    Names got = namesOf(t);
    Names want = names;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

TEST(ComponentTableSort, AnyMixOfAppendsRenamesAndDeletesSortsAsAFullStableSort)
{
    // A mirror of the table: each row's name and its addition number (kept
    // in the row's text). After every sort the table must equal the mirror
    // sorted by name order, ties by addition order.
    struct Mirror
    {
        QByteArray name;
        int id;
    };
    const Names pool{"a",  "A",    "ab",   "AB", "Ab", "b", "B", "",   "c10",
                     "C2", "\xe9", "\xc9", "e",  "z",  "Z", "0", "_x", "\xff"};
    libfix::NameOrder order;
    std::mt19937 rng(4242);
    auto pick = [&] { return pool[int(rng() % pool.size())]; };

    ComponentTable t;
    QList<Mirror> mirror;
    int nextId = 0;
    int sorts = 0;
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(round);
        const int op = int(rng() % 12);
        if (op < 5) {
            const int k = rng() % 5 == 0 ? 17 + int(rng() % 10) : 1 + int(rng() % 3);
            for (int i = 0; i < k; ++i) {
                const QByteArray n = pick();
                addRow(t, n, QByteArray::number(nextId));
                mirror.append({n, nextId++});
            }
        } else if (op < 7 && !mirror.isEmpty()) {
            const int r = int(rng() % mirror.size());
            t.moveTo(r);
            t.edit();
            const QByteArray n = pick();
            t.setField(Field::Nome, n);
            t.post();
            mirror[r].name = n;
        } else if (op < 8 && !mirror.isEmpty()) {
            const int r = int(rng() % mirror.size());
            t.moveTo(r);
            t.remove();
            mirror.removeAt(r);
        } else if (op == 8 && rng() % 4 == 0) {
            t.clear();
            mirror.clear();
        } else if (!mirror.isEmpty()) {
            const QByteArray current = t.field(Field::Comandos);
            t.sortByName();
            ++sorts;
            std::stable_sort(mirror.begin(), mirror.end(), [&](const Mirror &x, const Mirror &y) {
                const int c = order.compare(x.name, y.name);
                return c != 0 ? c < 0 : x.id < y.id;
            });
            EXPECT_EQ(t.field(Field::Comandos), current);
        }
        ASSERT_EQ(t.rowCount(), mirror.size());
        for (int i = 0; i < mirror.size(); ++i) {
            ASSERT_EQ(t.nameAt(i), mirror[i].name) << i;
            ASSERT_EQ(t.comandosAt(i), QByteArray::number(mirror[i].id)) << i;
        }
    }
    EXPECT_GT(sorts, 50);
}

// ---------------------------------------------------------------------------
// Locate by name.

TEST(ComponentTableSort, SortedBatchesMergeByNameThenBatch)
{
    // Each batch sorted on its own, as a folder's reader leaves it.
    const QList<Names> batches{{"", "a", "B", "b2"}, {"A", "b", "X"}, {"", "c"}, {}};
    std::vector<std::pair<ComponentTable::Lote, int>> lotes;
    for (const Names &names : batches) {
        ComponentTable one;
        fill(one, names);
        one.sortByName();
        lotes.emplace_back(one.tiraLote(), 10 + int(lotes.size()));
    }
    ComponentTable t;
    t.juntaLotesOrdenados(std::move(lotes));
    EXPECT_EQ(namesOf(t), (Names{"", "", "a", "A", "B", "b", "b2", "c", "X"}));
    QList<int> libraries;
    for (int r = 0; r < t.rowCount(); ++r)
        libraries << t.bibliotecaAt(r);
    EXPECT_EQ(libraries, (QList<int>{10, 12, 10, 11, 10, 11, 10, 12, 11}));
    // Appending a row keeps the merged rows sorted: only the new one moves.
    addRow(t, "b1", "DEF b1 U\rENDDEF\r");
    t.sortByName();
    EXPECT_EQ(namesOf(t), (Names{"", "", "a", "A", "B", "b", "b1", "b2", "c", "X"}));
}

TEST(ComponentTableLocate, TriesCurrentRowFirstThenFromTheFirst)
{
    ComponentTable t;
    addRow(t, "R", "r1");
    addRow(t, "c", "c");
    addRow(t, "r", "r2");
    addRow(t, "z", "z");
    t.first();
    t.next();
    t.next(); // "r" (second match)
    EXPECT_TRUE(t.locate(u"nome_Componente", "R"));
    EXPECT_EQ(t.field(Field::Comandos), "r2");

    t.last(); // "z"
    EXPECT_TRUE(t.locate(u"NOME_COMPONENTE", "r"));
    EXPECT_EQ(t.field(Field::Comandos), "r1");
    EXPECT_EQ(t.currentRow(), 0);
}

TEST(ComponentTableLocate, WholeValueCaseInsensitiveAndFalseLeavesCurrent)
{
    ComponentTable t;
    fill(t, {"abc", "ABCD", "xyz"});
    t.last();
    EXPECT_FALSE(t.locate(u"nome_componente", "ab"));
    EXPECT_FALSE(t.locate(u"nome_componente", "abcde"));
    EXPECT_FALSE(t.locate(u"nome_componente", ""));
    EXPECT_EQ(t.field(Field::Nome), "xyz");
    EXPECT_TRUE(t.locate(u"nome_componente", "abcd"));
    EXPECT_EQ(t.field(Field::Nome), "ABCD");
    EXPECT_TRUE(t.locate(u"nome_componente", "XYZ"));
    EXPECT_EQ(t.currentRow(), 2);

    ComponentTable empty;
    EXPECT_FALSE(empty.locate(u"nome_componente", "abc"));
    EXPECT_EQ(empty.currentRow(), -1);
}

TEST(ComponentTableLocate, EndsAPendingInsertFirst)
{
    ComponentTable t;
    fill(t, {"a", "b"});
    t.append();
    t.setField(Field::Nome, "new");
    EXPECT_TRUE(t.locate(u"nome_componente", "NEW"));
    EXPECT_EQ(t.state(), State::Browse);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.currentRow(), 2);

    // An unchanged insert is dropped; the lookup still runs.
    t.append();
    EXPECT_TRUE(t.locate(u"nome_componente", "a"));
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.currentRow(), 0);
}

// ---------------------------------------------------------------------------
// Notifications.

TEST(ComponentTableNotifications, MovesAndFieldChangesTellTheDataChangeHandler)
{
    ComponentTable t;
    fill(t, {"a", "b"});
    QSignalSpy change(&t, &ComponentTable::dataChange);
    t.next();
    EXPECT_EQ(change.count(), 1);
    t.edit();
    t.setField(Field::Comandos, "x");
    EXPECT_EQ(change.count(), 2);
    t.first();
    EXPECT_EQ(change.count(), 3);
    t.append();
    EXPECT_GE(change.count(), 4);
}

TEST(ComponentTableNotifications, SuspendNestsAndResumeTellsExactlyOnce)
{
    ComponentTable t;
    fill(t, {"b", "a"});
    QSignalSpy change(&t, &ComponentTable::dataChange);
    QSignalSpy moved(&t, &ComponentTable::currentRowChanged);
    QSignalSpy inserted(&t, &ComponentTable::rowsInserted);

    t.suspendNotifications();
    t.suspendNotifications();
    EXPECT_TRUE(t.notificationsSuspended());
    t.clear();
    fill(t, {"z", "y", "x"});
    t.append();
    t.setField(Field::Nome, "w");
    t.next();
    t.sortByName();
    t.last();
    t.remove();
    t.locate(u"nome_componente", "y");
    t.resumeNotifications();
    EXPECT_TRUE(t.notificationsSuspended());
    EXPECT_EQ(change.count(), 0);
    EXPECT_EQ(moved.count(), 0);
    EXPECT_EQ(inserted.count(), 0);

    t.resumeNotifications();
    EXPECT_FALSE(t.notificationsSuspended());
    EXPECT_EQ(change.count(), 1);
    EXPECT_EQ(t.field(Field::Nome), "y");

    // A resume too many is ignored: one suspend still suspends.
    t.resumeNotifications();
    EXPECT_EQ(change.count(), 1);
    t.suspendNotifications();
    EXPECT_TRUE(t.notificationsSuspended());
    t.next();
    EXPECT_EQ(change.count(), 1);
    t.resumeNotifications();
    EXPECT_EQ(change.count(), 2);
}

TEST(ComponentTableNotifications, ClearTellsOnceUnlessSuspended)
{
    ComponentTable t;
    fill(t, {"a"});
    QSignalSpy change(&t, &ComponentTable::dataChange);
    t.suspendNotifications();
    t.clear();
    EXPECT_EQ(change.count(), 0);
    t.resumeNotifications();
    EXPECT_EQ(change.count(), 1);
    t.clear();
    EXPECT_EQ(change.count(), 2);
}

// ---------------------------------------------------------------------------
// Size.

TEST(ComponentTableSize, SixThousandRowsPastTheReservedFiveThousand)
{
    ComponentTable t;
    t.suspendNotifications();
    for (int i = 5999; i >= 0; --i)
        addRow(t, QByteArray::number(i).rightJustified(5, '0'), QByteArray::number(i));
    t.sortByName();
    t.first();
    t.resumeNotifications();
    ASSERT_EQ(t.rowCount(), 6000);
    int visits = 0;
    bool ordered = true;
    for (t.first(); !t.atEnd(); t.next()) {
        ordered = ordered && t.field(Field::Comandos) == QByteArray::number(visits);
        ++visits;
    }
    EXPECT_EQ(visits, 6000);
    EXPECT_TRUE(ordered);
    EXPECT_TRUE(t.locate(u"nome_componente", "05999"));
    EXPECT_EQ(t.currentRow(), 5999);
}
