#include "library/componenttable.h"
#include "library/componenttablemodel.h"
#include "library/libraryfile.h"
#include "tests/support/corpus.h"
#include "tests/support/libraryfixtures.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using libfix::addRow;
using Field = ComponentTable::Field;

namespace {

// Collects what QAbstractItemModelTester reports in Warning mode.
class TesterReports
{
public:
    TesterReports()
    {
        s_reports.clear();
        m_previous = qInstallMessageHandler(&TesterReports::handle);
    }
    ~TesterReports() { qInstallMessageHandler(m_previous); }
    static QStringList &reports() { return s_reports; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            s_reports << QStringLiteral("%1: %2").arg(
                QString::fromLatin1(ctx.category ? ctx.category : "?"), msg);
    }
    static inline QStringList s_reports;
    QtMessageHandler m_previous = nullptr;
};

// The model shows exactly the table's rows, names and current-row marker.
void expectMirrors(const ComponentTableModel &m, const ComponentTable &t)
{
    ASSERT_EQ(m.rowCount(), t.rowCount());
    ASSERT_EQ(m.columnCount(), 1);
    for (int i = 0; i < t.rowCount(); ++i) {
        ASSERT_EQ(m.data(m.index(i, 0), Qt::DisplayRole).toString(),
                  QString::fromLatin1(t.nameAt(i)))
            << i;
        const bool marked = !m.headerData(i, Qt::Vertical, Qt::DisplayRole).toString().isEmpty();
        ASSERT_EQ(marked, i == t.currentRow()) << i;
    }
}

} // namespace

TEST(ComponentTableModel, StaysConsistentThroughEveryTableOperation)
{
    TesterReports reports;
    ComponentTable t;
    ComponentTableModel m(t, true);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Warning);

    auto step = [&](const char *what, auto &&op) {
        SCOPED_TRACE(what);
        op();
        expectMirrors(m, t);
    };

    step("appends", [&] {
        for (const char *n : {"delta", "Alpha", "charlie", "bravo", "echo"})
            addRow(t, n, QByteArray("DEF ") + n + "\r");
    });
    step("pending insert dropped", [&] {
        t.append();
        t.first();
    });
    step("pending insert stored", [&] {
        t.append();
        t.setField(Field::Nome, "foxtrot");
        t.prior();
    });
    step("sort", [&] { t.sortByName(); });
    step("moves", [&] {
        t.last();
        t.prior();
        t.prior();
        t.next();
    });
    step("rename through the table", [&] {
        t.edit();
        t.setField(Field::Nome, "zulu");
        t.post();
    });
    step("rename through the model",
         [&] { m.setData(m.index(0, 0), QStringLiteral("aaa"), Qt::EditRole); });
    step("delete middle", [&] {
        t.moveTo(2);
        t.remove();
    });
    step("delete last", [&] {
        t.last();
        t.remove();
    });
    step("locate", [&] { t.locate(u"nome_componente", "BRAVO"); });
    step("suspended changes", [&] {
        t.suspendNotifications();
        t.suspendNotifications();
        t.clear();
        for (int i = 0; i < 50; ++i)
            addRow(t, "n" + QByteArray::number(49 - i));
        t.sortByName();
        t.first();
        t.remove();
        t.resumeNotifications();
        t.resumeNotifications();
    });
    step("clear", [&] { t.clear(); });
    step("edit on empty table", [&] {
        t.edit();
        t.setField(Field::Nome, "only");
        t.first();
    });
    step("delete the only row", [&] { t.remove(); });

    EXPECT_TRUE(TesterReports::reports().isEmpty())
        << TesterReports::reports().join('\n').toStdString();
}

TEST(ComponentTableModel, LoadingALibraryIsOneReset)
{
    TesterReports reports;
    ComponentTable t;
    addRow(t, "before");
    ComponentTableModel m(t, false);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy removes(&m, &QAbstractItemModel::rowsRemoved);

    const QString path = corpusDir() + QStringLiteral("/power.lib");
    ASSERT_TRUE(carregaBiblioteca(path, t).ok);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(removes.count(), 0);
    EXPECT_EQ(m.rowCount(), 100);
    expectMirrors(m, t);

    // A failing load is one reset too and leaves the model empty.
    ASSERT_FALSE(carregaBiblioteca(path + QStringLiteral(".missing"), t).ok);
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_TRUE(TesterReports::reports().isEmpty())
        << TesterReports::reports().join('\n').toStdString();
}

TEST(ComponentTableModel, RenameInTheGridEditsTheRowAndKeepsItsBytes)
{
    ComponentTable t;
    for (const char *n : {"a", "b", "c"})
        addRow(t, n);
    t.first();
    ComponentTableModel m(t, true);
    QSignalSpy afterEdit(&t, &ComponentTable::afterEdit);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(m.flags(m.index(1, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m.setData(m.index(1, 0), QStringLiteral("\u00e9l\u00e8ve"), Qt::EditRole));
    EXPECT_EQ(t.currentRow(), 1);
    EXPECT_EQ(t.state(), ComponentTable::State::Edit);
    EXPECT_EQ(t.field(Field::Nome), "\xe9l\xe8ve");
    EXPECT_EQ(afterEdit.count(), 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(m.data(m.index(1, 0), Qt::EditRole).toString(), QStringLiteral("\u00e9l\u00e8ve"));

    // Moving on stores the new name.
    t.next();
    EXPECT_EQ(t.nameAt(1), "\xe9l\xe8ve");
    EXPECT_EQ(t.state(), ComponentTable::State::Browse);

    // The same name again changes nothing and starts no edit.
    EXPECT_FALSE(m.setData(m.index(0, 0), QStringLiteral("a"), Qt::EditRole));
    EXPECT_EQ(afterEdit.count(), 1);
    EXPECT_EQ(t.state(), ComponentTable::State::Browse);

    // A long name is cut like any other.
    EXPECT_TRUE(m.setData(m.index(0, 0), QString(70, QLatin1Char('w')), Qt::EditRole));
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), QString(60, QLatin1Char('w')));
}

TEST(ComponentTableModel, ReadOnlyGridRefusesEdits)
{
    ComponentTable t;
    addRow(t, "a");
    ComponentTableModel m(t, false);
    QSignalSpy afterEdit(&t, &ComponentTable::afterEdit);
    EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m.setData(m.index(0, 0), QStringLiteral("b"), Qt::EditRole));
    EXPECT_EQ(t.nameAt(0), "a");
    EXPECT_EQ(afterEdit.count(), 0);
    EXPECT_EQ(t.state(), ComponentTable::State::Browse);
}

TEST(ComponentTableModel, HeaderTitleAndRowIndicatorFollowTheCurrentRow)
{
    ComponentTable t;
    for (const char *n : {"a", "b", "c"})
        addRow(t, n);
    t.first();
    ComponentTableModel m(t, false);
    EXPECT_EQ(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("nome_Componente"));

    QSignalSpy header(&m, &QAbstractItemModel::headerDataChanged);
    t.last();
    expectMirrors(m, t);
    // The old and the new row are repainted.
    QList<int> rows;
    for (const auto &args : header)
        rows << args.at(1).toInt();
    EXPECT_TRUE(rows.contains(2));
    EXPECT_TRUE(rows.contains(0));
}
